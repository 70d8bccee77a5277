// The soft ellipse's shortcuts against its plain evaluation: the zone that
// the margin test decides and the rows and columns it bounds must be the
// zone the trigonometric path gives, over many random geometries.
#include "draw/soft_edge.hpp"

#include <gtest/gtest.h>

#include <random>

namespace bmp {
namespace {

TEST(SoftEdge, ShortcutsAgreeWithThePlainEvaluation) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> unit(0, 1);
  const int height = 3000, width = 4000;
  int64_t decided = 0, checked = 0;
  for (int n = 0; n < 400; ++n) {
    // Semi-axes from 1 to 3000 and aspect ratios up to about 1000.
    const double x_radius = std::exp(unit(random) * 8), y_radius = std::exp(unit(random) * 8);
    const double x_boke = (unit(random) * 1.2 - 0.2) * x_radius;
    const double y_boke = (unit(random) * 1.2 - 0.2) * y_radius;
    if (!(x_radius - x_boke > 0) || !(y_radius - y_boke > 0)) continue;
    EllipseParams e{
        unit(random) * width, unit(random) * height, x_radius, y_radius, x_boke, y_boke};
    if (n % 4 == 0) e.x_c = std::round(e.x_c), e.y_c = std::round(e.y_c);
    const SoftEllipse ellipse(e, height);
    const PixelRect reach = ellipse.reach(width, height);
    for (int i = 0; i < 400; ++i) {
      // Half the pixels near the centre, where the zones change.
      const double spread = i % 2 ? 1.3 : 0.2;
      const int64_t c = int64_t(e.x_c + (unit(random) * 2 - 1) * spread * (x_radius + 3));
      const int64_t r =
          int64_t(height - e.y_c - 1 + (unit(random) * 2 - 1) * spread * (y_radius + 3));
      const EllipseZone plain = ellipse.point_at(c, r).zone;
      if (std::optional<EllipseZone> quick = ellipse.quick_zone(c, r)) {
        EXPECT_EQ(*quick, plain) << n << " at " << c << ", " << r;
        ++decided;
      }
      if (c >= 0 && c < width && r >= 0 && r < height && !reach.contains(r, c)) {
        EXPECT_EQ(plain, EllipseZone::outside) << n << " at " << c << ", " << r;
      }
      ++checked;
    }
  }
  // The margin test must decide most pixels, or it would save nothing.
  EXPECT_GT(decided, checked / 2);
}

}  // namespace
}  // namespace bmp
