// The rectangle of the over-image drawing tools: the stored rows and columns a
// shape can touch, clipped to the image and computed in 64 bits, so that rows
// and columns outside it pass through as read.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

namespace bmp {

// The half-open range [first, end) of stored rows or columns; empty when
// end <= first.
struct IndexRange {
  int64_t first = 0;
  int64_t end = 0;

  bool empty() const { return end <= first; }
  bool contains(int64_t i) const { return i >= first && i < end; }
  int64_t size() const { return empty() ? 0 : end - first; }
  IndexRange intersect(IndexRange other) const {
    return {std::max(first, other.first), std::min(end, other.end)};
  }
  // The part inside [0, count).
  IndexRange clipped(int64_t count) const { return intersect({0, count}); }
};

// The whole numbers i with lo <= i <= hi inside [0, count): the rows or
// columns a shape bounded by reals can touch. Empty for NaN bounds.
inline IndexRange range_between(double lo, double hi, int64_t count) {
  if (!(lo <= hi)) return {};
  const double first = std::clamp(std::ceil(lo), -1.0, double(count));
  const double last = std::clamp(std::floor(hi), -1.0, double(count));
  return IndexRange{int64_t(first), int64_t(last) + 1}.clipped(count);
}

// Pixels of an image: its stored rows (0 = bottom) and its columns.
struct PixelRect {
  IndexRange rows;
  IndexRange columns;

  bool empty() const { return rows.empty() || columns.empty(); }
  bool contains(int64_t row, int64_t column) const {
    return rows.contains(row) && columns.contains(column);
  }
};

// A rectangle as the command line gives it: width × height pixels with the
// top-left corner at column x_ori and row y_ori counted from the top of the
// displayed image.
struct Region {
  int32_t width = 0;
  int32_t height = 0;
  int32_t x_ori = 0;
  int32_t y_ori = 0;
};

// Where a region lies in an image: its own stored row 0 and column 0 at image
// row first_row and column first_column (never shifted by clipping), its size
// (0 for a negative one) and the image pixels it covers.
struct Placement {
  int64_t first_row = 0;
  int64_t first_column = 0;
  int32_t width = 0;
  int32_t height = 0;
  PixelRect covered;  // inside the image; empty for a negative size
};

// The region covers stored rows h - y_ori - height <= r < h - y_ori and
// columns x_ori <= c < x_ori + width of an image_width × image_height image.
Placement place_region(const Region& region, int32_t image_width, int32_t image_height);

// The pixels of a row piece (stored row `row`, `pixels` starting at image
// column `column`) that `rect` covers: their bytes and the image column of the
// first. Empty when the row or every column of the piece lies outside.
struct CoveredPixels {
  std::span<uint8_t> pixels;
  int64_t first_column = 0;
};
CoveredPixels covered_pixels(const PixelRect& rect, int64_t row, int64_t column,
                             std::span<uint8_t> pixels);

}  // namespace bmp
