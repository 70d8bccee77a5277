// patch: copies a 24-bit image with one axis-aligned rectangle filled with a
// colour or grey level, mixed by a transparency (0 paints, 100 keeps).
// Forms: INFILE OUTFILE X_SIZE2 Y_SIZE2 X_ORIGIN Y_ORIGIN R G B (trans), or
// ... X_ORIGIN Y_ORIGIN mono (trans).
#include "draw/patch.hpp"

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"
#include "draw/rectangle.hpp"

namespace bmp {
namespace {

constexpr int patch_forms[] = {8, 9, 10, 11};
constexpr int patch_lone_counts[] = {2};
constexpr std::string_view patch_usage[] = {
    "\n",
    "USAGE: COMMAND INFILE OUTFILE X_SIZE2 Y_SIZE2 X_ORIGIN Y_ORIGIN R G B (trans)\n",
    "       COMMAND INFILE OUTFILE X_SIZE2 Y_SIZE2 X_ORIGIN Y_ORIGIN mono (trans)\n",
    "\n",
};

constexpr ToolSpec patch_spec{
    .title = "PATCH UTILITY(BMP FILE VERSION)\n",
    .usage = patch_usage,
    .warning = Warning::for_bmp,
    .forms = patch_forms,
    .lone = LoneArgument::blank_warning,
    .lone_counts = patch_lone_counts,
};

struct PatchArgs {
  Region region;
  int blue = 0;  // whole numbers, not reduced to bytes before the mix
  int green = 0;
  int red = 0;
  double trans = 0;
};

PatchArgs parse_patch_args(const Run& run) {
  PatchArgs args;
  args.region = {arg_int(run.arg(3)), arg_int(run.arg(4)), arg_int(run.arg(5)),
                 arg_int(run.arg(6))};
  if (run.count() >= 10) {
    args.red = arg_trunc(run.arg(7));
    args.green = arg_trunc(run.arg(8));
    args.blue = arg_trunc(run.arg(9));
    if (run.count() == 11) args.trans = arg_real(run.arg(10));
  } else {  // 8 and 9: one grey level
    args.red = args.green = args.blue = arg_trunc(run.arg(7));
    if (run.count() == 9) args.trans = arg_real(run.arg(8));
  }
  return args;
}

void patch(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const PatchArgs args = parse_patch_args(run);
  Console& console = run.console();
  const ImageLayout image = read_bmp_header(*in, console, HeaderCheck{});
  write_bmp24_header(*out, image.width, image.height);

  const PixelRect rect = place_region(args.region, image.width, image.height).covered;
  const TransparencyMix mix(args.trans);
  const double colour[3] = {double(args.blue), double(args.green), double(args.red)};
  rewrite_rows24(
      *in, image, *out,
      [&](int y, int column, std::span<uint8_t> pixels) {
        std::span<uint8_t> covered = covered_pixels(rect, y, column, pixels).pixels;
        for (size_t i = 0; i < covered.size(); i += 3) {
          // trunc(in × m + colour × k), stored as its low 8 bits.
          for (int c = 0; c < 3; ++c) {
            covered[i + c] = static_cast<uint8_t>(mix(covered[i + c], colour[c]));
          }
        }
      },
      [&](int y) { report_progress(console, y); });

  console.write("\n");
  size_report(console, SizeReport::star, image.width, image.height);
  size_report(console, SizeReport::star, args.region.width, args.region.height);
  console.write("\n");
  out->commit();
}

}  // namespace

int run_patch(std::span<const std::string_view> args) { return run_tool(patch_spec, args, patch); }

}  // namespace bmp
