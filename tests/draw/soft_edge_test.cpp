// The soft ellipse's shortcuts against its plain evaluation: the rows and
// columns its bounds leave out must have the zone the trigonometric path
// gives, over many random geometries.
#include "draw/soft_edge.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>

namespace bmp {
namespace {

constexpr int height = 3000, width = 4000;

// Semi-axes from 1 to 3000 and aspect ratios up to about 1000, bands from a
// little negative to wider than the semi-axis; nothing when no inner ellipse
// is left. Every fourth centre is on whole pixels.
std::optional<EllipseParams> random_ellipse(std::mt19937& random, int n) {
  std::uniform_real_distribution<double> unit(0, 1);
  const double x_radius = std::exp(unit(random) * 8), y_radius = std::exp(unit(random) * 8);
  const double x_boke = (unit(random) * 1.2 - 0.2) * x_radius;
  const double y_boke = (unit(random) * 1.2 - 0.2) * y_radius;
  if (!(x_radius - x_boke > 0) || !(y_radius - y_boke > 0)) return std::nullopt;
  EllipseParams e{unit(random) * width, unit(random) * height, x_radius, y_radius, x_boke, y_boke};
  if (n % 4 == 0) e.x_c = std::round(e.x_c), e.y_c = std::round(e.y_c);
  return e;
}

// Every pixel of a row outside its near columns (or of a row outside the
// reach) is outside by the plain evaluation. The columns just beyond each
// end lie nearest the band, so they are checked, and random ones further out.
TEST(SoftEdge, PixelsBeyondTheNearColumnsAreOutsideByThePlainEvaluation) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> unit(0, 1);
  int64_t narrowed = 0, rows = 0;
  for (int n = 0; n < 400; ++n) {
    const std::optional<EllipseParams> geometry = random_ellipse(random, n);
    if (!geometry) continue;
    const EllipseParams& e = *geometry;
    const SoftEllipse ellipse(e, height);
    const PixelRect reach = ellipse.reach(width, height);
    const int64_t k = int64_t(height - e.y_c - 1);
    const int64_t step = std::max<int64_t>(1, int64_t(e.y_radius) / 40);
    for (int64_t r = std::max<int64_t>(0, k - int64_t(e.y_radius) - 4);
         r < std::min<int64_t>(height, k + int64_t(e.y_radius) + 5); r += step) {
      const IndexRange near = reach.rows.contains(r)
                                  ? ellipse.near_columns(r, width).intersect(reach.columns)
                                  : IndexRange{};
      ++rows;
      if (near.size() < reach.columns.size()) ++narrowed;
      std::vector<int64_t> beyond = {near.first - 1, near.first - 2, near.end, near.end + 1};
      if (near.empty()) beyond = {int64_t(e.x_c), int64_t(e.x_c) + 1};
      for (int i = 0; i < 4; ++i) {
        beyond.push_back(int64_t(unit(random) * double(near.first)));
        beyond.push_back(near.end + int64_t(unit(random) * double(width - near.end)));
      }
      for (int64_t c : beyond) {
        if (c < 0 || c >= width || near.contains(c)) continue;
        EXPECT_EQ(ellipse.point_at(c, r).zone, EllipseZone::outside)
            << n << " at " << c << ", " << r;
      }
    }
  }
  // Most rows through an ellipse end well before its bounding rectangle does.
  EXPECT_GT(narrowed, rows / 2);
}

// Every pixel of a row's inside columns is inside by the plain evaluation;
// the ends of each span lie nearest the rim, so all of them are checked.
TEST(SoftEdge, InsideColumnsAreInsideByThePlainEvaluation) {
  std::mt19937 random(29);
  std::uniform_real_distribution<double> unit(0, 1);
  int64_t spanned = 0, rows = 0;
  for (int n = 0; n < 300; ++n) {
    const std::optional<EllipseParams> geometry = random_ellipse(random, n);
    if (!geometry) continue;
    const EllipseParams& e = *geometry;
    const double y_radius = e.y_radius;
    const SoftEllipse ellipse(e, height);
    const int64_t k = int64_t(height - e.y_c - 1);
    const int64_t step = std::max<int64_t>(1, int64_t(y_radius) / 40);
    for (int64_t r = std::max<int64_t>(0, k - int64_t(y_radius) - 2);
         r < std::min<int64_t>(height, k + int64_t(y_radius) + 3); r += step) {
      const IndexRange inside = ellipse.inside_columns(r, width);
      ++rows;
      if (inside.empty()) continue;
      ++spanned;
      EXPECT_GE(inside.first, 0);
      EXPECT_LE(inside.end, width);
      const int64_t middle = inside.first + int64_t(unit(random) * double(inside.size()));
      for (int64_t c : {inside.first, inside.first + 1, middle, inside.end - 2, inside.end - 1}) {
        if (!inside.contains(c)) continue;
        EXPECT_EQ(ellipse.point_at(c, r).zone, EllipseZone::inside)
            << n << " at " << c << ", " << r;
      }
    }
  }
  // Many rows through an ellipse have columns certainly inside (the tiny
  // and the very flat ellipses have none).
  EXPECT_GT(spanned, rows / 3);
}

}  // namespace
}  // namespace bmp
