// twirl: turns a 24-bit image by whole degrees (counter-clockwise for a
// positive angle) with one, four or eight sub-samples per pixel, keeping its
// size or growing to the turned picture. Forms: twirl Infile Outfile kaiten
// flag R G B Flag2 (the outside in one colour) and twirl Infile Outfile
// kaiten flag Flag2 (the outside repeats the edges).
#include "geometry/twirl.hpp"

#include "geometry/twirl_run.hpp"

namespace bmp {
namespace {

constexpr int twirl_forms[] = {6, 9};
constexpr int twirl_lone_counts[] = {2};
constexpr std::string_view twirl_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile kaiten flag R G B Flag2 --- 単色\n",
    "       Command Infile Outfile kaiten flag Flag2 --------- edge color\n",
    "\n",
    "--- Flag ---\t\t--- Flag2 ---\n",
    "0 ---- with anti(精細）\t0 ---- origin size\n",
    "1 ---- with anti\t0 ---- origin size\n",
    "2 ---- no anti\t\t1 ---- auto size\n",
    "\n",
};

constexpr ToolSpec twirl_spec{
    .title = "TWIRL UTILITY (BMP FILE VERSION)\n",
    .usage = twirl_usage,
    .warning = Warning::for_bmp,
    .forms = twirl_forms,
    .lone = LoneArgument::wrong_paramater,
    .lone_counts = twirl_lone_counts,
};

// flag 0: eight samples, 1: four, any other value: one.
RotationKernel twirl_kernel(int flag) {
  switch (flag) {
    case 0:
      return rotate_aa8;
    case 1:
      return rotate_aa4;
    default:
      return rotate_nearest;
  }
}

TwirlRequest parse_twirl(const Run& run) {
  TwirlRequest request;
  request.kaiten = arg_int(run.arg(3));
  request.kernel = twirl_kernel(arg_int(run.arg(4)));
  switch (run.count()) {
    case 9:
      request.solid = FillColour::of(arg_int(run.arg(5)), arg_int(run.arg(6)), arg_int(run.arg(7)));
      request.size = size_mode_of(arg_int(run.arg(8)));
      break;
    default:  // 6: edge colour
      request.size = size_mode_of(arg_int(run.arg(5)));
      break;
  }
  return request;
}

}  // namespace

int run_twirl(std::span<const std::string_view> args) {
  return run_tool(twirl_spec, args, [](Run& run) { twirl_run(run, parse_twirl(run)); });
}

}  // namespace bmp
