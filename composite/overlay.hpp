// The shared frame of the overlay compositing tools: where the overlay lands
// on the 24-bit background, the overlay rows it skips, and one pass over the
// background that hands each covered run of pixels, with the overlay pixels
// over it, to the tool's mix.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/image_rows.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"

namespace bmp {

// The two lines of the family list in both tools' usage.
inline constexpr std::string_view alpha_family_list[] = {
    "MATTE_BLEND ---- α合成 位置移動 透過  (BMP)\n",
    "KEY_BLEND --- RGB合成 位置移動 透過(指定色抜き) (BMP)\n",
};

// A run's files, opened in argument order, and both headers read: the 24-bit
// background INFILE1 and the overlay INFILE2 (24-bit, or a 4-byte file for
// bit count 32), neither tested for its signature.
struct OverlayFiles {
  std::unique_ptr<InputFile> background_file;
  std::unique_ptr<InputFile> overlay_file;
  std::unique_ptr<OutputFile> out;
  ImageLayout background;
  ImageLayout overlay;
};
OverlayFiles open_overlay_files(const Run& run);
void read_overlay_headers(const Run& run, OverlayFiles& files, int overlay_bit_count);

// The overlay's place, in 64 bits: any position and size works.
struct OverlayPlacement {
  int64_t x_ori = 0;
  // `d`: the background's stored row on which the overlay's bottom row lands.
  int64_t d = 0;
  // The covered background columns [first_column, end_column) and stored rows
  // [first_row, end_row); empty ranges where the overlay lies outside.
  int64_t first_column = 0, end_column = 0;
  int64_t first_row = 0, end_row = 0;
  // The overlay's stored rows below the background, never read.
  int64_t skipped_rows = 0;
  int64_t covered_rows() const { return std::max<int64_t>(0, end_row - first_row); }
};

// X_ORI counts from the left edge, Y_ORI from the top edge to the overlay's
// top row.
OverlayPlacement place_overlay(const ImageLayout& background, const ImageLayout& overlay,
                               int32_t x_ori, int32_t y_ori);

// The "rr" line, printed whenever the overlay reaches below the background,
// with the file offset of the first overlay row that can be used.
void report_skipped_rows(Console& console, const OverlayPlacement& at, const ImageLayout& overlay);

// trunc((c × (255 − T) + b × T) / 255) as its low 8 bits, for every colour c
// and background b, with T fixed for the run.
class CompositeTable {
 public:
  explicit CompositeTable(int weight);
  uint8_t operator()(uint8_t colour, uint8_t background) const {
    return table_[size_t{colour} << 8 | background];
  }

 private:
  std::array<uint8_t, 256 * 256> table_{};
};

// The background streamed once, each covered overlay row read once: for every
// covered run of pixels mix(overlay, background, pixels) rewrites `pixels`
// background pixels (blue, green, red) in place from the overlay pixels (in
// the overlay file's own layout) over them. Then row_done(row).
template <class Mix>
void lay_overlay(const InputFile& background_file, const ImageLayout& background,
                 const InputFile& overlay_file, const ImageLayout& overlay,
                 const OverlayPlacement& at, OutputFile& out, const Mix& mix,
                 const RowDone& row_done) {
  std::optional<RowReader> overlay_rows;
  if (at.covered_rows() > 0) {
    overlay_rows.emplace(overlay_file, static_cast<uint64_t>(overlay.offset(at.skipped_rows, 0)),
                         static_cast<size_t>(overlay.row_bytes), at.covered_rows());
  }
  std::span<const uint8_t> overlay_row;
  auto blend = [&](int32_t row, int32_t column, std::span<uint8_t> pixels) {
    if (row < at.first_row || row >= at.end_row) return;
    if (column == 0) overlay_row = overlay_rows->next();
    const int64_t begin = std::max<int64_t>(at.first_column, column);
    const int64_t end =
        std::min<int64_t>(at.end_column, column + static_cast<int64_t>(pixels.size() / 3));
    if (begin >= end) return;
    mix(overlay_row.data() + (begin - at.x_ori) * overlay.bytes_per_pixel,
        pixels.data() + (begin - column) * 3, static_cast<size_t>(end - begin));
  };
  rewrite_rows24(background_file, background, out, blend, row_done);
}

// The rest of a run once the headers are read: the output header, the "rr"
// line, the rows with their progress, and the output kept.
template <class Mix>
void blend_overlay(const Run& run, OverlayFiles& files, int32_t x_ori, int32_t y_ori,
                   const Mix& mix) {
  write_bmp24_header(*files.out, files.background.width, files.background.height);
  const OverlayPlacement at = place_overlay(files.background, files.overlay, x_ori, y_ori);
  report_skipped_rows(run.console(), at, files.overlay);
  lay_overlay(*files.background_file, files.background, *files.overlay_file, files.overlay, at,
              *files.out, mix, [&](int32_t row) { report_progress(run.console(), row); });
  files.out->commit();
}

}  // namespace bmp
