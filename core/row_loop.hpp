// The row loop of the streaming tools: stored rows from the bottom, read in
// large blocks, each turned into an output row of the same width.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bmp_io.hpp"
#include "parallel.hpp"
#include "row_pipeline.hpp"

namespace bmp {

// For each stored row r of `image`, bottom first: transform(r, input pixels,
// output pixels) fills the 3 × width output bytes, whose `dm` zero bytes are
// written for it; then after_row(r). The input's own row-end bytes are skipped.
template <class Transform, class AfterRow>
void for_each_row24(const InputFile& in, const ImageLayout& image, OutputFile& out,
                    Transform transform, AfterRow after_row) {
  RowReader rows(in, static_cast<uint64_t>(image.data_offset), static_cast<size_t>(image.row_bytes),
                 image.height);
  const size_t pixel_bytes = static_cast<size_t>(3 * int64_t{image.width});
  for (int32_t r = 0; r < image.height; ++r) {
    std::span<const uint8_t> source = rows.next().first(pixel_bytes);
    transform(r, source, next_row24(out, image.width));
    after_row(r);
  }
}

// rewrite_rows24 (below) for rows longer than one block.
template <class Transform, class AfterRow>
void rewrite_long_rows24(const InputFile& in, const ImageLayout& image, OutputFile& out,
                         Transform transform, AfterRow after_row) {
  const int32_t piece_pixels = static_cast<int32_t>(stream_block_bytes / 3);
  std::vector<uint8_t> piece(static_cast<size_t>(piece_pixels) * 3);
  const uint8_t padding[3] = {0, 0, 0};
  for (int32_t r = 0; r < image.height; ++r) {
    for (int32_t column = 0; column < image.width; column += piece_pixels) {
      int32_t count = std::min(piece_pixels, image.width - column);
      std::span<uint8_t> pixels(piece.data(), static_cast<size_t>(count) * 3);
      in.read_at(static_cast<uint64_t>(image.offset(r, column)), pixels);
      transform(r, column, pixels);
      out.write(pixels);
    }
    out.write(std::span<const uint8_t>(padding, static_cast<size_t>(row_padding(image.width))));
    after_row(r);
  }
}

// For each stored row r of `image`, bottom first: transform(r, column, pixels)
// rewrites pixel bytes in place, starting at `column`, for an output of the
// same size; the `dm` zero bytes are set for it; then after_row(r). Blocks go
// from the read buffer straight to the output. A row longer than a block is
// handed over in pieces of whole pixels, so memory stays bounded whatever the
// width.
template <class Transform, class AfterRow>
void rewrite_rows24(const InputFile& in, const ImageLayout& image, OutputFile& out,
                    Transform transform, AfterRow after_row) {
  const size_t row_bytes = static_cast<size_t>(image.row_bytes);
  const size_t pixel_bytes = static_cast<size_t>(3 * int64_t{image.width});
  if (row_bytes > stream_block_bytes) {
    rewrite_long_rows24(in, image, out, transform, after_row);
    return;
  }
  if (row_bytes == 0) {  // a zero-wide image: rows without bytes
    for (int32_t r = 0; r < image.height; ++r) after_row(r);
    return;
  }
  RowReader rows(in, static_cast<uint64_t>(image.data_offset), row_bytes, image.height);
  int32_t r = 0;
  while (r < image.height) {
    std::span<uint8_t> block = rows.next_block();
    for (size_t at = 0; at < block.size(); at += row_bytes, ++r) {
      std::span<uint8_t> row = block.subspan(at, row_bytes);
      transform(r, int32_t{0}, row.first(pixel_bytes));
      std::fill(row.begin() + static_cast<ptrdiff_t>(pixel_bytes), row.end(), uint8_t{0});
      after_row(r);
    }
    out.write(block);
  }
}

// Rows longer than this are rewritten by rewrite_rows24_shared one after the
// other, in pieces.
inline constexpr size_t shared_run_bytes = size_t{4} << 20;

// rewrite_rows24 for transforms that may run on several rows at once. Each
// row first gets its context from start(r), called on the calling thread in
// row order (for what runs on from row to row, such as a random state); then
// transform(r, column, pixels, context) rewrites it, on up to `workers`
// threads at once, while the calling thread reads the rows ahead and writes
// those done (pipeline_rows24). Rows longer than shared_run_bytes, or one
// worker, go one after the other in pieces as in rewrite_rows24, one context
// for each row.
template <class Start, class Transform, class AfterRow>
void rewrite_rows24_shared(const InputFile& in, const ImageLayout& image, OutputFile& out,
                           unsigned workers, Start start, Transform transform, AfterRow after_row) {
  using Context = decltype(start(int32_t{0}));
  const size_t row_bytes = static_cast<size_t>(image.row_bytes);
  const size_t pixel_bytes = static_cast<size_t>(3 * int64_t{image.width});
  if (workers <= 1 || row_bytes == 0 || row_bytes > shared_run_bytes) {
    std::optional<Context> context;
    rewrite_rows24(
        in, image, out,
        [&](int32_t r, int32_t column, std::span<uint8_t> pixels) {
          if (column == 0) context.emplace(start(r));
          transform(r, column, pixels, *context);
        },
        after_row);
    return;
  }
  pipeline_rows24(
      out, image.height, row_bytes, workers,
      [&](int32_t first, std::span<uint8_t> rows) {
        in.read_at(static_cast<uint64_t>(image.offset(first, 0)), rows);
      },
      start,
      [&](int32_t r, std::span<uint8_t> row, Context& context) {
        transform(r, int32_t{0}, row.first(pixel_bytes), context);
        zero_padding(row, pixel_bytes);
      },
      after_row);
}

}  // namespace bmp
