// ramp_over: lays `ramp`'s gradient, generated for a region's own size, over
// that region of a 24-bit image with a transparency (0 replaces, 100 keeps).
// Forms after Infile Outfile X_size Y_size X_ori Y_ori R1 G1 B1: nothing or
// (trans) for one colour; R2 G2 B2 角度 flag [start end] (trans) for two.
#include "draw/ramp_over.hpp"

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/row_loop.hpp"
#include "core/temp_files.hpp"
#include "core/tool_frame.hpp"
#include "draw/gradient.hpp"
#include "draw/rectangle.hpp"

namespace bmp {
namespace {

constexpr int ramp_over_forms[] = {10, 11, 15, 16, 17, 18};
constexpr std::string_view ramp_over_usage[] = {
    "\n",
    "USAGE: COMMAND Infile Outfile X_size Y_size X_ori Y_ori R1 G1 B1 R2 G2 B2\n",
    "\t\t\t\t\t\t角度 flag start end (trans)\n",
    "       COMMAND Infile Outfile X_size Y_size X_ori Y_ori R1 G1 B1 R2 G2 B2\n",
    "\t\t\t\t\t\t角度 flag (trans)\n",
    "       COMMAND Infile Outfile X_size Y_size X_ori Y_ori R1 G1 B1 (trans)\n",
    "\n",
    curve_table_to_flag_6,
    ramp_over_curve_flag_7,
    "\n",
};

constexpr ToolSpec ramp_over_spec{
    .title = "RAMP_OVER UTILITY(for BMP FILE VERSION)\n",
    .usage = ramp_over_usage,
    .warning = Warning::for_bmp,
    .forms = ramp_over_forms,
};

struct RampOverArgs {
  Region region;
  Gradient gradient;
  double trans = 0;
};

// Colour 2, the degree and the flag of the two-colour forms.
void two_colour_args(const Run& run, Gradient& g) {
  g.colour2 = colour_args(run, 10);
  g.degree = arg_real(run.arg(13));
  g.flag = arg_real(run.arg(14));
}

RampOverArgs parse_ramp_over_args(const Run& run) {
  RampOverArgs args;
  args.region = {arg_int(run.arg(3)), arg_int(run.arg(4)), arg_int(run.arg(5)),
                 arg_int(run.arg(6))};
  Gradient& g = args.gradient;
  g.colour1 = colour_args(run, 7);
  g.colour2 = g.colour1;
  switch (run.count()) {
    case 11:
      args.trans = arg_real(run.arg(10));
      break;
    case 16:
      args.trans = arg_real(run.arg(15));
      [[fallthrough]];
    case 15:
      two_colour_args(run, g);
      break;
    case 18:
      args.trans = arg_real(run.arg(17));
      [[fallthrough]];
    case 17:
      two_colour_args(run, g);
      g.start = arg_real(run.arg(15));
      g.end = arg_real(run.arg(16));
      break;
    default:  // 10: one colour, no transparency
      break;
  }
  return args;
}

// Blends the gradient into the pixels of stored row y of the image that start
// at column `column`. Each pixel of the region that lies inside the image
// takes the gradient pixel at its own place in the region, so a region partly
// outside is clipped, never shifted.
void lay_gradient(std::span<uint8_t> pixels, int64_t y, int64_t column, const Placement& at,
                  std::span<const uint8_t> gradient, const TransparencyMix& mix) {
  const CoveredPixels covered = covered_pixels(at.covered, y, column, pixels);
  if (covered.pixels.empty()) return;
  const uint8_t* grad =
      gradient.data() +
      pixel_offset(y - at.first_row, covered.first_column - at.first_column, at.width);
  for (size_t i = 0; i < covered.pixels.size(); ++i) {
    // trunc(in × m + grad × (1 - m)), stored as its low 8 bits.
    covered.pixels[i] = static_cast<uint8_t>(mix(covered.pixels[i], grad[i]));
  }
}

void ramp_over(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  RampOverArgs args = parse_ramp_over_args(run);
  Console& console = run.console();
  args.gradient.power = read_power_constant(args.gradient.flag, console);
  const ImageLayout image = read_bmp_header(*in, console, HeaderCheck{});

  // Pass 1: the gradient of the region's own size into temp0000.bmp. A
  // region of negative size covers nothing: its gradient has no pixels.
  const Placement at = place_region(args.region, image.width, image.height);
  TempFileChain temps;
  {
    auto temp = temps.create(0);
    write_bmp24_header(*temp, at.width, at.height);
    write_gradient_rows(args.gradient, at.width, at.height, *temp, console);
    temp->commit();
  }

  // Pass 2: the image, with the region blended.
  auto gradient = temps.open(0);
  std::span<const uint8_t> gradient_bytes = gradient->bytes();
  write_bmp24_header(*out, image.width, image.height);
  const TransparencyMix mix(args.trans);
  rewrite_rows24(
      *in, image, *out,
      [&](int y, int column, std::span<uint8_t> pixels) {
        lay_gradient(pixels, y, column, at, gradient_bytes, mix);
      },
      [&](int y) { report_progress(console, y); });

  console.write("\n");
  size_report(console, SizeReport::star, image.width, image.height);
  size_report(console, SizeReport::star, args.region.width, args.region.height);
  console.write("\n");
  out->commit();
  temps.delete_temp_files();
}

}  // namespace

int run_ramp_over(std::span<const std::string_view> args) {
  return run_tool(ramp_over_spec, args, ramp_over);
}

}  // namespace bmp
