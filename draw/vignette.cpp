// vignette: keeps the inside of an ellipse, fades a colour in across a soft
// band and fills everything outside with it (one way), or paints the soft
// ring along the band (turn). Forms: Infile Filename X_c Y_c X_半径 Y_半径
// X_boke Y_boke red green blue (透明度 (flag)), or Infile Filename X_boke
// Y_boke red green blue (透明度 (flag)) for the ellipse that fills the image.
#include "draw/vignette.hpp"

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/tool_frame.hpp"
#include "draw/soft_edge.hpp"

namespace bmp {
namespace {

// Counts 2 and 15 pass the gate: they are refused once the input's header
// has been read and reported.
constexpr int vignette_forms[] = {2, 8, 9, 10, 12, 13, 14, 15};
constexpr std::string_view vignette_usage[] = {
    "\n",
    "USAGE: COMMAND Infile Filename X_c Y_c X_半径 Y_半径 X_boke Y_boke\n",
    "\t\t\t\t\t\t\tred green blue (透明度)\n",
    "       COMMAND Infile Filename X_boke Y_boke red green blue (透明度)\n",
    "半径は外枠\n",
    "透過度無 --- 0    全透過 --- 100\n",
    "\n",
    "\n",
};

constexpr ToolSpec vignette_spec{
    .title = "VIGNETTE UTILITY(BMP FILE VERSION)\n",
    .usage = vignette_usage,
    .warning = Warning::for_bmp,
    .forms = vignette_forms,
};

// The short forms centre the ellipse on the image with semi-axes the integer
// halves w / 2 and h / 2, and read 透明度 as a real; the long forms read
// 透明度 and flag as integers.
SoftEllipseArgs parse_vignette_args(const Run& run, const ImageLayout& image) {
  SoftEllipseArgs args;
  EllipseParams& e = args.ellipse;
  int next = 3;
  if (run.count() <= 10) {
    e.x_c = e.x_radius = image.width / 2;
    e.y_c = e.y_radius = image.height / 2;
  } else {
    e.x_c = arg_real(run.arg(3));
    e.y_c = arg_real(run.arg(4));
    e.x_radius = arg_real(run.arg(5));
    e.y_radius = arg_real(run.arg(6));
    next = 7;
  }
  e.x_boke = arg_real(run.arg(next));
  e.y_boke = arg_real(run.arg(next + 1));
  args.colour[2] = arg_trunc(run.arg(next + 2));
  args.colour[1] = arg_trunc(run.arg(next + 3));
  args.colour[0] = arg_trunc(run.arg(next + 4));
  const int trans_at = next + 5;
  switch (run.count()) {
    case 10:
      args.flag = arg_trunc(run.arg(trans_at + 1));
      [[fallthrough]];
    case 9:
      args.trans = arg_real(run.arg(trans_at));
      break;
    case 14:
      args.flag = arg_int(run.arg(trans_at + 1));
      [[fallthrough]];
    case 13:
      args.trans = arg_int(run.arg(trans_at));
      break;
    default:  // 8 and 12: 透明度 0, one way
      break;
  }
  return args;
}

// Keeps the inner ellipse and fades from the picture to the mixed colour.
struct VignetteOneWay : ZoneColour {
  static constexpr bool inside_kept = true;
  static constexpr bool outside_kept = false;
  static constexpr Fades fades = Fades::a1;
  void inside(uint8_t*) const {}
  void band(uint8_t* px, const EllipsePoint& at) const {
    each(px, [&](double in, double col) { return (in * (1 - at.a1) + col * at.a1) * k + in * m; });
  }
  void outside(uint8_t* px) const {
    each(px, [&](double in, double col) { return in * m + col * k; });
  }
};

// The soft ring of `disc`'s turn mode.
struct VignetteTurn : ZoneColour {
  static constexpr bool inside_kept = true;
  static constexpr bool outside_kept = true;
  static constexpr Fades fades = Fades::a2;
  void inside(uint8_t*) const {}
  void band(uint8_t* px, const EllipsePoint& at) const {
    each(px, [&](double in, double col) { return (in * (1 - at.a2) + col * at.a2) * k + in * m; });
  }
  void outside(uint8_t*) const {}
};

void vignette(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  Console& console = run.console();
  const ImageLayout image = read_bmp_header(*in, console, HeaderCheck{});
  if (run.count() == 2 || run.count() == 15) fail("\nWrong Paramater !\n");
  auto out = run.create_output(2, CantOpen::source_file);
  const SoftEllipseArgs args = parse_vignette_args(run, image);
  draw_soft_ellipse<VignetteOneWay, VignetteTurn>(args, *in, image, *out, console);
}

}  // namespace

int run_vignette(std::span<const std::string_view> args) {
  return run_tool(vignette_spec, args, vignette);
}

}  // namespace bmp
