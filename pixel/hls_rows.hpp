// The row loop of the HLS tools: every pixel converted in reading order
// (stored row 0 first, left to right) through a conversion that remembers the
// hue of the last coloured pixel. On a large image the rows are read in
// batches and shared among threads; each thread's stretch starts from the
// last coloured pixel before it, whose hue a single pass would remember
// there (a coloured pixel's hue depends on its own bytes alone), so the bytes
// are those of one pass.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/files.hpp"
#include "core/parallel.hpp"
#include "core/row_loop.hpp"
#include "pixel/hls.hpp"

namespace bmp {

// The rows read and shared out at a time, and the pixels a thread takes.
inline constexpr int64_t hls_batch_bytes = int64_t{1} << 20;
inline constexpr int64_t hls_stretch_pixels = 8192;

// A pixel not grey (its three bytes not all equal), or none.
struct ColourSeed {
  bool found = false;
  uint8_t bgr[3] = {0, 0, 0};

  // A conversion that remembers what one pass would remember after this pixel.
  HlsConversion conversion() const {
    HlsConversion made;
    if (found) made.rgb_to_hls(byte_units[bgr[2]], byte_units[bgr[1]], byte_units[bgr[0]]);
    return made;
  }
};

// The last coloured pixel of `pixels` (whole pixels), or none.
inline ColourSeed last_colour(std::span<const uint8_t> pixels) {
  for (size_t at = pixels.size(); at >= 3; at -= 3) {
    const uint8_t* p = &pixels[at - 3];
    if (p[0] != p[1] || p[1] != p[2]) return ColourSeed{true, {p[0], p[1], p[2]}};
  }
  return ColourSeed{};
}

// For each stored row r, bottom first: rewrite(r, column, pixels, conversion)
// rewrites the pixel bytes in place (starting at `column`) for an output of
// the same size, converting through `conversion`; then after_row(r).
template <class Rewrite, class AfterRow>
void rewrite_rows_in_reading_order(const InputFile& in, const ImageLayout& image, OutputFile& out,
                                   const Rewrite& rewrite, AfterRow after_row) {
  const int64_t width = image.width;
  const int64_t row_bytes = image.row_bytes;
  const unsigned workers = worker_count(width * image.height);
  if (workers == 1 || row_bytes == 0 || row_bytes > hls_batch_bytes) {
    HlsConversion conversion;
    rewrite_rows24(
        in, image, out,
        [&](int32_t r, int32_t column, std::span<uint8_t> pixels) {
          rewrite(r, column, pixels, conversion);
        },
        after_row);
    return;
  }
  const size_t pixel_bytes = static_cast<size_t>(3 * width);
  const int64_t batch_rows = std::min<int64_t>(hls_batch_bytes / row_bytes, image.height);
  const int64_t stretch_rows = std::max<int64_t>(1, hls_stretch_pixels / width);
  std::vector<uint8_t> batch(static_cast<size_t>(batch_rows * row_bytes));
  std::vector<ColourSeed> seeds;
  ColourSeed before;  // the last coloured pixel of the batches done
  auto row_at = [&](int64_t i) {
    return std::span<uint8_t>(batch.data() + i * row_bytes, pixel_bytes);
  };
  for (int64_t first = 0; first < image.height; first += batch_rows) {
    const int64_t rows = std::min(batch_rows, image.height - first);
    const std::span<uint8_t> block(batch.data(), static_cast<size_t>(rows * row_bytes));
    in.read_at(static_cast<uint64_t>(image.offset(first, 0)), block);
    // Each stretch's seed, found before any pixel of the batch changes.
    const int64_t stretches = (rows + stretch_rows - 1) / stretch_rows;
    seeds.assign(static_cast<size_t>(stretches), ColourSeed{});
    for (int64_t s = 0; s < stretches; ++s) {
      seeds[static_cast<size_t>(s)] = before;
      const int64_t end = std::min(rows, (s + 1) * stretch_rows);
      for (int64_t i = end - 1; i >= s * stretch_rows; --i) {
        const ColourSeed found = last_colour(row_at(i));
        if (found.found) {
          before = found;
          break;
        }
      }
    }
    share_out(stretches, 1, workers, [&](int64_t s) {
      HlsConversion conversion = seeds[static_cast<size_t>(s)].conversion();
      const int64_t end = std::min(rows, (s + 1) * stretch_rows);
      for (int64_t i = s * stretch_rows; i < end; ++i) {
        rewrite(static_cast<int32_t>(first + i), int32_t{0}, row_at(i), conversion);
        std::fill(batch.begin() + static_cast<ptrdiff_t>(i * row_bytes) +
                      static_cast<ptrdiff_t>(pixel_bytes),
                  batch.begin() + static_cast<ptrdiff_t>((i + 1) * row_bytes), uint8_t{0});
      }
    });
    out.write(block);
    for (int64_t i = 0; i < rows; ++i) after_row(static_cast<int32_t>(first + i));
  }
}

}  // namespace bmp
