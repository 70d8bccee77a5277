// mist_mask: blurs DATA with a degree per pixel taken from FILTER's luminance
// (black no blur, white the full degree), by the fractional box, twice.
// One form: mist_mask FILTER DATA OUTFILE degree Flag.
#include "defocus/mist_mask.hpp"

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/formulas.hpp"
#include "core/messages.hpp"
#include "core/temp_files.hpp"
#include "core/tool_frame.hpp"
#include "defocus/defocus_frame.hpp"
#include "defocus/fractional_box/fractional_box.hpp"

namespace bmp {
namespace {

constexpr int mist_mask_forms[] = {6};
constexpr std::string_view mist_mask_usage[] = {
    "\n", "COMMAND FILTER(3-byte) DATA(3-byte) OUTFILE(3-byte) ボカシ度 Flag\n",
    "\n", flag_table_edge_only,
    "\n", degree_note,
    "\n", defocus_family_list,
    "\n",
};

constexpr ToolSpec mist_mask_spec{
    .title = "FILTER DEFOCUS UTILITY (BMP FILE VERSION) (X_size < 10000)\n",
    .usage = mist_mask_usage,
    .warning = Warning::for_bmp,
    .forms = mist_mask_forms,
};

struct MistMaskArgs {
  double degree;  // D, the degree under white
  EdgeMode mode;
};

// The degree of a pixel under a FILTER pixel: L / 255 × D with the luminance
// L = luma_77_150_28 before its truncation (0.5 for black, 255.5 for white).
double filter_degree(const uint8_t* bgr, double degree) {
  return luma_77_150_28_real(bgr[2], bgr[1], bgr[0]) / 255 * degree;
}

void mist_mask(Run& run) {
  auto filter = run.open_input(1, CantOpen::plain);
  auto data = run.open_input(2, CantOpen::plain);
  auto out = run.create_output(3, CantOpen::plain);
  MistMaskArgs args{arg_real(run.arg(4)), edge_mode_of(arg_trunc(run.arg(5)))};

  Console& console = run.console();
  const ImageLayout mask = read_bmp_header(*filter, console, HeaderCheck{});
  const ImageLayout image = read_bmp_header(*data, console, HeaderCheck{});
  // DATA pixel (x, y) takes its degree from FILTER pixel (x, y).
  if (mask.width < image.width || mask.height < image.height) {
    fail(Channel::out, msg::filter_too_small, filter->name().c_str(), data->name().c_str());
  }
  check_degree_number(args.degree, run.arg(4));
  args.degree = check_blur_degree(args.degree, image.width, image.height, console);
  check_row_width(image.width);

  const uint8_t white[3] = {255, 255, 255};
  const ImageRows mask_rows(*filter, mask);
  // A run of pixels of one grey (a uniform filter: every pixel) keeps its
  // radius.
  auto row_radii = [&](int32_t y, std::span<double> radii) {
    const uint8_t* pixel = mask_rows.row(y);
    const uint8_t* last = nullptr;
    double radius = 0;
    for (double& r : radii) {
      if (last == nullptr || pixel[0] != last[0] || pixel[1] != last[1] || pixel[2] != last[2]) {
        radius = filter_degree(pixel, args.degree);
        last = pixel;
      }
      r = radius;
      pixel += 3;
    }
  };
  TempFileChain temps;
  fractional_box_blur_twice(ImageRows(*data, image), temps, *out, args.mode,
                            filter_degree(white, args.degree), row_radii, RadiiCost::cheap,
                            [&](int32_t y) { star_progress(console, y); });
  finish_blur_run(*out, temps, console, image.width, image.height);
}

}  // namespace

int run_mist_mask(std::span<const std::string_view> args) {
  return run_tool(mist_mask_spec, args, mist_mask);
}

}  // namespace bmp
