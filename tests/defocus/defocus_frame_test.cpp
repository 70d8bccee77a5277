#include "defocus/defocus_frame.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "core/failure.hpp"

namespace bmp {
namespace {

TEST(MapEdgeIndex, ClampRepeatsTheEdgeAndWrapContinuesOpposite) {
  struct Case {
    int64_t i, n;
    int64_t clamp, wrap;
  };
  const Case cases[] = {
      {-1, 5, 0, 4}, {5, 5, 4, 0},  {9, 5, 4, 4},   {0, 5, 0, 0}, {3, 5, 3, 3}, {-5, 5, 0, 0},
      {-6, 5, 0, 4}, {10, 5, 4, 0}, {-12, 5, 0, 3}, {0, 1, 0, 0}, {7, 1, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(map_edge_index(c.i, c.n, EdgeMode::clamp), c.clamp) << c.i << " of " << c.n;
    EXPECT_EQ(map_edge_index(c.i, c.n, EdgeMode::wrap), c.wrap) << c.i << " of " << c.n;
  }
}

TEST(MapEdgeIndex, WrapAgreesWithTheSingleFoldWhereThatIsDefined) {
  for (int64_t n = 1; n <= 7; ++n) {
    for (int64_t i = -n; i <= 2 * n - 1; ++i) {
      int64_t single = i >= n ? i - n : (i < 0 ? i + n : i);
      EXPECT_EQ(map_edge_index(i, n, EdgeMode::wrap), single);
    }
  }
}

TEST(BlurRadii, OuterAndInnerRadius) {
  EXPECT_EQ(r_out(0.0), 1);
  EXPECT_EQ(r_in(0.0), 0);
  EXPECT_EQ(r_out(2.25), 3);
  EXPECT_EQ(r_in(2.25), 2);
  EXPECT_EQ(r_out(3.0), 4);
  EXPECT_EQ(r_in(3.0), 3);
  EXPECT_EQ(edge_mode_of(0), EdgeMode::clamp);
  EXPECT_EQ(edge_mode_of(-3), EdgeMode::wrap);
}

TEST(DegreeValue, NegativeNanInfiniteAndHugeDegreesAreRefused) {
  EXPECT_NO_THROW(check_degree_value(0.0, "0"));
  EXPECT_NO_THROW(check_degree_value(99.5, "99.5"));
  for (double bad : {-0.5, std::nan(""), double(INFINITY), 1e12}) {
    EXPECT_THROW(check_degree_value(bad, "x"), ToolFailure) << bad;
  }
  try {
    check_degree_value(-1, "-1");
  } catch (const ToolFailure& failure) {
    EXPECT_STREQ(failure.what(), "Blur degree out of range: -1 !\n");
  }
}

// A degree that check_blur_degree tests next: only what is no size at all is
// refused; a finite degree too large for any image is left to the prompt.
TEST(DegreeValue, DegreeNumberRefusesOnlyWhatIsNoSize) {
  for (double fine : {0.0, 2.5, 1e12, 1e300})
    EXPECT_NO_THROW(check_degree_number(fine, "x")) << fine;
  for (double bad : {-0.5, -1e-300, std::nan(""), double(INFINITY), -double(INFINITY)}) {
    EXPECT_THROW(check_degree_number(bad, "x"), ToolFailure) << bad;
  }
}

}  // namespace
}  // namespace bmp
