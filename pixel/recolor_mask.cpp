// recolor_mask: turns the hue, scales the brightness or the saturation of DATA
// by MOD weighted per pixel by FILTER's luminance (black little, white fully).
// One form: recolor_mask FILTER DATA OUTFILE MOD Flag.
#include "pixel/recolor_mask.hpp"

#include <array>
#include <cmath>
#include <optional>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/formulas.hpp"
#include "core/image_rows.hpp"
#include "core/messages.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"
#include "pixel/hls.hpp"
#include "pixel/hls_rows.hpp"

namespace bmp {
namespace {

constexpr int recolor_mask_forms[] = {6};
constexpr std::string_view recolor_mask_usage[] = {
    "\n",
    "COMMAND FILTER(3-byte) DATA(3-byte) OUTFILE(3-byte) MOD値 Flag\n",
    "\n",
    "--- Flag ---\n",
    "0 --- Hue angle (色相角度) 0.0 - 360.0\n",
    "1 --- Lightness (明度)     0.0 - 1.0\n",
    "2 --- Saturation(彩度)     0.0 - 1.0\n",
    "\n",
};

constexpr ToolSpec recolor_mask_spec{
    .title = "FILTER MOD UTILITY (BMP FILE VERSION) (X_size < 10000)\n",
    .usage = recolor_mask_usage,
    .warning = Warning::for_bmp,
    .forms = recolor_mask_forms,
};

constexpr std::string_view wrong_paramater = "Wrong Paramater !\n";

enum class MaskFlag { hue, brightness, saturation };

std::optional<MaskFlag> mask_flag_of(int flag) {
  switch (flag) {
    case 0:
      return MaskFlag::hue;
    case 1:
      return MaskFlag::brightness;
    case 2:
      return MaskFlag::saturation;
    default:
      return std::nullopt;
  }
}

// The luminance's three terms for every byte, each product divided as
// luma_77_150_28_real divides it; added in its order they give its sum.
struct LumaTerms {
  std::array<double, 256> red, green, blue;
};
constexpr LumaTerms luma_terms = [] {
  LumaTerms terms{};
  for (int v = 0; v < 256; ++v) {
    const size_t i = static_cast<size_t>(v);
    terms.red[i] = v * 77 / 255.0;
    terms.green[i] = v * 150 / 255.0;
    terms.blue[i] = v * 28 / 255.0;
  }
  return terms;
}();

// The weight of a FILTER pixel: its luminance before truncation, / 255.0
// (0.5 / 255 for black, 255.5 / 255 for white).
double filter_weight(const uint8_t* bgr) {
  return (luma_terms.red[bgr[2]] + luma_terms.green[bgr[1]] + luma_terms.blue[bgr[0]] + 0.5) /
         255.0;
}

// Each DATA pixel of a row piece, with the FILTER pixel of the same column.
template <class Pixel>
void each_weighted_pixel(std::span<uint8_t> pixels, const uint8_t* filter, const Pixel& pixel) {
  for (size_t i = 0; i + 3 <= pixels.size(); i += 3) pixel(&pixels[i], filter_weight(filter + i));
}

void recolor_mask(Run& run) {
  auto filter = run.open_input(1, CantOpen::plain);
  auto data = run.open_input(2, CantOpen::plain);
  auto out = run.create_output(3, CantOpen::plain);
  const double mod = arg_real(run.arg(4));
  require_finite(mod, run.arg(4));
  require_finite(arg_real(run.arg(5)), run.arg(5));
  const int flag = arg_trunc(run.arg(5));
  // White weighs the most: its hue offset must stay finite.
  const uint8_t white[3] = {255, 255, 255};
  require_finite(filter_weight(white) * 360.0 * std::fabs(mod), run.arg(4));

  Console& console = run.console();
  const ImageLayout mask = read_bmp_header(*filter, console, HeaderCheck{});
  const ImageLayout image = read_bmp_header(*data, console, HeaderCheck{});
  // DATA pixel (x, y) takes its weight from FILTER pixel (x, y).
  if (mask.width < image.width || mask.height < image.height) {
    fail(Channel::out, msg::filter_too_small, filter->name().c_str(), data->name().c_str());
  }
  const std::optional<MaskFlag> mode = mask_flag_of(flag);
  if (!mode) fail(wrong_paramater);

  write_bmp24_header(*out, image.width, image.height);
  const ImageRows mask_rows(*filter, mask);
  rewrite_rows_in_reading_order(
      *data, image, *out,
      [&](int32_t row, int32_t column, std::span<uint8_t> pixels, HlsConversion& conversion) {
        const uint8_t* weights = mask_rows.row(row) + 3 * int64_t{column};
        switch (*mode) {
          case MaskFlag::hue:
            each_weighted_pixel(pixels, weights, [&](uint8_t* bgr, double w) {
              const double offset = w * 360.0 * mod;
              hls_pixel_step(conversion, bgr, [offset](Hls& hls) { hls.hue = hls.hue + offset; });
            });
            break;
          case MaskFlag::brightness:
            each_weighted_pixel(pixels, weights, [&](uint8_t* bgr, double w) {
              const double m = mod * w;
              for (int c = 0; c < 3; ++c) {
                bgr[c] = static_cast<uint8_t>(std::clamp(truncate_toward_zero(bgr[c] * m), 0, 255));
              }
            });
            break;
          case MaskFlag::saturation:
            each_weighted_pixel(pixels, weights, [&](uint8_t* bgr, double w) {
              const double m = mod * w;
              hls_pixel_step(conversion, bgr,
                             [m](Hls& hls) { hls.saturation = hls.saturation * m; });
            });
            break;
        }
      },
      [&](int32_t row) { report_progress(console, row); });
  out->commit();
  size_report(console, SizeReport::x, image.width, image.height);
}

}  // namespace

int run_recolor_mask(std::span<const std::string_view> args) {
  return run_tool(recolor_mask_spec, args, recolor_mask);
}

}  // namespace bmp
