// twirl32: twirl for the suite's 4-byte files, the alpha byte carried through
// the canvas and averaged like the colours. Forms: twirl32 Infile Outfile
// kaiten flag R G B α Flag2 (the outside in one colour and alpha) and
// twirl32 Infile Outfile kaiten flag Flag2 (the outside repeats the edges).
#include "geometry/twirl32.hpp"

#include "geometry/twirl_run.hpp"

namespace bmp {
namespace {

constexpr int twirl32_forms[] = {6, 10};
constexpr int twirl32_lone_counts[] = {2};
constexpr std::string_view twirl32_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile kaiten flag R G B α Flag2 --- 単色\n",
    "       Command Infile Outfile kaiten flag Flag2 --------- edge color\n",
    "\n",
    "--- Flag ---\t\t--- Flag2 ---\n",
    "0 ---- with anti\t0 ---- origin size\n",
    "1 ---- no anti\t\t1 ---- auto size\n",
    "\n",
};

constexpr ToolSpec twirl32_spec{
    .title = "TWIRL32 UTILITY (BMP4 FILE VERSION)\n",
    .usage = twirl32_usage,
    .warning = Warning::bmp,
    .forms = twirl32_forms,
    .lone = LoneArgument::wrong_paramater,
    .lone_counts = twirl32_lone_counts,
};

// Unlike twirl's flag: only 1 selects one sample, every other value eight.
RotationKernel twirl32_kernel(int flag) { return flag == 1 ? rotate_nearest32 : rotate_aa8_32; }

TwirlRequest parse_twirl32(const Run& run) {
  TwirlRequest request;
  request.file = TwirlFile::four_byte;
  request.kaiten = arg_int(run.arg(3));
  request.kernel = twirl32_kernel(arg_int(run.arg(4)));
  switch (run.count()) {
    case 10:
      request.solid = FillColour::of(arg_int(run.arg(5)), arg_int(run.arg(6)), arg_int(run.arg(7)),
                                     arg_int(run.arg(8)));
      request.size = size_mode_of(arg_int(run.arg(9)));
      break;
    default:  // 6: edge colour
      request.size = size_mode_of(arg_int(run.arg(5)));
      break;
  }
  return request;
}

}  // namespace

int run_twirl32(std::span<const std::string_view> args) {
  return run_tool(twirl32_spec, args, [](Run& run) { twirl_run(run, parse_twirl32(run)); });
}

}  // namespace bmp
