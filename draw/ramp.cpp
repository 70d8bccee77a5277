// ramp: a new 24-bit image of a given size filled with a gradient from colour 2
// to colour 1 along a direction in degrees, shaped by a curve and placed in a
// band. Forms: Filename X_size Y_size R1 G1 B1 R2 G2 B2 [degree [Flag [start end]]].
#include "draw/ramp.hpp"

#include "core/bmp_io.hpp"
#include "core/tool_frame.hpp"
#include "draw/gradient.hpp"

namespace bmp {
namespace {

constexpr int ramp_forms[] = {10, 11, 12, 14};
constexpr int ramp_lone_counts[] = {2};
constexpr std::string_view ramp_usage[] = {
    "\n",
    "USAGE: COMMAND Filename X_size Y_size R1 G1 B1 R2 G2 B2\n",
    "       COMMAND Filename X_size Y_size R1 G1 B1 R2 G2 B2 degree\n",
    "       COMMAND Filename X_size Y_size R1 G1 B1 R2 G2 B2 degree Flag\n",
    "       COMMAND Filename X_size Y_size R1 G1 B1 R2 G2 B2 degree Flag start(%) end(%)\n",
    "\n",
    curve_table_to_flag_6,
    ramp_curve_flag_7,
    "\n",
};

constexpr ToolSpec ramp_spec{
    .title = "RAMP UTILITY(for BMP FILE VERSION)\n",
    .usage = ramp_usage,
    .warning = Warning::for_bmp,
    .forms = ramp_forms,
    .lone = LoneArgument::blank_wrong_paramater,
    .lone_counts = ramp_lone_counts,
};

struct RampArgs {
  int32_t width = 0;
  int32_t height = 0;
  Gradient gradient;
};

RampArgs parse_ramp_args(const Run& run) {
  RampArgs args;
  args.width = arg_int(run.arg(2));
  args.height = arg_int(run.arg(3));
  args.gradient.colour1 = colour_args(run, 4);
  args.gradient.colour2 = colour_args(run, 7);
  Gradient& g = args.gradient;
  switch (run.count()) {
    case 14:
      g.start = arg_real(run.arg(12));
      g.end = arg_real(run.arg(13));
      [[fallthrough]];
    case 12:
      g.flag = arg_real(run.arg(11));
      [[fallthrough]];
    case 11:
      g.degree = arg_real(run.arg(10));
      break;
    default:  // 10: degree 0, Flag 0, start 0, end 100
      break;
  }
  return args;
}

void ramp(Run& run) {
  auto out = run.create_output(1, CantOpen::source_file);
  RampArgs args = parse_ramp_args(run);
  args.gradient.power = read_power_constant(args.gradient.flag, run.console());
  write_bmp24_header(*out, args.width, args.height);
  write_gradient_rows(args.gradient, args.width, args.height, *out, run.console());
  run.console().write("\n");
  size_report(run.console(), SizeReport::star, args.width, args.height);
  run.console().write("\n");
  out->commit();
}

}  // namespace

int run_ramp(std::span<const std::string_view> args) { return run_tool(ramp_spec, args, ramp); }

}  // namespace bmp
