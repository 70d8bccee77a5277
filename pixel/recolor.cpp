// recolor: multiplies or shifts every pixel's red, green and blue, or its hue,
// lightness and saturation, by three numbers (one MOD multiplies all three).
// Forms: recolor Infile Outfile MOD, ... R G B, ... R G B flag.
#include "pixel/recolor.hpp"

#include <array>
#include <cmath>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"
#include "pixel/hls.hpp"
#include "pixel/hls_rows.hpp"

namespace bmp {
namespace {

constexpr int recolor_forms[] = {4, 6, 7};
constexpr std::string_view recolor_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile MOD\n",
    "       Command Infile Outfile R-mod  G-mod  B-mod   0 ro no\n",
    "       Command Infile Outfile R-plus G-plus B-plus  1\n",
    "       Command Infile Outfile H-mod  L-mod  S-mod   2\n",
    "       Command Infile Outfile H-plus L-plus S-plus  3\n",
    "\n",
    "Hue angle (色相角度) 0.0 - 360.0\n",
    "Lightness (明度)     0.0 - 1.0\n",
    "Saturation(彩度)     0.0 - 1.0\n",
    "\n",
    "--- flag ---\n",
    "0 or no ****** normal mod\n",
    "1       ****** plus mod\n",
    "2       ****** hls normal mod\n",
    "3       ****** hls plus mod\n",
    "\n",
};

constexpr ToolSpec recolor_spec{
    .title = "RECOLOR UTILITY BMP FILE VERSION\n",
    .usage = recolor_usage,
    .warning = Warning::for_bmp,
    .forms = recolor_forms,
};

enum class RecolorMode { normal_mod, plus_mod, hls_normal_mod, hls_plus_mod };

// 1, 2 and 3 select their modes; every other flag is "normal mod".
RecolorMode recolor_mode_of(int flag) {
  switch (flag) {
    case 1:
      return RecolorMode::plus_mod;
    case 2:
      return RecolorMode::hls_normal_mod;
    case 3:
      return RecolorMode::hls_plus_mod;
    default:
      return RecolorMode::normal_mod;
  }
}

struct RecolorArgs {
  double first;   // red or hue
  double second;  // green or lightness
  double third;   // blue or saturation
  RecolorMode mode;
};

RecolorArgs parse_recolor(const Run& run) {
  RecolorArgs args{};
  if (run.count() == 4) {
    const double mod = finite_arg_real(run, 3);
    args = RecolorArgs{mod, mod, mod, RecolorMode::normal_mod};
  } else {
    args.first = finite_arg_real(run, 3);
    args.second = finite_arg_real(run, 4);
    args.third = finite_arg_real(run, 5);
    args.mode = run.count() == 7 ? recolor_mode_of(arg_int(run.arg(6))) : RecolorMode::normal_mod;
  }
  // A hue is below 360.0: its product must stay finite.
  if (args.mode == RecolorMode::hls_normal_mod) {
    require_finite(360.0 * std::fabs(args.first), run.arg(3));
  }
  return args;
}

// Modes 0 and 1: a byte's result depends on it and its parameter alone.
using ByteTable = std::array<uint8_t, 256>;

// trunc(byte × parameter) or trunc(byte + parameter), clamped to 0..255 (a
// negative product is 0, as a negative sum is).
ByteTable channel_table(RecolorMode mode, double parameter) {
  ByteTable table{};
  for (int v = 0; v < 256; ++v) {
    const double t = mode == RecolorMode::plus_mod ? v + parameter : v * parameter;
    table[static_cast<size_t>(v)] =
        static_cast<uint8_t>(std::clamp(truncate_toward_zero(t), 0, 255));
  }
  return table;
}

void rewrite_by_tables(const InputFile& in, const ImageLayout& image, OutputFile& out,
                       Console& console, const RecolorArgs& args) {
  // File order: blue takes the third parameter, green the second, red the first.
  const ByteTable blue = channel_table(args.mode, args.third);
  const ByteTable green = channel_table(args.mode, args.second);
  const ByteTable red = channel_table(args.mode, args.first);
  rewrite_rows24(
      in, image, out,
      [&](int32_t, int32_t, std::span<uint8_t> pixels) {
        for (size_t i = 0; i + 3 <= pixels.size(); i += 3) {
          pixels[i] = blue[pixels[i]];
          pixels[i + 1] = green[pixels[i + 1]];
          pixels[i + 2] = red[pixels[i + 2]];
        }
      },
      [&](int32_t row) { report_progress(console, row); });
}

// Modes 2 and 3: every pixel through HLS, in reading order, with the hue
// that one pass would remember.
template <class Change>
void rewrite_by_hls(const InputFile& in, const ImageLayout& image, OutputFile& out,
                    Console& console, const Change& change) {
  rewrite_rows_in_reading_order(
      in, image, out,
      [&](int32_t, int32_t, std::span<uint8_t> pixels, HlsConversion& conversion) {
        for (size_t i = 0; i + 3 <= pixels.size(); i += 3) {
          hls_pixel_step(conversion, &pixels[i], change);
        }
      },
      [&](int32_t row) { report_progress(console, row); });
}

void recolor(Run& run) {
  const RecolorArgs args = parse_recolor(run);
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  write_bmp24_header(*out, image.width, image.height);
  Console& console = run.console();
  switch (args.mode) {
    case RecolorMode::normal_mod:
    case RecolorMode::plus_mod:
      rewrite_by_tables(*in, image, *out, console, args);
      break;
    case RecolorMode::hls_normal_mod:
      rewrite_by_hls(*in, image, *out, console, [&](Hls& hls) {
        hls.hue = hls.hue * args.first;
        hls.lightness = hls.lightness * args.second;
        hls.saturation = hls.saturation * args.third;
      });
      break;
    case RecolorMode::hls_plus_mod:
      rewrite_by_hls(*in, image, *out, console, [&](Hls& hls) {
        hls.hue = hls.hue + args.first;
        hls.lightness = hls.lightness + args.second;
        hls.saturation = hls.saturation + args.third;
      });
      break;
  }
  out->commit();
}

}  // namespace

int run_recolor(std::span<const std::string_view> args) {
  return run_tool(recolor_spec, args, recolor);
}

}  // namespace bmp
