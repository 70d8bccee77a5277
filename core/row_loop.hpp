// The row loop of the streaming tools: stored rows from the bottom, read in
// large blocks, each turned into an output row of the same width.
#pragma once

#include <cstdint>
#include <span>

#include "bmp_io.hpp"

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

}  // namespace bmp
