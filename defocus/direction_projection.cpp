#include "defocus/direction_projection.hpp"

#include <cmath>

#include "core/formulas.hpp"
#include "draw/curves.hpp"

namespace bmp {
namespace {

// Degrees from an arc tangent, and the sine of degrees, both with the suite's
// pi and in this order of operations: the bits of every t depend on it.
double atan_degrees(double ratio) { return std::atan(ratio) * 180 / PI_LITERAL; }
double sin_degrees(double angle) { return std::sin(radians(angle)); }

}  // namespace

// fmod is exact, and degree - 180 × (trunc(degree) / 180) is that same
// remainder, so the two agree to the bit wherever the whole-number division
// is defined; fmod also reduces degrees beyond the 32-bit range correctly.
double reduced_angle(double degree) { return std::fmod(degree, 180.0); }

// The remainder by a full turn is 180 or more (in magnitude) exactly when
// trunc(degree) / 180 is odd.
bool reversed_direction(double degree) { return std::fabs(std::fmod(degree, 360.0)) >= 180; }

double direction_extent(double a, int32_t width, int32_t height) {
  const double w = width;
  const double h = height;
  double angle;
  if (-90 < a && a < 0) {
    angle = atan_degrees(h / w) - a;
  } else if (-180 < a && a <= -90) {
    angle = atan_degrees(w / h) - (a + 90);
  } else if (0 <= a && a <= 90) {
    angle = atan_degrees(h / w) + a;
  } else {  // 90 < a < 180
    angle = (a - 90) + atan_degrees(w / h);
  }
  return sin_degrees(angle) * std::sqrt(w * w + h * h);
}

double project_position(double a, double extent, int32_t x, int32_t y, int32_t width,
                        int32_t height) {
  const double u = (x == 0 && y == 0) ? 1 : x;
  const double w = width;
  const double h = height;
  const double row = y;
  double p;
  if (-90 < a && a <= 0) {  // from the bottom right corner
    const double d = std::sqrt(row * row + (w - u) * (w - u));
    // Only a one-pixel-wide area's first pixel lies on the corner: its angle
    // would be 0 / 0, but at distance 0 its P is 0 whatever the angle.
    p = d == 0 ? 0 : sin_degrees(atan_degrees(row / (w - u)) - a) * d;
  } else if (-180 < a && a <= -90) {  // from the top right corner
    const double d = std::sqrt((w - u) * (w - u) + (h - row) * (h - row));
    p = sin_degrees(atan_degrees((w - u) / (h - row)) - (a + 90)) * d;
  } else if (0 < a && a <= 90) {  // from the bottom left corner
    // The angle takes x + 1 where the distance takes u: deliberate, so the
    // arc tangent never divides by zero.
    const double d = std::sqrt(u * u + row * row);
    p = sin_degrees(atan_degrees(row / (x + 1.0)) + a) * d;
  } else {  // 90 < a < 180, from the top left corner
    const double d = std::sqrt(u * u + (h - row) * (h - row));
    p = sin_degrees((a - 90) + atan_degrees(u / (h - row))) * d;
  }
  return p / extent;
}

double band_fraction(double t, double lo, double hi, double start, double end, bool reversed) {
  double s;
  if (lo > t) {
    s = 0;
  } else if (t <= hi) {
    const double band = ((100 - start) - (100 - end)) / 100;
    // A band of width 0 lets only t == lo through: 0 / 0, given the 0 that
    // t == lo has in every wider band.
    s = band == 0 ? 0 : (t - lo) / band;
  } else {
    s = 1;
  }
  return reversed ? 1 - s : s;
}

DirectionPass::DirectionPass(double degree, double start, double end, int32_t width, int32_t height)
    : width(width),
      height(height),
      start(start),
      end(end),
      angle(reduced_angle(degree)),
      extent(direction_extent(angle, width, height)),
      lo((100 - end) / 100),
      hi((100 - start) / 100),
      reversed(reversed_direction(degree)) {
  // P is sin(atan(q) + b) × d for a ratio q >= 0 of two distances and an
  // angle b from 0 up to 90 degrees: expanded, sin(atan(q)) cos b +
  // cos(atan(q)) sin b is a sum of the two distances, each times a cosine
  // or sine of b, over their hypotenuse. The arc tangent, the sine and the
  // degree conversions (whose PI_LITERAL factors cancel) each err by about
  // 2^-52 of their values: P by at most 1e-14 × (w + h + 2), which `slack`
  // exceeds by far.
  double turn;
  if (-90 < angle && angle <= 0) {
    turn = -angle;
  } else if (-180 < angle && angle <= -90) {
    turn = -(angle + 90);
  } else if (0 < angle && angle <= 90) {
    turn = angle;
  } else {
    turn = angle - 90;
  }
  cos_turn = std::cos(radians(turn));
  sin_turn = std::sin(radians(turn));
  // A band from 0 to 1 leaves (next to) no pixel outside: no rough test then.
  rough = width >= 2 && height >= 2 && std::isfinite(extent) && extent >= 1 && (lo > 0 || hi < 1);
  slack = 1e-9 * (static_cast<double>(width) + height + 2) / extent + 1e-9;
}

double DirectionPass::rough_position(int32_t x, int32_t y) const {
  const double u = (x == 0 && y == 0) ? 1 : x;
  const double w = width;
  const double h = height;
  const double row = y;
  double p;
  if (-90 < angle && angle <= 0) {
    p = row * cos_turn + (w - u) * sin_turn;
  } else if (-180 < angle && angle <= -90) {
    p = (w - u) * cos_turn + (h - row) * sin_turn;
  } else if (0 < angle && angle <= 90) {
    // The arc tangent's distances (x + 1, row) differ from the distance's.
    const double across = x + 1.0;
    p = (row * cos_turn + across * sin_turn) *
        (std::sqrt(u * u + row * row) / std::sqrt(across * across + row * row));
  } else {
    p = u * cos_turn + (h - row) * sin_turn;
  }
  return p / extent;
}

double DirectionPass::graded_band_at(int32_t x, int32_t y) const {
  if (rough) {
    // t < lo gives 0; t > max(lo, hi) gives 1, the ends of the band.
    const double t = rough_position(x, y);
    if (t + slack < lo || (t - slack > lo && t - slack > hi)) {
      return band_fraction(t, lo, hi, start, end, reversed);
    }
  }
  return band_at(x, y);
}

void DirectionPass::band_row(int32_t y, std::span<double> s) const {
  for (size_t x = 0; x < s.size(); ++x) s[x] = band_at(static_cast<int32_t>(x), y);
}

}  // namespace bmp
