// mist_turn: a blur whose degree is graded along any direction in whole
// degrees: the picture is turned by the angle, blurred twice from top to
// bottom, and turned back. Forms: Infile Outfile kaiten boke1 boke2
// [flag start end [flag2]].
#include "defocus/mist_turn.hpp"

#include "core/bmp_io.hpp"
#include "core/image_rows.hpp"
#include "core/temp_files.hpp"
#include "core/tool_frame.hpp"
#include "defocus/defocus_frame.hpp"
#include "defocus/graded_blur.hpp"
#include "geometry/rotation.hpp"

namespace bmp {
namespace {

constexpr int mist_turn_forms[] = {6, 9, 10};
constexpr int mist_turn_lone_counts[] = {2};
constexpr std::string_view mist_turn_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile kaiten boke1 boke2\n",
    "       Command Infile Outfile kaiten boke1 boke2 flag start end\n",
    "       Command Infile Outfile kaiten boke1 boke2 flag start end flag2\n",
    "\n",
    flag_table_combined,
    "\n",
    degree_note,
    "\n",
    defocus_family_list,
    "\n",
};

constexpr ToolSpec mist_turn_spec{
    .title = "MIST_TURN UTILITY (BMP FILE VERSION) (X_size < 10000)\n",
    .usage = mist_turn_usage,
    .warning = Warning::bmp,
    .forms = mist_turn_forms,
    .lone = LoneArgument::wrong_paramater,
    .lone_counts = mist_turn_lone_counts,
};

struct MistTurnArgs {
  double kaiten = 0;  // whole degrees
  double boke1 = 0;   // the degree at the top of the turned picture (D1)
  double boke2 = 0;   // D2
  EdgeMode edges = EdgeMode::wrap;
  double start = 50.0;  // percent of the turned picture's height, from its top
  double end = 100.0;
  Grading grading = Grading::one_way;
};

MistTurnArgs parse_mist_turn(const Run& run) {
  MistTurnArgs args;
  args.kaiten = arg_int(run.arg(3));
  args.boke1 = arg_real(run.arg(4));
  args.boke2 = arg_real(run.arg(5));
  switch (run.count()) {
    case 10:
      args.grading = grading_of(arg_int(run.arg(9)));
      [[fallthrough]];
    case 9:
      args.edges = edge_mode_of(arg_trunc(run.arg(6)));
      args.start = arg_real(run.arg(7));
      args.end = arg_int(run.arg(8));
      break;
    default:  // 6: wrapped edges, one way from the middle to the bottom
      break;
  }
  return args;
}

void mist_turn(Run& run) {
  Console& console = run.console();
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const MistTurnArgs args = parse_mist_turn(run);
  TempFileChain temps;
  // The canvas's file: opened before the input's header is read, as ever.
  const std::unique_ptr<OutputFile> canvas_file = temps.create(0);
  const ImageLayout image = read_bmp_header(*in, console, HeaderCheck{});
  // No size test bounds these degrees; only values no box can have are
  // refused, after the size line as in the rest of the family.
  check_degree_value(args.boke1, run.arg(4));
  check_degree_value(args.boke2, run.arg(5));

  // The frame. At the exact right angles the rotation tools' margins crop
  // one pixel inside the input, and turning back would then sample black
  // beyond the crop along the edges; the bounding-box rule of every other
  // angle keeps a border of repeated edge pixels round the input instead.
  check_frame_size(image.width, image.height, in->name());
  const RotationFrame frame = rotation_frame(
      image.width, image.height, bounding_box_margins(args.kaiten, image.width, image.height));
  const int32_t crop_width = frame.auto_width;
  const int32_t crop_height = frame.auto_height;
  check_turned_size(crop_width, crop_height, 3, in->name());
  const PixelWindow crop = rotation_window(frame, SizeMode::auto_size);
  // The input's own area inside the crop, in the crop's coordinates.
  const PixelWindow back =
      rotation_window(frame, SizeMode::origin).shifted(-frame.grown_column, -frame.grown_row);
  check_window(crop, crop_width, crop_height, in->name());
  check_window(back, image.width, image.height, in->name());
  auto stars = [&](int32_t row) { star_progress(console, row); };

  // Turn the input's edge canvas by the angle and cut it to the turned
  // picture's box. The canvas is read straight from the input's pixels; its
  // file was opened as ever, but nothing is written to it.
  auto turned = temps.create(1);
  write_bmp24_header(*turned, crop_width, crop_height);
  console.write("前処理 ");
  {
    const ImageRows input_rows(*in, image);
    rotate_aa8(build_edge_canvas(input_rows, frame), SizeMode::auto_size, args.kaiten, *turned,
               stars);
  }
  console.write("\n");
  turned->commit();
  // Each image is closed once read, so the next is read onto its pages and
  // removing it at the end frees it at once.
  in.reset();

  // Two graded passes from the turned picture's top to its bottom.
  const GradeProfile profile =
      grade_profile(args.grading, args.boke1, args.boke2, args.start, args.end, crop_height);
  const ImageLayout crop_layout = bmp24_layout(crop_width, crop_height);
  auto turned_in = temps.open(1);
  auto first = temps.create(2);
  write_bmp24_header(*first, crop_width, crop_height);
  console.write("本処理 ");
  graded_box_blur_pass(ImageRows(*turned_in, crop_layout), *first, profile, args.edges, stars);
  first->commit();
  turned_in.reset();
  auto first_in = temps.open(2);
  auto second = temps.create(3);
  write_bmp24_header(*second, crop_width, crop_height);
  graded_box_blur_pass(ImageRows(*first_in, crop_layout), *second, profile, args.edges, stars);
  console.write("\n");
  second->commit();
  first_in.reset();

  // Turn back by the negative angle about the crop's centre, which is the
  // canvas centre (M, M) in the crop's coordinates, over the input's area.
  auto second_in = temps.open(3);
  write_bmp24_header(*out, image.width, image.height);
  console.write("後処理 ");
  const Turn turn_back{half(crop_width),         half(crop_height), -args.kaiten,
                       SampleSet::eight_samples, FillColour{},      std::nullopt};
  sample_turn<3>(ImageRows(*second_in, crop_layout), back, turn_back, *out, stars);
  second_in.reset();
  console.write("\n");
  out->commit();
  size_report(console, SizeReport::star, image.width, image.height);
  console.write("\n");
  temps.delete_temp_files();
}

}  // namespace

int run_mist_turn(std::span<const std::string_view> args) {
  return run_tool(mist_turn_spec, args, mist_turn);
}

}  // namespace bmp
