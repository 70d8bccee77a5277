// key_blend: a 24-bit overlay laid on a 24-bit background at X_ORI, Y_ORI with
// a transparency percentage, pixels of the key colour R G B left out.
// Forms: key_blend INFILE1 INFILE2 OUTFILE X_ORI Y_ORI (透過度), and
// key_blend INFILE1 INFILE2 OUTFILE X_ORI Y_ORI R G B (透過度).
#include "composite/key_blend.hpp"

#include <optional>

#include "composite/overlay.hpp"

namespace bmp {
namespace {

constexpr int key_blend_forms[] = {6, 7, 9, 10};
constexpr std::string_view key_blend_usage[] = {
    "\n",
    "BMP合成した物体に透過度を指定できます。\n",
    "\n",
    "USAGE: COMMAND INFILE1(3) INFILE2(3) OUTFILE(3) X_ORI Y_ORI (透過度)\n",
    "       COMMAND INFILE1(3) INFILE2(3) OUTFILE(3) X_ORI Y_ORI R G B 透過度\n",
    "透過度無 --- 0    全透過 --- 100\n",
    "\n",
    alpha_family_list[0],
    alpha_family_list[1],
    "\n",
};

constexpr ToolSpec key_blend_spec{
    .title = "KEY_BLEND UTILITY (BMP FILE VERSION)\n",
    .usage = key_blend_usage,
    .warning = Warning::for_bmp,
    .forms = key_blend_forms,
};

// The key colour as parsed; a component outside 0..255 matches no pixel.
struct KeyColour {
  int red = 0, green = 0, blue = 0;
};

struct KeyBlendArgs {
  int32_t x_ori = 0;
  int32_t y_ori = 0;
  int percent = 0;
  std::optional<KeyColour> key;
};

KeyBlendArgs parse_key_blend(const Run& run) {
  KeyBlendArgs args;
  args.x_ori = arg_int(run.arg(4));
  args.y_ori = arg_int(run.arg(5));
  switch (run.count()) {
    case 10:
      args.percent = arg_trunc(run.arg(9));
      [[fallthrough]];
    case 9:
      args.key = KeyColour{arg_int(run.arg(6)), arg_int(run.arg(7)), arg_int(run.arg(8))};
      break;
    case 7:
      args.percent = arg_trunc(run.arg(6));
      break;
    default:  // 6
      break;
  }
  return args;
}

// Per channel the overlay composited over the background with the weight;
// an overlay pixel of the key colour leaves the background as it is.
struct KeyMix {
  const CompositeTable& composite;
  std::optional<KeyColour> key;

  void operator()(const uint8_t* overlay, uint8_t* background, size_t pixels) const {
    for (size_t i = 0; i < pixels; ++i) {
      const uint8_t* o = overlay + 3 * i;  // blue, green, red, like the background
      uint8_t* b = background + 3 * i;
      if (key && o[2] == key->red && o[1] == key->green && o[0] == key->blue) continue;
      b[0] = composite(o[0], b[0]);
      b[1] = composite(o[1], b[1]);
      b[2] = composite(o[2], b[2]);
    }
  }
};

void key_blend(Run& run) {
  OverlayFiles files = open_overlay_files(run);
  const KeyBlendArgs args = parse_key_blend(run);
  read_overlay_headers(run, files, 24);
  print_drive_number(run.console(), drive_number(run.arg(2)));
  const CompositeTable composite(transparency_weight(args.percent));
  blend_overlay(run, files, args.x_ori, args.y_ori, KeyMix{composite, args.key});
}

}  // namespace

int run_key_blend(std::span<const std::string_view> args) {
  return run_tool(key_blend_spec, args, key_blend);
}

}  // namespace bmp
