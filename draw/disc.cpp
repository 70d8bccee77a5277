// disc: a filled ellipse in a colour over a 24-bit image, fading into the
// picture across a soft band at its rim (one way), or only a soft ring along
// that band (turn). Forms: INFILE OUTFILE X_c Y_c X_半径 Y_半径 R1 G1 B1, then
// 透明度 | X_boke Y_boke | X_boke Y_boke 透明度 | X_boke Y_boke 透明度 flag.
#include "draw/disc.hpp"

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/tool_frame.hpp"
#include "draw/soft_edge.hpp"

namespace bmp {
namespace {

constexpr int disc_forms[] = {11, 12, 13, 14};
constexpr int disc_lone_counts[] = {2};
constexpr std::string_view disc_usage[] = {
    "\n",
    "USAGE: COMMAND INFILE OUTFILE X_c Y_c X_半径 Y_半径 R1 G1 B1\n",
    "       \t\t\t\t    X_boke Y_boke 透明度(%) (flag)\n",
    "半径は外枠\n",
    "\n",
    "--- flag ---\n",
    "0 --- one way\n",
    "1 --- turn\n",
    "\n",
};

constexpr ToolSpec disc_spec{
    .title = "DISC UTILITY (BMP FILE VERSION)\n",
    .usage = disc_usage,
    .warning = Warning::for_bmp,
    .forms = disc_forms,
    .lone = LoneArgument::blank_wrong_paramater,
    .lone_counts = disc_lone_counts,
};

SoftEllipseArgs parse_disc_args(const Run& run) {
  SoftEllipseArgs args;
  EllipseParams& e = args.ellipse;
  e.x_c = arg_real(run.arg(3));
  e.y_c = arg_real(run.arg(4));
  e.x_radius = arg_real(run.arg(5));
  e.y_radius = arg_real(run.arg(6));
  args.colour[2] = arg_real(run.arg(7));
  args.colour[1] = arg_real(run.arg(8));
  args.colour[0] = arg_real(run.arg(9));
  if (run.count() == 11) {  // the default band, and 透明度 in the tenth place
    e.x_boke = e.y_boke = 2.0;
    args.trans = arg_real(run.arg(10));
    return args;
  }
  e.x_boke = arg_real(run.arg(10));
  e.y_boke = arg_real(run.arg(11));
  if (run.count() >= 13) args.trans = arg_real(run.arg(12));
  if (run.count() == 14) args.flag = arg_trunc(run.arg(13));
  return args;
}

// Fills the inner ellipse with the mixed colour and fades to the picture.
struct DiscOneWay : ZoneColour {
  static constexpr bool inside_kept = false;
  static constexpr bool outside_kept = true;
  static constexpr Fades fades = Fades::a1;
  void inside(uint8_t* px) const {
    each(px, [&](double in, double col) { return col * k + m * in; });
  }
  void band(uint8_t* px, const EllipsePoint& at) const {
    each(px, [&](double in, double col) { return m * in + (col + (in - col) * at.a1) * k; });
  }
  void outside(uint8_t*) const {}
};

// A ring whose colour peaks half-way through the band.
struct DiscTurn : ZoneColour {
  static constexpr bool inside_kept = true;
  static constexpr bool outside_kept = true;
  static constexpr Fades fades = Fades::a2;
  void inside(uint8_t*) const {}
  void band(uint8_t* px, const EllipsePoint& at) const {
    each(px, [&](double in, double col) { return m * in + (col + (in - col) * (1 - at.a2)) * k; });
  }
  void outside(uint8_t*) const {}
};

void disc(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const SoftEllipseArgs args = parse_disc_args(run);
  Console& console = run.console();
  const ImageLayout image = read_bmp_header(*in, console, HeaderCheck{});
  draw_soft_ellipse<DiscOneWay, DiscTurn>(args, *in, image, *out, console);
}

}  // namespace

int run_disc(std::span<const std::string_view> args) { return run_tool(disc_spec, args, disc); }

}  // namespace bmp
