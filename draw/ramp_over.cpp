// ramp_over: lays `ramp`'s gradient, generated for a region's own size, over
// that region of a 24-bit image with a transparency (0 replaces, 100 keeps).
// Forms after Infile Outfile X_size Y_size X_ori Y_ori R1 G1 B1: nothing or
// (trans) for one colour; R2 G2 B2 角度 flag [start end] (trans) for two.
#include "draw/ramp_over.hpp"

#include <optional>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/parallel.hpp"
#include "core/processor.hpp"
#include "core/row_loop.hpp"
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

// The region's gradient is a whole image of the region's size, known by the
// name of the suite's first temporary image: one that would not fit a
// file's size fields is refused by that name.
constexpr const char* gradient_image_name = "temp0000.bmp";

// The gradient bytes of a row piece, kept by each thread from row to row.
std::span<uint8_t> gradient_scratch(size_t n) {
  thread_local std::vector<uint8_t> bytes;
  if (bytes.size() < n) bytes.resize(n);
  return {bytes.data(), n};
}

// trunc(in × m + grad × (1 - m)) for each byte, stored as its low 8 bits.
BMP_VECTOR_CLONES void blend(const TransparencyMix& mix, const uint8_t* __restrict grad,
                             uint8_t* __restrict pixels, size_t n) {
  for (size_t i = 0; i < n; ++i) pixels[i] = static_cast<uint8_t>(mix(pixels[i], grad[i]));
}

// Blends the gradient into the pixels of stored row y of the image that start
// at column `column`. Each pixel of the region that lies inside the image
// takes the gradient pixel at its own place in the region, so a region partly
// outside is clipped, never shifted; only those pixels of the gradient are
// made.
void lay_gradient(std::span<uint8_t> pixels, int64_t y, int64_t column, const Placement& at,
                  const GradientRows& rows, const TransparencyMix& mix) {
  const CoveredPixels covered = covered_pixels(at.covered, y, column, pixels);
  if (covered.pixels.empty()) return;
  std::span<uint8_t> grad = gradient_scratch(covered.pixels.size());
  rows.fill(static_cast<int32_t>(y - at.first_row),
            static_cast<int32_t>(covered.first_column - at.first_column), grad);
  blend(mix, grad.data(), covered.pixels.data(), grad.size());
}

// The two passes in one: the first pass's checks and progress lines come
// where it would run, and each pixel of the gradient inside the image is
// made where the second pass lays it, on the image's row.
void ramp_over(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  RampOverArgs args = parse_ramp_over_args(run);
  Console& console = run.console();
  args.gradient.power = read_power_constant(args.gradient.flag, console);
  const ImageLayout image = read_bmp_header(*in, console, HeaderCheck{});

  // Pass 1: the gradient of the region's own size. A region of negative size
  // covers nothing: its gradient has no pixels.
  const Placement at = place_region(args.region, image.width, image.height);
  check_bmp24_size(at.width, at.height, gradient_image_name);
  const std::optional<GradientRows> rows = gradient_rows(args.gradient, at.width, at.height);
  for (int32_t y = 0; y < at.height; ++y) report_progress(console, y);

  // Pass 2: the image, with the region blended.
  write_bmp24_header(*out, image.width, image.height);
  const TransparencyMix mix(args.trans);
  rewrite_rows24_shared(
      *in, image, *out, worker_count(at.covered.rows.size() * at.covered.columns.size()),
      [](int32_t) { return 0; },
      [&](int32_t y, int32_t column, std::span<uint8_t> pixels, int) {
        if (rows) lay_gradient(pixels, y, column, at, *rows, mix);
      },
      [&](int32_t y) { report_progress(console, y); });

  console.write("\n");
  size_report(console, SizeReport::star, image.width, image.height);
  size_report(console, SizeReport::star, args.region.width, args.region.height);
  console.write("\n");
  out->commit();
}

}  // namespace

int run_ramp_over(std::span<const std::string_view> args) {
  return run_tool(ramp_over_spec, args, ramp_over);
}

}  // namespace bmp
