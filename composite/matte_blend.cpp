// matte_blend: a 4-byte overlay laid on a 24-bit background at X_ORI, Y_ORI,
// its alpha weighing the background in, then the transparency percentage.
// Forms: matte_blend INFILE1 INFILE2 OUTFILE X_ORI Y_ORI (透過度) (FLAG).
#include "composite/matte_blend.hpp"

#include "composite/overlay.hpp"

namespace bmp {
namespace {

constexpr int matte_blend_forms[] = {6, 7, 8};
constexpr std::string_view matte_blend_usage[] = {
    "\n",
    "α合成した物体に透過度を指定できます。\n",
    "\n",
    "USAGE: COMMAND INFILE1(3) INFILE2(4) OUTFILE(3) X_ORI Y_ORI (透過度) (FLAG)\n",
    "透過度無 --- 0    全透過 --- 100\n",
    "\n",
    alpha_family_list[0],
    alpha_family_list[1],
    "\n",
    "--- flag ---\n",
    "0 or no --- 白本体 黒抜き\n",
    "else ------ 黒本体 白抜き\n",
    "\n",
};

constexpr ToolSpec matte_blend_spec{
    .title = "MATTE_BLEND UTILITY (BMP FILE VERSION)\n",
    .usage = matte_blend_usage,
    .warning = Warning::for_bmp,
    .forms = matte_blend_forms,
};

struct MatteBlendArgs {
  int32_t x_ori = 0;
  int32_t y_ori = 0;
  int percent = 0;
  bool inverse_alpha = false;  // FLAG not 0: the weight is 255 minus the alpha byte
};

MatteBlendArgs parse_matte_blend(const Run& run) {
  MatteBlendArgs args;
  args.x_ori = arg_int(run.arg(4));
  args.y_ori = arg_int(run.arg(5));
  switch (run.count()) {
    case 8:
      args.inverse_alpha = arg_trunc(run.arg(7)) != 0;
      [[fallthrough]];
    case 7:
      args.percent = arg_trunc(run.arg(6));
      break;
    default:  // 6
      break;
  }
  return args;
}

// Per channel: the alpha mix of overlay and background, whose weight a belongs
// to the background (a = 0 shows the overlay), then that mix composited over
// the background with the transparency weight.
struct AlphaMix {
  const CompositeTable& composite;
  uint8_t flip;  // 255 turns a into 255 - a

  void operator()(const uint8_t* overlay, uint8_t* background, size_t pixels) const {
    for (size_t i = 0; i < pixels; ++i) {
      const uint8_t* o = overlay + 4 * i;  // alpha, red, green, blue
      uint8_t* b = background + 3 * i;     // blue, green, red
      const int a = o[0] ^ flip;
      for (int channel = 0; channel < 3; ++channel) {
        const int mix = ((255 - a) * o[3 - channel] + a * b[channel]) / 255;
        b[channel] = composite(static_cast<uint8_t>(mix), b[channel]);
      }
    }
  }
};

void matte_blend(Run& run) {
  OverlayFiles files = open_overlay_files(run);
  const MatteBlendArgs args = parse_matte_blend(run);
  read_overlay_headers(run, files, 32);
  const CompositeTable composite(transparency_weight(args.percent));
  blend_overlay(run, files, args.x_ori, args.y_ori,
                AlphaMix{composite, static_cast<uint8_t>(args.inverse_alpha ? 255 : 0)});
}

}  // namespace

int run_matte_blend(std::span<const std::string_view> args) {
  return run_tool(matte_blend_spec, args, matte_blend);
}

}  // namespace bmp
