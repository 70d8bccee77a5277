// annulus: wraps a 24-bit picture around a ring between two radii about the
// centre of a new X_size × Y_size image, turned by 角度 and repeated 回数
// times; outside the ring a background colour. Forms: annulus Infile Outfile
// X_size Y_size 大半径 小半径 角度 回数 (red green blue).
#include "geometry/annulus.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/image_rows.hpp"
#include "core/messages.hpp"
#include "core/row_bands.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int annulus_forms[] = {9, 12};
constexpr std::string_view annulus_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile X_size Y_size 大半径 小半径 角度 回数\n",
    "\t\t\t\t\t\t       (red green blue)\n",
    "\n",
};

constexpr ToolSpec annulus_spec{
    .title = "ANNULUS UTILITY BMP FILE VERSION\n",
    .usage = annulus_usage,
    .warning = Warning::lower_case,
    .forms = annulus_forms,
};

struct RingWarpParams {
  int32_t out_width = 0;
  int32_t out_height = 0;
  double outer_radius = 0;
  double inner_radius = 0;
  double angle_deg = 0;
  double turns = 0;
  uint8_t background[3] = {255, 255, 255};  // blue, green, red
};

// The sub-sample offsets inside a pixel, in the order they are taken.
constexpr double sub_offsets[2] = {0.3, 0.7};

// θ brought into [0, 360): the exact remainder, plus 360 when negative, a
// result of 360 counting as 0. For 360 < θ < 2^31 this is θ − (trunc(θ) / 360)
// × 360 bit for bit, and angles already in [0, 360) stay as they are.
double reduce_angle(double theta) {
  double reduced = std::fmod(theta, 360.0);
  if (reduced < 0) reduced += 360.0;
  return reduced >= 360.0 ? 0.0 : reduced;
}

// One axis of the sub-samples: |(centre − i) + offset| and its square, per
// index and offset.
struct RingAxis {
  std::vector<double> distance, square;
  RingAxis(int32_t count, int32_t centre) {
    for (int32_t i = 0; i < count; ++i) {
      for (double offset : sub_offsets) {
        const double a = std::fabs((centre - i) + offset);
        distance.push_back(a);
        square.push_back(a * a);
      }
    }
  }
};

class RingSampler {
 public:
  RingSampler(const ImageRows& source, const RingWarpParams& p, const std::string& input_name)
      : source_(source), p_(p), input_name_(input_name), span_(p.outer_radius - p.inner_radius) {}

  // Adds the sub-sample at distances ax, ay (quadrant `quadrant`) to sum.
  void add(double ax, double ay, double ax2, double ay2, int quadrant, unsigned sum[3]) const {
    const double r = std::sqrt(ax2 + ay2);
    if (!(p_.inner_radius < r && r < p_.outer_radius - 2.0)) {
      for (int c = 0; c < 3; ++c) sum[c] += p_.background[c];
      return;
    }
    const int32_t in_w = source_.width();
    const int32_t in_h = source_.height();
    if (in_w == 0 || in_h == 0) fail(Channel::out, msg::no_pixels, input_name_.c_str());
    const int32_t row =
        std::clamp(truncate_toward_zero(((r - p_.inner_radius) / span_) * in_h), 0, in_h - 1);
    // Degrees from straight below the centre, clockwise as displayed.
    double angle;
    switch (quadrant) {
      case 0:  // lower left
        angle = (std::atan(ax / ay) * 180) / PI_LITERAL;
        break;
      case 1:  // lower right
        angle = (std::atan(ay / ax) * 180) / PI_LITERAL + 270;
        break;
      case 2:  // upper right
        angle = (std::atan(ax / ay) * 180) / PI_LITERAL + 180;
        break;
      default:  // upper left
        angle = (std::atan(ay / ax) * 180) / PI_LITERAL + 90;
        break;
    }
    const double theta = angle * p_.turns + p_.angle_deg;
    if (!std::isfinite(theta)) fail(msg::angle_overflow);
    const int32_t column =
        std::clamp(truncate_toward_zero((reduce_angle(theta) / 360) * in_w), 0, in_w - 1);
    const uint8_t* pixel = source_.row(row) + 3 * int64_t{column};
    for (int c = 0; c < 3; ++c) sum[c] += pixel[c];
  }

 private:
  const ImageRows& source_;
  const RingWarpParams& p_;
  const std::string& input_name_;
  double span_;
};

void warp_to_ring(const ImageRows& source, const RingWarpParams& p, const std::string& input_name,
                  OutputFile& out, const RowDone& done) {
  const int32_t cx = p.out_width / 2;
  const int32_t cy = p.out_height / 2;
  const RingAxis xs(p.out_width, cx);
  const RingAxis ys(p.out_height, cy);
  const RingSampler sampler(source, p, input_name);
  produce_rows24(
      out, p.out_width, p.out_height, 4 * int64_t{p.out_width},
      [&](int32_t j, std::span<uint8_t> row) {
        const size_t jj = 2 * static_cast<size_t>(j);
        for (int32_t i = 0; i < p.out_width; ++i) {
          // The quadrant comes from the pixel, not from its sub-samples.
          const int quadrant = i < cx ? (j < cy ? 0 : 3) : (j < cy ? 1 : 2);
          const size_t ii = 2 * static_cast<size_t>(i);
          unsigned sum[3] = {0, 0, 0};
          for (size_t ky = 0; ky < 2; ++ky) {
            for (size_t kx = 0; kx < 2; ++kx) {
              sampler.add(xs.distance[ii + kx], ys.distance[jj + ky], xs.square[ii + kx],
                          ys.square[jj + ky], quadrant, sum);
            }
          }
          // trunc(sum / 4.0) of a sum of bytes is sum / 4.
          for (size_t c = 0; c < 3; ++c) row[3 * static_cast<size_t>(i) + c] = uint8_t(sum[c] / 4);
        }
      },
      done);
}

// The real arguments must be numbers the geometry can use.
void check_finite(const Run& run) {
  for (int i = 5; i <= 8; ++i) finite_arg_real(run, i);
}

RingWarpParams parse_annulus(const Run& run) {
  RingWarpParams p;
  p.out_width = arg_int(run.arg(3));
  p.out_height = arg_int(run.arg(4));
  p.outer_radius = arg_real(run.arg(5));
  p.inner_radius = arg_real(run.arg(6));
  p.angle_deg = arg_real(run.arg(7));
  p.turns = arg_real(run.arg(8));
  if (run.count() == 12) {
    // As the usage line names them: red, green, blue; the low 8 bits.
    p.background[2] = static_cast<uint8_t>(arg_trunc(run.arg(9)));
    p.background[1] = static_cast<uint8_t>(arg_trunc(run.arg(10)));
    p.background[0] = static_cast<uint8_t>(arg_trunc(run.arg(11)));
  }
  return p;
}

void annulus(Run& run) {
  auto input = run.open_input(1, CantOpen::source_file);
  auto output = run.create_output(2, CantOpen::source_file);
  const RingWarpParams params = parse_annulus(run);
  const ImageLayout image = read_bmp_header(*input, run.console(), HeaderCheck{});
  check_finite(run);
  OutputFile& out = *output;
  write_bmp24_header(out, params.out_width, params.out_height);
  warp_to_ring(ImageRows(*input, image), params, input->name(), out,
               [&](int32_t row) { report_progress(run.console(), row); });
  out.commit();
}

}  // namespace

int run_annulus(std::span<const std::string_view> args) {
  return run_tool(annulus_spec, args, annulus);
}

}  // namespace bmp
