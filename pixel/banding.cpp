// banding: sine bands from a grey image, each pixel's blue byte read as an
// angle (255 a full turn) shifted by frame part of a cycle of whole frames.
// Form: banding Infile Outfile whole part.
#include "pixel/banding.hpp"

#include <cmath>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/formulas.hpp"
#include "core/messages.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int banding_forms[] = {5};
constexpr std::string_view banding_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile 全体 部分\n",
    "\n",
    "---類似COMMAND ---\n",
    "BANDING  --- モノクロ用\n",
    "BANDING_RGB --- カラー用(実験的)\n",
    "\n",
};

constexpr ToolSpec banding_spec{
    .title = "BANDING UTILITY (BMP FILE VERSION)\n",
    .usage = banding_usage,
    .warning = Warning::for_bmp,
    .forms = banding_forms,
};

// The blue byte's band level written to all three bytes of each pixel.
void band_pixels(std::span<uint8_t> pixels, const ByteTable& table) {
  uint8_t* p = pixels.data();
  const size_t count = pixels.size() / 3;
  for (size_t i = 0; i < count; ++i, p += 3) p[0] = p[1] = p[2] = table[p[0]];
}

void banding(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const double whole = finite_arg_real(run, 3);
  const double part = finite_arg_real(run, 4);
  // A whole of 0, or one so small that 360 / whole overflows, leaves no angle.
  if (!std::isfinite(banding_phase(whole, part))) {
    fail(Channel::out, msg::no_phase, run.arg(3).c_str(), run.arg(4).c_str());
  }
  const ByteTable table = banding_table(whole, part);
  ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  write_bmp24_header(*out, image.width, image.height);
  rewrite_rows24(
      *in, image, *out, [&](int, int, std::span<uint8_t> pixels) { band_pixels(pixels, table); },
      [](int) {});
  // One progress line, after the last row, with the number of rows.
  report_progress(run.console(), image.height);
  out->commit();
}

}  // namespace

// 360 / whole first, then times part.
double banding_phase(double whole, double part) { return 360 / whole * part; }

// Level b is the angle b × 360/255 degrees (the constant as written), less
// the phase, turned to radians with the suite's pi.
ByteTable banding_table(double whole, double part) {
  const double phase = banding_phase(whole, part);
  return make_byte_table([phase](int b) {
    const double x = b * 1.411764705882353 - phase;
    return truncate_toward_zero(std::sin(x * PI_LITERAL / 180) * 127 + 128);
  });
}

int run_banding(std::span<const std::string_view> args) {
  return run_tool(banding_spec, args, banding);
}

}  // namespace bmp
