// mist_slope: blurs a 24-bit image by a degree graded along a direction in
// degrees, each pixel's radius from its place along it, through the
// fractional box, twice. Forms: Infile Outfile degree defo1 defo2
// [Flag [start end [Flag2]]].
#include "defocus/mist_slope.hpp"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/messages.hpp"
#include "core/processor.hpp"
#include "core/temp_files.hpp"
#include "core/tool_frame.hpp"
#include "defocus/defocus_frame.hpp"
#include "defocus/direction_projection.hpp"
#include "defocus/fractional_box/fractional_box.hpp"
#include "draw/curves.hpp"

namespace bmp {
namespace {

constexpr int mist_slope_forms[] = {6, 7, 9, 10};
constexpr int mist_slope_lone_counts[] = {2};
constexpr std::string_view mist_slope_usage[] = {
    "\n",
    "USAGE: COMMAND Infile Outfile degree defo1 defo2\n",
    "       COMMAND Infile Outfile degree defo1 defo2 Flag\n",
    "       COMMAND Infile Outfile degree defo1 defo2 Flag start end\n",
    "       COMMAND Infile Outfile degree defo1 defo2 Flag start end Flag2\n",
    "\n",
    flag_table_combined,
    "\n",
    defocus_family_list,
    "\n",
};

constexpr ToolSpec mist_slope_spec{
    .title = "MIST_SLOPE UTILITY (BMP FILE VERSION) (X_size < 10000)\n",
    .usage = mist_slope_usage,
    .warning = Warning::for_bmp,
    .forms = mist_slope_forms,
    .lone = LoneArgument::blank_wrong_paramater,
    .lone_counts = mist_slope_lone_counts,
};

// Flag2: exactly 0 grades one way, exactly 1 turns back; any other value has
// no profile.
enum class SlopeProfile { one_way, turn };

std::optional<SlopeProfile> slope_profile_of(double flag2) {
  if (flag2 == 0.0) return SlopeProfile::one_way;
  if (flag2 == 1.0) return SlopeProfile::turn;
  return std::nullopt;
}

struct MistSlopeArgs {
  double degree = 0;  // the direction
  double defo1 = 0;   // the blur degree where K = 1
  double defo2 = 0;   // the blur degree where K = 0
  EdgeMode edges = EdgeMode::clamp;
  double start = 0;  // percent from the side the direction points to
  double end = 100;
  double flag2 = 0;
};

MistSlopeArgs parse_args(const Run& run) {
  MistSlopeArgs args;
  args.degree = arg_real(run.arg(3));
  args.defo1 = arg_real(run.arg(4));
  args.defo2 = arg_real(run.arg(5));
  switch (run.count()) {
    case 10:
      args.flag2 = arg_real(run.arg(9));
      [[fallthrough]];
    case 9:
      args.start = arg_real(run.arg(7));
      args.end = arg_real(run.arg(8));
      [[fallthrough]];
    case 7:
      // A real number: only exactly 0 clamps.
      args.edges = arg_real(run.arg(6)) == 0.0 ? EdgeMode::clamp : EdgeMode::wrap;
      break;
    default:  // 6
      break;
  }
  return args;
}

double radius_of(double k, double defo1, double defo2) { return defo2 + (defo1 - defo2) * k; }

// `slope_radius`: the radius of a pixel of band fraction s. K rises along a
// half cosine one way, and along a full one that turns back (1 in the middle
// of the band); r = defo2 + (defo1 - defo2) × K.
double slope_radius(double s, SlopeProfile profile, double defo1, double defo2) {
  const double k = profile == SlopeProfile::one_way ? ease_in_out(s) : raised_cosine(s);
  return radius_of(k, defo1, defo2);
}

// slope_radius of every band fraction of a row, in place: K as the curves
// form it a row at a time.
BMP_VECTOR_CLONES void radii_of(double defo1, double defo2, double* __restrict k, size_t n) {
  for (size_t i = 0; i < n; ++i) k[i] = radius_of(k[i], defo1, defo2);
}
void slope_radii(std::span<double> s, SlopeProfile profile, double defo1, double defo2) {
  sine_rise_row(profile == SlopeProfile::one_way ? 180 : 360, s);
  radii_of(defo1, defo2, s.data(), s.size());
}

void mist_slope(Run& run) {
  auto in = run.open_input(1, CantOpen::plain);
  auto out = run.create_output(2, CantOpen::source_file);
  const MistSlopeArgs args = parse_args(run);
  Console& console = run.console();
  // Flags 4 and 5 prompt as the gradient tools' power curves do; the number is
  // read but has no use here, and the flag is refused at the first pixel.
  if (needs_power_constant(args.flag2)) prompt_power_constant(console);
  const ImageLayout image = read_bmp_header(*in, console, HeaderCheck{});
  check_degree_value(args.defo1, run.arg(4));
  check_degree_value(args.defo2, run.arg(5));
  // A band bound that is not finite can make the band fraction NaN
  // (infinite over infinite): no radius.
  if (run.count() >= 9) {
    require_finite(args.start, run.arg(7));
    require_finite(args.end, run.arg(8));
  }

  const std::optional<SlopeProfile> profile = slope_profile_of(args.flag2);
  const DirectionPass direction(args.degree, args.start, args.end, image.width, image.height);
  // Equal degrees give every pixel defo2 + 0 × K, the same radius whatever
  // its place: no trigonometry then.
  const bool uniform = args.defo1 == args.defo2;
  auto row_radii = [&](int32_t y, std::span<double> radii) {
    if (radii.empty()) return;
    if (!profile) fail(msg::wrong_flags);
    if (uniform) {
      std::fill(radii.begin(), radii.end(), slope_radius(0, *profile, args.defo1, args.defo2));
      return;
    }
    direction.band_row(y, radii);
    slope_radii(radii, *profile, args.defo1, args.defo2);
  };
  TempFileChain temps;
  // Graded radii take the library's arc tangent and sines: worked out once.
  fractional_box_blur_twice(
      ImageRows(*in, image), temps, *out, args.edges, std::max(args.defo1, args.defo2), row_radii,
      uniform ? RadiiCost::cheap : RadiiCost::dear, [&](int32_t y) { star_progress(console, y); });
  out->commit();
  temps.delete_temp_files();
  console.write("\n");
  size_report(console, SizeReport::star, image.width, image.height);
}

}  // namespace

int run_mist_slope(std::span<const std::string_view> args) {
  return run_tool(mist_slope_spec, args, mist_slope);
}

}  // namespace bmp
