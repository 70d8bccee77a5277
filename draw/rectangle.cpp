#include "draw/rectangle.hpp"

namespace bmp {

Placement place_region(const Region& region, int32_t image_width, int32_t image_height) {
  Placement at;
  at.width = std::max(region.width, 0);
  at.height = std::max(region.height, 0);
  at.first_row = int64_t{image_height} - region.y_ori - region.height;
  at.first_column = region.x_ori;
  at.covered.rows = IndexRange{at.first_row, at.first_row + at.height}.clipped(image_height);
  at.covered.columns = IndexRange{at.first_column, at.first_column + at.width}.clipped(image_width);
  return at;
}

CoveredPixels covered_pixels(const PixelRect& rect, int64_t row, int64_t column,
                             std::span<uint8_t> pixels) {
  const int64_t count = static_cast<int64_t>(pixels.size() / 3);
  if (!rect.rows.contains(row)) return {{}, column};
  const IndexRange inside = rect.columns.intersect({column, column + count});
  if (inside.empty()) return {{}, column};
  return {pixels.subspan(static_cast<size_t>(3 * (inside.first - column)),
                         static_cast<size_t>(3 * inside.size())),
          inside.first};
}

}  // namespace bmp
