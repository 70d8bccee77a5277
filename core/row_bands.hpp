// The row producer of the tools that compute each output row from a mapped
// input: rows are computed in bands shared among threads, then written in
// stored order, each followed by its progress line. Every row is computed
// exactly as it would be alone, so the bytes never depend on the thread count.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "bmp_io.hpp"
#include "page_buffer.hpp"
#include "parallel.hpp"
#include "row_pipeline.hpp"

namespace bmp {

// The bytes of the blocks in flight when blocks are shared out (more when
// blocks are so large that fewer than two more than the threads would fit).
inline constexpr size_t band_bytes = size_t{8} << 20;

// The next output row of a 24-bit image (pixels, then its zero padding) or of
// a 4-byte image (pixels only); the span covers the pixel bytes.
template <int bytes_per_pixel>
std::span<uint8_t> next_output_row(OutputFile& out, int32_t width) {
  static_assert(bytes_per_pixel == 3 || bytes_per_pixel == 4);
  if constexpr (bytes_per_pixel == 3) {
    return next_row24(out, width);
  } else {
    return out.reserve(static_cast<size_t>(row_bytes32(width)));
  }
}

// For each stored output row of a width × height image, bottom first:
// fill(block) computes the pixel bytes of `rows_per_task` consecutive rows at
// a time (fewer at the top), on any thread; the rows are then written with
// their `dm` zero bytes (24-bit) and after_row(row) follows each. `cost` is the work
// of one row in pixel samples, for the decision to share it out.
template <int bytes_per_pixel, class Fill, class AfterRow>
void produce_row_blocks(OutputFile& out, int32_t width, int32_t height, int32_t rows_per_task,
                        int64_t cost, const Fill& fill, const AfterRow& after_row) {
  const size_t pixel_bytes = static_cast<size_t>(bytes_per_pixel * int64_t{width});
  rows_per_task = std::max<int32_t>(1, rows_per_task);
  if (pixel_bytes == 0) {  // rows without pixels: only their progress
    for (int32_t r = 0; r < height; ++r) after_row(r);
    return;
  }
  const unsigned workers = worker_count(cost * height);
  if (workers <= 1 || height <= rows_per_task) {
    PageBuffer block;
    for (int32_t first = 0; first < height; first += rows_per_task) {
      const int32_t count = std::min(rows_per_task, height - first);
      if (count == 1) {
        std::span<uint8_t> row = next_output_row<bytes_per_pixel>(out, width);
        fill(RowBlock{first, 1, row.data(), pixel_bytes});
        after_row(first);
        continue;
      }
      if (block.size() == 0) block = PageBuffer(pixel_bytes * static_cast<size_t>(count));
      fill(RowBlock{first, count, block.data(), pixel_bytes});
      for (int32_t k = 0; k < count; ++k) {
        std::memcpy(next_output_row<bytes_per_pixel>(out, width).data(),
                    block.data() + k * pixel_bytes, pixel_bytes);
        after_row(first + k);
      }
    }
    return;
  }
  // The tasks pass through the row pipeline, written in order while later
  // ones are made: rows one by one in runs of a write block, or blocks as
  // whole runs.
  const size_t row_bytes =
      bytes_per_pixel == 3 ? static_cast<size_t>(row_bytes24(width)) : pixel_bytes;
  const size_t run_bytes = static_cast<size_t>(rows_per_task) * row_bytes;
  const PipelineShape shape =
      rows_per_task == 1
          ? row_by_row_shape(height, row_bytes)
          : PipelineShape{rows_per_task,
                          std::clamp<int64_t>(static_cast<int64_t>(band_bytes / run_bytes),
                                              int64_t{workers} + 2, 2 * int64_t{workers}),
                          true};
  pipeline_row_runs24(
      out, height, row_bytes, workers, shape, [](int32_t, std::span<uint8_t>) {},
      [](int32_t) { return 0; },
      [&] {
        return [&](const RowBlock& block, std::span<const int>) {
          fill(block);
          if (row_bytes == pixel_bytes) return;
          for (int32_t k = 0; k < block.count; ++k)
            zero_padding(block.row(k, row_bytes), pixel_bytes);
        };
      },
      after_row);
}

template <class Fill, class AfterRow>
void produce_row_blocks24(OutputFile& out, int32_t width, int32_t height, int32_t rows_per_task,
                          int64_t cost, const Fill& fill, const AfterRow& after_row) {
  produce_row_blocks<3>(out, width, height, rows_per_task, cost, fill, after_row);
}

// The same, one row at a time: fill_row(row, pixels) fills the 3 × width
// bytes of stored row `row`.
template <class FillRow, class AfterRow>
void produce_rows24(OutputFile& out, int32_t width, int32_t height, int64_t cost,
                    const FillRow& fill_row, const AfterRow& after_row) {
  const size_t pixel_bytes = static_cast<size_t>(3 * int64_t{width});
  produce_row_blocks24(
      out, width, height, 1, cost,
      [&](const RowBlock& block) { fill_row(block.first, block.row(0, pixel_bytes)); }, after_row);
}

// produce_rows24 for rows that carry state from one to the next (a random
// sequence drawn in stored order): start(row) is called for every row on the
// calling thread, bottom first, and gives the context with which
// fill_row(row, pixels, context) makes the row on its own, on any thread,
// while the calling thread writes the rows done (pipeline_rows24).
template <class Start, class FillRow, class AfterRow>
void produce_rows24_in_order(OutputFile& out, int32_t width, int32_t height, int64_t cost,
                             const Start& start, const FillRow& fill_row,
                             const AfterRow& after_row) {
  using Context = decltype(start(int32_t{0}));
  const size_t pixel_bytes = static_cast<size_t>(3 * int64_t{width});
  if (pixel_bytes == 0) {  // rows without pixels: only their progress
    for (int32_t r = 0; r < height; ++r) after_row(r);
    return;
  }
  const unsigned workers = worker_count(cost * height);
  if (workers <= 1) {
    for (int32_t r = 0; r < height; ++r) {
      Context context = start(r);
      fill_row(r, next_row24(out, width), context);
      after_row(r);
    }
    return;
  }
  pipeline_rows24(
      out, height, static_cast<size_t>(row_bytes24(width)), workers,
      [](int32_t, std::span<uint8_t>) {}, start,
      [&](int32_t r, std::span<uint8_t> row, Context& context) {
        fill_row(r, row.first(pixel_bytes), context);
        zero_padding(row, pixel_bytes);
      },
      after_row);
}

}  // namespace bmp
