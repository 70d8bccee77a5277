// mist_horz: a blur whose degree changes from the left of the picture to its
// right. The picture is turned on its side (its columns become the rows of
// temp0000), blurred twice by the graded row blur (temp0001, temp0002) and
// turned back. Forms: DATA OUTFILE defo1 defo2 [flag [start end Flag2]].
#include "defocus/mist_horz.hpp"

#include "core/bmp_io.hpp"
#include "core/quarter_turn.hpp"
#include "defocus/graded_tool.hpp"

namespace bmp {
namespace {

// The two transpositions. Into the temporary image T, row r holds the input's
// column X − 1 − r and column c its stored row c, so T's top is the input's
// left edge. Back out, output row F, column k is T's row X − 1 − k, column F.
constexpr QuarterTurn to_side{.column_from_right = true, .row_from_top = false};
constexpr QuarterTurn back{.column_from_right = false, .row_from_top = true};

// A temporary image written by the step before, its header read again (no
// size line: the tool wrote it).
ImageLayout reread_header(InputFile& file, Console& console) {
  HeaderCheck check;
  check.line = SizeLine::none;
  return read_bmp_header(file, console, check);
}

void mist_horz(Run& run) {
  auto in = run.open_input(1, CantOpen::plain);
  auto out = run.create_output(2, CantOpen::plain);
  GradedArgs args = parse_graded_args(run);
  const ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  // The turned image makes the height a row length as well.
  check_row_width(image.width);
  check_row_width(image.height);
  write_bmp24_header(*out, image.width, image.height);

  // Turn on the side: T is Y wide and X high. Each stage closes the file it
  // read, so that the next one reads onto its pages and removing it at the
  // end frees it at once.
  const RowDone no_progress = [](int32_t) {};  // the turns print no progress
  TempFileChain temps;
  {
    std::unique_ptr<OutputFile> side = temps.create(0);
    write_bmp24_header(*side, image.height, image.width);
    turn_quarter(ImageRows(*in, image), to_side, *side, no_progress);
    side->commit();
    in.reset();
  }
  BlurPass pass;
  {
    std::unique_ptr<InputFile> turned = temps.open(0);
    std::unique_ptr<OutputFile> first = temps.create(1);
    write_bmp24_header(*first, image.height, image.width);
    const ImageLayout t = reread_header(*turned, run.console());
    check_graded_degrees(args, run, t.width, t.height);
    pass = graded_pass(args, t.height, run.console());
    pass(ImageRows(*turned, t), *first);
    first->commit();
  }
  {
    std::unique_ptr<InputFile> once = temps.open(1);
    const ImageLayout once_layout = reread_header(*once, run.console());
    std::unique_ptr<OutputFile> second = temps.create(2);
    write_bmp24_header(*second, image.height, image.width);
    pass(ImageRows(*once, once_layout), *second);
    second->commit();
  }
  {
    // Turn back; temp0002's header is not read again.
    std::unique_ptr<InputFile> twice = temps.open(2);
    turn_quarter(ImageRows(*twice, bmp24_layout(image.height, image.width)), back, *out,
                 no_progress);
  }
  finish_blur_run(*out, temps, run.console(), image.height, image.width);
}

}  // namespace

int run_mist_horz(std::span<const std::string_view> args) {
  return run_tool(graded_defocus_spec, args, mist_horz);
}

}  // namespace bmp
