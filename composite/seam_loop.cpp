// seam_loop: makes a 24-bit picture tile both ways, the horizontal seam pass
// into temp0000 and the vertical one from it into Outfile. Forms: Infile
// Outfile X_幅 [Y_幅] (Y_幅 defaults to X_幅).
#include "composite/seam_loop.hpp"

#include "composite/seam.hpp"
#include "composite/seam_frame.hpp"
#include "core/temp_files.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int seam_loop_forms[] = {4, 5};
constexpr std::string_view seam_loop_usage[] = {
    "\n", "USAGE: Command Infile Outfile X_幅 (Y_幅)\n", "\n", seam_purpose, "\n",
};

constexpr ToolSpec seam_loop_spec{
    .title = "SEAM_LOOP UTILITY BMP FILE VERSION\n",
    .usage = seam_loop_usage,
    .warning = Warning::for_bmp,
    .forms = seam_loop_forms,
};

struct SeamLoopArgs {
  int32_t x_band = 0;
  int32_t y_band = 0;
};

SeamLoopArgs parse_args(const Run& run) {
  SeamLoopArgs args;
  args.x_band = arg_trunc(run.arg(3));
  args.y_band = run.count() == 5 ? arg_trunc(run.arg(4)) : args.x_band;
  return args;
}

void check_bands(const SeamLoopArgs& args, const ImageLayout& image, const Run& run) {
  const int y_band_arg = run.count() == 5 ? 4 : 3;
  check_band_not_negative(args.x_band, "X_幅", run.arg(3), run.console());
  if (args.x_band > image.width / 2) fail("幅が広すぎます！幅 < x_size/2 ! \n");
  check_band_not_negative(args.y_band, "Y_幅", run.arg(y_band_arg), run.console());
  if (args.y_band > image.height / 2) fail("幅が広すぎます！幅 < y_size/2 ! \n");
}

void seam_loop(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const SeamLoopArgs args = parse_args(run);
  const ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  TempFileChain temps;
  std::unique_ptr<OutputFile> across = temps.create(0);
  check_bands(args, image, run);
  const RowDone progress = [&](int32_t row) { report_progress(run.console(), row); };

  // Pass 1: rows faded and turned, W' = X − X_幅 wide.
  const int32_t faded_width = image.width - args.x_band;
  write_bmp24_header(*across, faded_width, image.height);
  horizontal_seam_pass(*in, image, args.x_band, *across, progress);
  across->commit();

  // Pass 2: the column of rows faded and turned, H' = Y − Y_幅 high.
  std::unique_ptr<InputFile> reread = temps.open(0);
  write_bmp24_header(*out, faded_width, image.height - args.y_band);
  vertical_seam_pass(*reread, bmp24_layout(faded_width, image.height), args.y_band, *out, progress);
  out->commit();
  temps.delete_temp_files();
}

}  // namespace

int run_seam_loop(std::span<const std::string_view> args) {
  return run_tool(seam_loop_spec, args, seam_loop);
}

}  // namespace bmp
