// A thread's ring table and its rows, a few at a time in strips of columns.
#include "defocus/fractional_box/row_worker.hpp"

#include <algorithm>
#include <bit>

#include "defocus/fractional_box/row_average.hpp"

namespace bmp::fracbox {
namespace {

// The half-width of the largest of `radii`.
int64_t largest_half_width(std::span<const double> radii) {
  return int64_t{r_in(*std::max_element(radii.begin(), radii.end()))} + 1;
}

// The bytes of table and pixels a strip of a group of rows reads per column:
// kept to a part of a core's own cache, so that the rows of a group, each
// reading all its windows' rows, find them there.
constexpr int64_t strip_bytes = int64_t{192} << 10;

// The columns of a strip for rows of windows up to `half_width`, `rows` at a
// time: each column reads 2M + rows + 1 rows of table (12 bytes a pixel) and
// of pixels (3).
int64_t strip_columns(int64_t half_width, int rows) {
  const int64_t rows_read = 2 * half_width + rows + 1;
  return std::max<int64_t>(64, strip_bytes / (15 * rows_read) / 8 * 8);
}

// The window rows a ring keeps: a row's windows and a few rows more.
int64_t ring_rows(int64_t margin) { return 2 * margin + 3; }

}  // namespace

bool fits_32_bits(int64_t half_width) {
  const double side = 2.0 * static_cast<double>(half_width) + 1;
  return 255.0 * side * side < 0x1p32;
}

Sums sums_for(int64_t half_width, int64_t width, int64_t height, EdgeMode mode) {
  if (fits_32_bits(half_width)) return AreaSums<uint32_t>(width, height, mode);
  return AreaSums<uint64_t>(width, height, mode);
}

RowWorker::RowWorker(int64_t width, int64_t height, EdgeMode mode, int64_t margin)
    : width_(width),
      height_(height),
      mode_(mode),
      margin_(margin),
      radii_(static_cast<size_t>(width) * max_group_rows),
      sums_(sums_for(margin, width, height, mode)) {
  std::visit([&](auto& table) { table.reserve_ring(ring_rows(margin)); }, sums_);
}

int RowWorker::group_rows() const {
  const auto slots =
      static_cast<int64_t>(std::bit_ceil(static_cast<size_t>(ring_rows(margin_) + 1)));
  return static_cast<int>(std::clamp<int64_t>(slots - 2 * margin_ - 1, 1, max_group_rows));
}

void RowWorker::rows(const SourceRows& source, const Sums* whole, int32_t y, int count,
                     const std::span<const double>* radii, uint8_t* const* out) {
  int64_t half_width = 0;
  for (int k = 0; k < count; ++k) half_width = std::max(half_width, largest_half_width(radii[k]));
  if (whole != nullptr) {
    if (fits_32_bits(half_width) || std::holds_alternative<AreaSums<uint64_t>>(*whole)) {
      average_from(*whole, y, count, half_width, radii, out);
      return;
    }
    if (!whole_image_built_) {
      sums_ = AreaSums<uint64_t>(width_, height_, mode_);
      std::get<AreaSums<uint64_t>>(sums_).build_whole_image(source);
      whole_image_built_ = true;
      next_row_ = -1;
    }
    average_from(sums_, y, count, half_width, radii, out);
    return;
  }
  if (half_width > margin_) {
    margin_ = half_width + 1;
    sums_ = sums_for(margin_, width_, height_, mode_);
    next_row_ = -1;
  }
  for (int done = 0; done < count;) {
    const int part = std::min(count - done, group_rows());
    const int32_t first = y + done;
    std::visit(
        [&](auto& table) {
          if (first != next_row_) table.start_ring(source, first - margin_, ring_rows(margin_));
          table.add_rows_until(first + part + margin_);
        },
        sums_);
    next_row_ = first + part;
    average_from(sums_, first, part, half_width, radii + done, out + done);
    done += part;
  }
}

void RowWorker::average_from(const Sums& sums, int32_t y, int count, int64_t half_width,
                             const std::span<const double>* radii, uint8_t* const* out) {
  std::visit(
      [&](const auto& table) {
        const int64_t strip = strip_columns(half_width, count);
        for (int64_t x = 0; x < width_; x += strip) {
          const int64_t end = std::min(width_, x + strip);
          // Each row's plans replace the row's above, which they equal where
          // the radii change only across.
          for (int k = 0; k < count; ++k) {
            windows_.plan(radii[k], static_cast<size_t>(x), static_cast<size_t>(end));
            average_strip(table, width_, mode_, y + k, radii[k], windows_, x, end, out[k]);
          }
        }
      },
      sums);
}

}  // namespace bmp::fracbox
