// stretch: contrast about mid-grey, each colour byte v through its channel's
// factor c. Forms: stretch Infile Outfile MOD (one factor for all three
// channels), stretch Infile Outfile R-mod G-mod B-mod.
#include "pixel/stretch.hpp"

#include <algorithm>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"
#include "pixel/point_tables.hpp"

namespace bmp {
namespace {

constexpr int stretch_forms[] = {4, 6};
constexpr std::string_view stretch_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile MOD\n",
    "       Command Infile Outfile R-mod G-mod B-mod\n",
    "\n",
};

constexpr ToolSpec stretch_spec{
    .title = "STRETCH UTILITY BMP FILE VERSION\n",
    .usage = stretch_usage,
    .warning = Warning::for_bmp,
    .forms = stretch_forms,
};

void stretch(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  double red, green, blue;
  if (run.count() == 4) {
    red = green = blue = finite_arg_real(run, 3);
  } else {
    red = finite_arg_real(run, 3);
    green = finite_arg_real(run, 4);
    blue = finite_arg_real(run, 5);
  }
  const ChannelTables tables{stretch_table(blue), stretch_table(green), stretch_table(red)};
  ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  write_bmp24_header(*out, image.width, image.height);
  rewrite_rows24(
      *in, image, *out,
      [&](int, int, std::span<uint8_t> pixels) { apply_channel_tables(pixels, tables); },
      [&](int row) { report_progress(run.console(), row); });
  out->commit();
}

}  // namespace

// v × c first, then the constant term ((c - 1) × 255, then halved), then the
// truncation: c × (v - 127.5) + 127.5 would differ by a level at some factors.
// Both branches clamp, so factors below -1 give black and white too.
ByteTable stretch_table(double c) {
  return make_byte_table([c](int v) {
    const int t = c >= 1.0 ? truncate_toward_zero(v * c - (c - 1) * 255 / 2)
                           : truncate_toward_zero(v * c + (1 - c) * 255 / 2);
    return std::clamp(t, 0, 255);
  });
}

int run_stretch(std::span<const std::string_view> args) {
  return run_tool(stretch_spec, args, stretch);
}

}  // namespace bmp
