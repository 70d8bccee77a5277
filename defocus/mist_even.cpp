// mist_even: a uniform blur of one real degree, run twice (the second time on
// the first result, through temp0000). Forms: DATA OUTFILE degree [flag].
#include "defocus/mist_even.hpp"

#include "core/bmp_io.hpp"
#include "core/tool_frame.hpp"
#include "defocus/defocus_frame.hpp"
#include "defocus/graded_blur.hpp"

namespace bmp {
namespace {

constexpr int mist_even_forms[] = {4, 5};
constexpr std::string_view mist_even_usage[] = {
    "\n", "COMMAND DATA(3-byte) OUTFILE(3-byte) ぼかし度(0.0 - size) (flag)\n",
    "\n", flag_table_edge_only,
    "\n", degree_note,
    "\n", defocus_family_list,
    "\n",
};

constexpr ToolSpec mist_even_spec{
    .title = "MIST_EVEN UTILITY (BMP FILE VERSION) (X_size < 10000)\n",
    .usage = mist_even_usage,
    .warning = Warning::for_bmp,
    .forms = mist_even_forms,
};

struct MistEvenArgs {
  double degree = 0;
  EdgeMode edges = EdgeMode::clamp;
};

MistEvenArgs parse_args(const Run& run) {
  MistEvenArgs args;
  args.degree = arg_real(run.arg(3));
  switch (run.count()) {
    case 4:
      break;
    case 5:
      args.edges = edge_mode_of(arg_int(run.arg(4)));
      break;
  }
  return args;
}

// The uniform pass: every row takes the same degree, the graded engine's
// steady case (running sums down the columns and along the rows).
void running_box_pass(const ImageRows& source, OutputFile& dest, double degree, EdgeMode edges,
                      Console& console) {
  box_blur_pass(
      source, dest, [degree](int32_t) { return degree; }, edges,
      [&](int32_t row) { star_progress(console, row); });
}

void mist_even(Run& run) {
  auto in = run.open_input(1, CantOpen::plain);
  auto out = run.create_output(2, CantOpen::plain);
  MistEvenArgs args = parse_args(run);
  const ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  check_degree_number(args.degree, run.arg(3));
  args.degree = check_blur_degree(args.degree, image.width, image.height, run.console(),
                                  DegreeTest::outer_radius);
  check_row_width(image.width);

  TempFileChain temps;
  blur_twice_through_temp(std::move(in), image, temps, *out,
                          [&](const ImageRows& source, OutputFile& dest) {
                            running_box_pass(source, dest, args.degree, args.edges, run.console());
                          });
  finish_blur_run(*out, temps, run.console(), image.width, image.height);
}

}  // namespace

int run_mist_even(std::span<const std::string_view> args) {
  return run_tool(mist_even_spec, args, mist_even);
}

}  // namespace bmp
