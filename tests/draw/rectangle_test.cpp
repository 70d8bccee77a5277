// The shared rectangle: the stored rows and columns a region covers, checked
// pixel by pixel against its defining inequalities, also for sizes and
// origins near the ends of the 32-bit range.
#include "draw/rectangle.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace bmp {
namespace {

// The region's own rule: h - y_ori - height <= r < h - y_ori and
// x_ori <= c < x_ori + width, in exact integer arithmetic.
bool covers(const Region& g, int64_t h, int64_t r, int64_t c) {
  return h - g.y_ori - g.height <= r && r < h - g.y_ori && g.x_ori <= c &&
         c < int64_t{g.x_ori} + g.width;
}

TEST(Rectangle, ARegionCoversExactlyThePixelsOfItsInequalities) {
  const Region regions[] = {
      {3, 2, 1, 1},
      {5, 4, -2, -1},
      {5, 4, 4, 3},
      {12, 9, -3, -2},
      {3, 2, 9, 1},
      {1, 1, 0, 0},
      {0, 3, 1, 1},
      {-2, 2, 0, 0},
      {2, -3, 0, 0},
      {INT_MAX, INT_MAX, 2, 1},
      {INT_MAX, 3, INT_MAX, 0},
      {4, INT_MAX, -3, INT_MIN},
      {INT_MAX, INT_MAX, INT_MIN, INT_MIN},
  };
  const int w = 6, h = 5;
  for (const Region& g : regions) {
    const Placement at = place_region(g, w, h);
    for (int r = -1; r <= h; ++r) {
      for (int c = -1; c <= w; ++c) {
        const bool inside = r >= 0 && r < h && c >= 0 && c < w && covers(g, h, r, c);
        EXPECT_EQ(at.covered.contains(r, c), inside) << g.width << " " << g.height << " " << g.x_ori
                                                     << " " << g.y_ori << " at " << c << ", " << r;
      }
    }
    // The region's own pixel (0, 0) stays at its place, however it is clipped.
    EXPECT_EQ(at.first_row, int64_t{h} - g.y_ori - g.height);
    EXPECT_EQ(at.first_column, g.x_ori);
  }
}

TEST(Rectangle, CoveredPixelsOfARowPieceAreItsBytesInsideTheRectangle) {
  const PixelRect rect{{1, 3}, {2, 5}};  // rows 1, 2; columns 2, 3, 4
  std::vector<uint8_t> row(3 * 4);       // a piece of 4 pixels
  struct Case {
    int64_t row, column;
    size_t offset, count;  // in pixels
    int64_t first;
  };
  const Case cases[] = {
      {1, 0, 2, 2, 2},  // columns 0..3: the last two
      {2, 3, 0, 2, 3},  // columns 3..6: the first two
      {2, 1, 1, 3, 2},  // columns 1..4: all but the first
      {0, 2, 0, 0, 0},  // a row outside
      {1, 5, 0, 0, 0},  // columns 5..8 outside
  };
  for (const Case& c : cases) {
    CoveredPixels got = covered_pixels(rect, c.row, c.column, row);
    EXPECT_EQ(got.pixels.size(), 3 * c.count) << c.row << " " << c.column;
    if (c.count == 0) continue;
    EXPECT_EQ(got.pixels.data(), row.data() + 3 * c.offset);
    EXPECT_EQ(got.first_column, c.first);
  }
}

}  // namespace
}  // namespace bmp
