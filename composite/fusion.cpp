// fusion: a 24-bit colour image and a 24-bit mask of the same size merged into
// one 4-byte file whose alpha is the mask's grey level (or its inverse).
// Forms: fusion Infile1 Infile2 Outfile (flag).
#include "composite/fusion.hpp"

#include "composite/luma_table.hpp"
#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/messages.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int fusion_forms[] = {4, 5};
constexpr std::string_view fusion_usage[] = {
    "\n",
    "USAGE: Command Infile1(3-bite) Infile2(3-bite) Outfile(4-bite) (flag)\n",
    "\n",
    "---FLAG---\n",
    "0 or no ----- マスクは白が本体、黒が透過(Links LW)\n",
    "else -------- マスクは黒が本体、白が透過(VI)\n",
    "\n",
};

constexpr ToolSpec fusion_spec{
    .title = "PICTURE FUSION UTILITY (BMP FILE VERSION)\n",
    .usage = fusion_usage,
    .warning = Warning::for_bmp,
    .forms = fusion_forms,
};

// Which end of the mask's grey scale is the body (alpha 254 at most).
enum class MaskBody { white, black };

// One stored row: blue, green, red of the colour image and of the mask in,
// alpha, red, green, blue out.
void fuse_row(std::span<const uint8_t> colour, std::span<const uint8_t> mask,
              std::span<uint8_t> out, const LumaTable& luma, MaskBody body) {
  const uint8_t flip = body == MaskBody::white ? 0 : 255;
  const size_t pixels = out.size() / 4;
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* c = &colour[3 * i];
    const uint8_t* m = &mask[3 * i];
    uint8_t* o = &out[4 * i];
    o[0] = static_cast<uint8_t>(luma(m[2], m[1], m[0]) ^ flip);  // 255 - g, as g <= 254
    o[1] = c[2];
    o[2] = c[1];
    o[3] = c[0];
  }
}

void fusion(Run& run) {
  auto colour_file = run.open_input(1, CantOpen::source_file);
  auto mask_file = run.open_input(2, CantOpen::source_file);
  auto out = run.create_output(3, CantOpen::source_file);
  const MaskBody body =
      run.count() == 5 && arg_int(run.arg(4)) != 0 ? MaskBody::black : MaskBody::white;

  ImageLayout colour = read_bmp_header(
      *colour_file, run.console(),
      HeaderCheck{.magic = false, .line = SizeLine::infile, .index = 1, .bit_count = 24});
  ImageLayout mask = read_bmp_header(
      *mask_file, run.console(),
      HeaderCheck{.magic = false, .line = SizeLine::infile, .index = 2, .bit_count = 24});
  if (colour.width != mask.width || colour.height != mask.height) fail(msg::size_differs);
  check_bmp32_size(colour.width, colour.height, out->name());

  print_drive_number(run.console(), drive_number(run.arg(2)));
  file_size_report(run.console(), static_cast<long>(bmp32_file_size(colour.width, colour.height)));
  write_bmp32_header(*out, colour.width, colour.height);

  const LumaTable luma;
  const size_t pixel_bytes = static_cast<size_t>(3 * int64_t{colour.width});
  RowReader colour_rows(*colour_file, static_cast<uint64_t>(colour.data_offset),
                        static_cast<size_t>(colour.row_bytes), colour.height);
  RowReader mask_rows(*mask_file, static_cast<uint64_t>(mask.data_offset),
                      static_cast<size_t>(mask.row_bytes), mask.height);
  for (int32_t r = 0; r < colour.height; ++r) {
    std::span<const uint8_t> colour_row = colour_rows.next().first(pixel_bytes);
    std::span<const uint8_t> mask_row = mask_rows.next().first(pixel_bytes);
    fuse_row(colour_row, mask_row, out->reserve(static_cast<size_t>(row_bytes32(colour.width))),
             luma, body);
    report_progress(run.console(), r);
  }
  out->commit();
}

}  // namespace

int run_fusion(std::span<const std::string_view> args) {
  return run_tool(fusion_spec, args, fusion);
}

}  // namespace bmp
