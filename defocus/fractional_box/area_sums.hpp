// Summed-area tables over the edge-mapped plane: per channel, the sums of
// all pixels below and left of each place, so that any box of the image (or
// of its edge-mapped continuation) sums in four look-ups. A table either
// follows a pass down as a ring of its latest rows or holds the whole image.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "core/image_rows.hpp"
#include "core/page_buffer.hpp"
#include "defocus/defocus_frame.hpp"

namespace bmp::fracbox {

inline int64_t mapped(int64_t i, int64_t n, EdgeMode mode) {
  return (i >= 0 && i < n) ? i : map_edge_index(i, n, mode);
}

// A 32-bit prefix row from the one above it, as many leading columns as the
// vector lanes take (none without them): here[3(l + 1) + c] = above[3(l + 1)
// + c] + the sum of channel c over columns 0 .. l, wrapping as the scalar
// sums do. Returns the columns done; run holds their channel sums.
int64_t add_prefix_row_in_lanes(const uint8_t* pixel, const uint32_t* above, uint32_t* here,
                                int64_t width, uint32_t* run);

// The rows a table sums: an image's, or a ring of the latest rows of a pass
// held in memory in runs of `run_rows` rows, row r in run r / run_rows at
// place (r / run_rows) % runs of `runs`.
class SourceRows {
 public:
  SourceRows(const ImageRows& image) : image_(&image) {}  // NOLINT: an image is its rows
  SourceRows(const uint8_t* const* runs, int64_t run_rows, int64_t run_count, size_t stride)
      : runs_(runs), run_rows_(run_rows), run_count_(run_count), stride_(stride) {}
  const uint8_t* row(int64_t r) const {
    if (image_ != nullptr) return image_->row(r);
    return runs_[(r / run_rows_) % run_count_] + static_cast<size_t>(r % run_rows_) * stride_;
  }

 private:
  const ImageRows* image_ = nullptr;
  const uint8_t* const* runs_ = nullptr;
  int64_t run_rows_ = 1;
  int64_t run_count_ = 1;
  size_t stride_ = 0;
};

// The sum of entries 0..k-1 of an axis of n entries, indices mapped by the
// edge mode (k may lie anywhere; below 0 the sum counts negatively), written
// as at most two prefix lengths of the axis with whole coefficients.
struct PrefixTerm {
  int64_t coefficient;
  int64_t length;
};
struct AxisPrefix {
  PrefixTerm terms[2];
  int count;
};

inline AxisPrefix axis_prefix(int64_t k, int64_t n, EdgeMode mode) {
  if (mode == EdgeMode::clamp) {
    if (k <= 0) return {{{k, 1}, {0, 0}}, 1};  // -k copies of entry 0, counted negatively
    if (k <= n) return {{{1, k}, {0, 0}}, 1};
    return {{{1 + (k - n), n}, {-(k - n), n - 1}}, 2};  // and k - n copies of entry n - 1
  }
  int64_t turns = k / n;
  int64_t rest = k % n;
  if (rest < 0) {
    rest += n;
    --turns;
  }
  return {{{turns, n}, {1, rest}}, 2};
}

// Prefix sums of the three channels over window rows: the entry of prefix k
// and column l is the sum over the window rows from the table's first up to
// k - 1 and the columns < l, in an unsigned type whose wrap-around leaves
// every window sum exact while the true sum fits the type. A ring table holds
// the prefixes of the latest window rows, each row the image row the edge
// mode maps it to, and moves down by adding rows; it answers for windows
// inside the rows it holds. The whole-image table holds the image's rows and
// maps window rows at lookup, for windows of any size.
template <class Sum>
class AreaSums {
 public:
  using Triple = std::array<Sum, 3>;

  AreaSums(int64_t width, int64_t height, EdgeMode mode)
      : width_(width), height_(height), mode_(mode) {}

  // The table's memory for rings of `rows` window rows, its pages mapped as
  // they are first written (at least one huge page: a single fault).
  void reserve_ring(int64_t rows) {
    const size_t slots = std::bit_ceil(static_cast<size_t>(rows + 1));
    const size_t bytes = slots * static_cast<size_t>(width_ + 1) * 3 * sizeof(Sum);
    if (sums_.size() < bytes) sums_ = PageBuffer::filled_later(std::max(bytes, size_t{2} << 20));
  }
  // An empty ring from window row `first` on, for `rows` window rows at once.
  void start_ring(const SourceRows& source, int64_t first, int64_t rows) {
    const size_t slots = std::bit_ceil(static_cast<size_t>(rows + 1));
    start(source, first, slots, static_cast<int64_t>(slots) - 1);
  }
  // Adds the window rows up to `end` (exclusive); the oldest leave the ring.
  void add_rows_until(int64_t end) {
    for (; end_ < end; ++end_) add_row(end_);
  }
  // The window rows first .. first + count - 1.
  void build_band(const SourceRows& source, int64_t first, int64_t count) {
    start_ring(source, first, count);
    add_rows_until(first + count);
  }
  void build_whole_image(const SourceRows& source) {
    start(source, 0, static_cast<size_t>(height_ + 1), -1);
    add_rows_until(height_);
    whole_image_ = true;
  }

  // The image row of window row `row`, mapped by the edge mode.
  const uint8_t* row_pixels(int64_t row) const {
    return rows_[static_cast<size_t>(whole_image_ ? mapped(row, height_, mode_) : slot(row))];
  }

  // The channel sums over window rows row0..row1 and columns col0..col1
  // (inclusive; columns mapped by the edge mode, as many times round as
  // they reach).
  Triple box(int64_t row0, int64_t row1, int64_t col0, int64_t col1) const {
    if ((!whole_image_ || (row0 >= 0 && row1 < height_)) && col0 >= 0 && col1 < width_) {
      const Sum* a = entry(row1 + 1, col1 + 1);
      const Sum* b = entry(row0, col1 + 1);
      const Sum* c = entry(row1 + 1, col0);
      const Sum* d = entry(row0, col0);
      return {Sum(a[0] - b[0] - c[0] + d[0]), Sum(a[1] - b[1] - c[1] + d[1]),
              Sum(a[2] - b[2] - c[2] + d[2])};
    }
    return mapped_box(row0, row1, col0, col1);
  }

  // Whether window row `row` is looked up without mapping, and then the
  // entries of prefix k (column l's channel c at 3l + c).
  bool direct_row(int64_t row) const { return !whole_image_ || (row >= 0 && row < height_); }
  const Sum* prefix_row(int64_t k) const { return entry(k, 0); }

  // Channel c of window row `row` summed over columns col0..col1 (mapped).
  Sum row_run(int64_t row, int64_t col0, int64_t col1, int c) const {
    if ((!whole_image_ || (row >= 0 && row < height_)) && col0 >= 0 && col1 < width_) {
      return Sum(entry(row + 1, col1 + 1)[c] - entry(row, col1 + 1)[c] - entry(row + 1, col0)[c] +
                 entry(row, col0)[c]);
    }
    return mapped_box(row, row, col0, col1)[c];
  }

 private:
  // A box that reaches past the image's sides (or, in the whole-image table,
  // its top or bottom).
  [[gnu::noinline]] Triple mapped_box(int64_t row0, int64_t row1, int64_t col0,
                                      int64_t col1) const {
    Triple a = prefix(row1 + 1, col1 + 1), b = prefix(row0, col1 + 1);
    Triple c = prefix(row1 + 1, col0), d = prefix(row0, col0);
    return {Sum(a[0] - b[0] - c[0] + d[0]), Sum(a[1] - b[1] - c[1] + d[1]),
            Sum(a[2] - b[2] - c[2] + d[2])};
  }

  void start(const SourceRows& source, int64_t first, size_t slots, int64_t slot_mask) {
    whole_image_ = false;
    source_ = source;
    slot_mask_ = slot_mask;
    rows_.resize(slots);
    // Every row of the table is written before it is read: no zeroing, and
    // the pages are mapped in one go.
    const size_t bytes = slots * static_cast<size_t>(width_ + 1) * 3 * sizeof(Sum);
    if (sums_.size() < bytes) sums_ = PageBuffer(bytes);
    first_ = first;
    end_ = first;
    std::fill_n(&table()[index(first, 0)], (width_ + 1) * 3, Sum{0});
  }

  // The prefix of window row `row` from the one above it.
  void add_row(int64_t row) {
    const uint8_t* pixel = source_.row(mapped(row, height_, mode_));
    rows_[static_cast<size_t>(slot(row))] = pixel;
    const Sum* above = entry(row, 0);
    Sum* here = &table()[index(row + 1, 0)];
    Sum run[3] = {0, 0, 0};
    here[0] = here[1] = here[2] = 0;
    int64_t column = 0;
    if constexpr (std::is_same_v<Sum, uint32_t>) {
      column = add_prefix_row_in_lanes(pixel, above, here, width_, run);
      pixel += 3 * column;
    }
    for (; column < width_; ++column, pixel += 3) {
      for (int c = 0; c < 3; ++c) {
        run[c] += pixel[c];
        here[3 * (column + 1) + c] = above[3 * (column + 1) + c] + run[c];
      }
    }
  }

  // The place of window row (or prefix) k in the ring.
  int64_t slot(int64_t k) const { return (k - first_) & slot_mask_; }
  size_t index(int64_t k, int64_t columns) const {
    return static_cast<size_t>((slot(k) * (width_ + 1) + columns) * 3);
  }
  Sum* table() const { return reinterpret_cast<Sum*>(sums_.data()); }
  const Sum* entry(int64_t k, int64_t columns) const { return &table()[index(k, columns)]; }

  // The sum over window rows below k (from the table's first) and columns
  // below l.
  Triple prefix(int64_t k, int64_t l) const {
    const AxisPrefix rows =
        whole_image_ ? axis_prefix(k, height_, mode_) : AxisPrefix{{{1, k}, {0, 0}}, 1};
    const AxisPrefix columns = axis_prefix(l, width_, mode_);
    Triple total{0, 0, 0};
    for (int a = 0; a < rows.count; ++a) {
      for (int b = 0; b < columns.count; ++b) {
        const Sum weight = static_cast<Sum>(rows.terms[a].coefficient) *
                           static_cast<Sum>(columns.terms[b].coefficient);
        const Sum* e = entry(rows.terms[a].length, columns.terms[b].length);
        for (int c = 0; c < 3; ++c) total[c] += weight * e[c];
      }
    }
    return total;
  }

  int64_t width_;
  int64_t height_;
  EdgeMode mode_;
  SourceRows source_{nullptr, 1, 1, 0};
  bool whole_image_ = false;
  int64_t first_ = 0;      // the window row of prefix 0's place
  int64_t end_ = 0;        // window rows below this one are summed
  int64_t slot_mask_ = 0;  // ring places - 1; all ones for the whole image
  std::vector<const uint8_t*> rows_;
  PageBuffer sums_;  // the prefix rows, Sum a channel
};

}  // namespace bmp::fracbox
