// mist_vert: a blur whose degree changes from the top of the picture to its
// bottom, run twice (the second time on the first result, through temp0000).
// Forms: DATA OUTFILE defo1 defo2 [flag [start end Flag2]].
#include "defocus/mist_vert.hpp"

#include "core/bmp_io.hpp"
#include "defocus/graded_tool.hpp"

namespace bmp {
namespace {

void mist_vert(Run& run) {
  auto in = run.open_input(1, CantOpen::plain);
  auto out = run.create_output(2, CantOpen::plain);
  GradedArgs args = parse_graded_args(run);
  const ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  check_graded_degrees(args, run, image.width, image.height);
  check_row_width(image.width);

  TempFileChain temps;
  blur_twice_through_temp(std::move(in), image, temps, *out,
                          graded_pass(args, image.height, run.console()));
  finish_blur_run(*out, temps, run.console(), image.width, image.height);
}

}  // namespace

int run_mist_vert(std::span<const std::string_view> args) {
  return run_tool(graded_defocus_spec, args, mist_vert);
}

}  // namespace bmp
