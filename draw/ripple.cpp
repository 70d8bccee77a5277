#include "draw/ripple.hpp"

#include <algorithm>
#include <cmath>

#include "core/tool_frame.hpp"
#include "draw/curves.hpp"

namespace bmp {

ConcentricWaveParams concentric_wave_args(const Run& run, int first, int with_height) {
  ConcentricWaveParams p;
  p.x_origin = arg_int(run.arg(first));
  p.y_origin = arg_int(run.arg(first + 1));
  p.radius = arg_int(run.arg(first + 2));
  p.waves = arg_int(run.arg(first + 3));
  p.phase = arg_int(run.arg(first + 4));
  p.damping = arg_int(run.arg(first + 5));
  const int height_at = first + 6;
  if (run.count() == with_height) p.height = arg_int(run.arg(height_at));
  if (run.count() == with_height + 1) {
    p.height = arg_real(run.arg(height_at));
    p.flag = arg_int(run.arg(height_at + 1));
  }
  return p;
}

ConcentricWave::ConcentricWave(const ConcentricWaveParams& params, int32_t image_height)
    : cx_(params.x_origin),
      cy_(int64_t{image_height} - params.y_origin),
      reach_(params.radius - 0.5),
      wavelength_(reach_ / (params.waves + 0.25)),
      amplitude_(127 * params.height),
      phase_(params.phase),
      damping_(params.damping),
      linear_(params.damping == 1),
      noise_(params.flag != 0) {}

double ConcentricWave::offset(double d) const {
  const double fall = (reach_ - d) / reach_;
  // pow is within 0.52 units in the last place of x^y, so pow(x, 1) is x.
  return (linear_ ? fall : std::pow(fall, damping_)) *
         (std::cos(radians(d / wavelength_ * 360 + phase_)) * amplitude_);
}

namespace {

// sqrt(dx² + dy²) in doubles: exact squares and sums for every distance an
// image can hold, and no wrapped integer for a far centre.
double hypotenuse(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

}  // namespace

double ConcentricWave::distance(int64_t column, int64_t row) const {
  return hypotenuse(static_cast<double>(column - cx_), static_cast<double>(row - cy_));
}

IndexRange ConcentricWave::reached_columns(int64_t row, int64_t width) const {
  const double dy = static_cast<double>(row - cy_);
  if (!reaches(hypotenuse(0, dy))) return {};
  // The largest |dx| within reach: the square root's guess, then put right
  // by the test the pixels themselves take (d grows with |dx|).
  double m = std::floor(std::sqrt(std::max(0.0, reach_ * reach_ - dy * dy)));
  while (!reaches(hypotenuse(m, dy))) m -= 1;
  while (reaches(hypotenuse(m + 1, dy))) m += 1;
  const int64_t half = static_cast<int64_t>(m);
  return IndexRange{cx_ - half, cx_ + half + 1}.clipped(width);
}

void ConcentricWave::offsets(int64_t row, IndexRange columns, std::vector<double>& values) const {
  values.resize(static_cast<size_t>(columns.size()));
  if (columns.empty()) return;
  const double dy = static_cast<double>(row - cy_);
  // The wave on each side of the centre is the same at the same |dx|: each
  // distance is worked out once, from the centre outward.
  const int64_t near_left = std::clamp(cx_, columns.first, columns.end - 1);
  for (int64_t j = near_left; j < columns.end; ++j) {
    const double w = offset(hypotenuse(static_cast<double>(j - cx_), dy));
    values[static_cast<size_t>(j - columns.first)] = w;
    const int64_t mirror = 2 * cx_ - j;
    if (mirror != j && columns.contains(mirror)) {
      values[static_cast<size_t>(mirror - columns.first)] = w;
    }
  }
  // Columns left of the centre whose mirror lies beyond the range's end.
  for (int64_t j = std::min(near_left, 2 * cx_ - columns.end + 1) - 1; j >= columns.first; --j) {
    values[static_cast<size_t>(j - columns.first)] =
        offset(hypotenuse(static_cast<double>(j - cx_), dy));
  }
}

}  // namespace bmp
