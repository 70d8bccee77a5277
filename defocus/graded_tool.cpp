#include "defocus/graded_tool.hpp"

namespace bmp {
namespace {

constexpr int graded_forms[] = {5, 6, 9};
// The second command line is a format string in the original text, "%%"
// printing as "%"; it is printed here as the text it shows.
constexpr std::string_view graded_usage[] = {
    "\n",
    "COMMAND DATA(3-byte) OUTFILE(3-byte) defo1 defo2 (flag)\n",
    "COMMAND DATA(3-byte) OUTFILE(3-byte) defo1 defo2 flag start(%) end(%) Flag2\n",
    "\n",
    flag_table_separate,
    "\n",
    degree_note,
    "\n",
    defocus_family_list,
    "\n",
};

}  // namespace

const ToolSpec graded_defocus_spec{
    .title = "GRADATION DEFOCUS UTILITY (BMP FILE VERSION) (X_size < 10000)\n",
    .usage = graded_usage,
    .warning = Warning::for_bmp,
    .forms = graded_forms,
};

GradedArgs parse_graded_args(const Run& run) {
  GradedArgs args;
  args.defo1 = arg_real(run.arg(3));
  args.defo2 = arg_real(run.arg(4));
  switch (run.count()) {
    case 5:
      break;
    case 6:
      args.edges = edge_mode_of(arg_int(run.arg(5)));
      break;
    case 9:
      args.edges = edge_mode_of(arg_int(run.arg(5)));
      args.start = arg_real(run.arg(6));
      args.end = arg_real(run.arg(7));
      args.grading = grading_of(arg_trunc(run.arg(8)));
      break;
  }
  return args;
}

void check_graded_degrees(GradedArgs& args, const Run& run, int32_t width, int32_t height) {
  check_degree_number(args.defo1, run.arg(3));
  check_degree_value(args.defo2, run.arg(4));
  args.defo1 = check_blur_degree(args.defo1, width, height, run.console());
}

BlurPass graded_pass(const GradedArgs& args, int32_t height, Console& console) {
  const GradeProfile profile =
      grade_profile(args.grading, args.defo1, args.defo2, args.start, args.end, height);
  const EdgeMode edges = args.edges;
  return [profile, edges, &console](const ImageRows& source, OutputFile& dest) {
    graded_box_blur_pass(source, dest, profile, edges,
                         [&](int32_t row) { star_progress(console, row); });
  };
}

}  // namespace bmp
