#include "composite/overlay.hpp"

namespace bmp {

OverlayFiles open_overlay_files(const Run& run) {
  OverlayFiles files;
  files.background_file = run.open_input(1, CantOpen::source_file);
  files.overlay_file = run.open_input(2, CantOpen::source_file);
  files.out = run.create_output(3, CantOpen::source_file);
  return files;
}

void read_overlay_headers(const Run& run, OverlayFiles& files, int overlay_bit_count) {
  files.background = read_bmp_header(
      *files.background_file, run.console(),
      HeaderCheck{.magic = false, .line = SizeLine::infile, .index = 1, .bit_count = 24});
  files.overlay = read_bmp_header(
      *files.overlay_file, run.console(),
      HeaderCheck{
          .magic = false, .line = SizeLine::infile, .index = 2, .bit_count = overlay_bit_count});
}

OverlayPlacement place_overlay(const ImageLayout& background, const ImageLayout& overlay,
                               int32_t x_ori, int32_t y_ori) {
  OverlayPlacement at;
  at.x_ori = x_ori;
  at.d = int64_t{background.height} - overlay.height - y_ori;
  at.first_column = std::max<int64_t>(0, x_ori);
  at.end_column = std::min<int64_t>(background.width, int64_t{x_ori} + overlay.width);
  at.first_row = std::max<int64_t>(0, at.d);
  at.end_row = std::min<int64_t>(background.height, at.d + overlay.height);
  at.skipped_rows = at.d < 0 ? -at.d : 0;
  return at;
}

void report_skipped_rows(Console& console, const OverlayPlacement& at, const ImageLayout& overlay) {
  if (at.d >= 0) return;
  console.print("rr = %ld--------------------------------------\n",
                static_cast<long>(overlay.data_offset + at.skipped_rows * overlay.row_bytes));
}

CompositeTable::CompositeTable(int weight) {
  for (int colour = 0; colour < 256; ++colour) {
    for (int background = 0; background < 256; ++background) {
      table_[size_t(colour) << 8 | size_t(background)] =
          static_cast<uint8_t>(transparency_composite(colour, background, weight));
    }
  }
}

}  // namespace bmp
