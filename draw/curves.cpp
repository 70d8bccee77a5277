#include "draw/curves.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "core/processor.hpp"

namespace bmp {
namespace {

// radians(turn × v + 270) and (sine + 1) / 2 over a row, each element as
// sine_rise forms it.
BMP_VECTOR_CLONES void rise_arguments(double turn, double* __restrict v, size_t n) {
  for (size_t i = 0; i < n; ++i) v[i] = radians(turn * v[i] + 270);
}
BMP_VECTOR_CLONES void rise_values(double* __restrict v, size_t n) {
  for (size_t i = 0; i < n; ++i) v[i] = (v[i] + 1) / 2;
}

// v[i] = function(v[i]), the function called once for each run of values
// with the same bits.
template <class Function>
void in_runs(Function function, double* v, size_t n) {
  if (n == 0) return;
  uint64_t last_value = std::bit_cast<uint64_t>(v[0]);
  double last_result = function(v[0]);
  for (size_t i = 0; i < n; ++i) {
    if (std::bit_cast<uint64_t>(v[i]) != last_value) {
      last_value = std::bit_cast<uint64_t>(v[i]);
      last_result = function(v[i]);
    }
    v[i] = last_result;
  }
}

void sines_in_runs(double* v, size_t n) {
  in_runs([](double a) { return std::sin(a); }, v, n);
}

// v[i] = argument(v[i]) over a row.
template <class Argument>
inline void arguments_of(Argument argument, double* __restrict v, size_t n) {
  for (size_t i = 0; i < n; ++i) v[i] = argument(v[i]);
}

enum class SineShape { ease_out, ease_in, sine_hump };

BMP_VECTOR_CLONES void sine_arguments(SineShape shape, double* __restrict v, size_t n) {
  switch (shape) {
    case SineShape::ease_out:
      return arguments_of(ease_out_argument, v, n);
    case SineShape::ease_in:
      return arguments_of(ease_in_argument, v, n);
    case SineShape::sine_hump:
      return arguments_of(sine_hump_argument, v, n);
  }
}

// v[i] = 1 - v[i], the falling shapes from the rising ones.
BMP_VECTOR_CLONES void one_minus(double* __restrict v, size_t n) {
  for (size_t i = 0; i < n; ++i) v[i] = 1 - v[i];
}

void sine_shape_row(SineShape shape, double* v, size_t n) {
  sine_arguments(shape, v, n);
  sines_in_runs(v, n);
  if (shape == SineShape::ease_in) one_minus(v, n);
}

}  // namespace

void sine_rise_row(double turn, std::span<double> values) {
  const size_t n = values.size();
  if (n == 0) return;
  double* v = values.data();
  rise_arguments(turn, v, n);
  sines_in_runs(v, n);
  rise_values(v, n);
}

void curve_row(CurveFlag flag, double k, std::span<double> values) {
  double* v = values.data();
  const size_t n = values.size();
  switch (flag) {
    case CurveFlag::liner:
      return;
    case CurveFlag::ease_in_out:
      return sine_rise_row(180, values);
    case CurveFlag::ease_out:
      return sine_shape_row(SineShape::ease_out, v, n);
    case CurveFlag::ease_in:
      return sine_shape_row(SineShape::ease_in, v, n);
    case CurveFlag::power:
    case CurveFlag::one_minus_power:
      in_runs([k](double s) { return power_curve(s, k); }, v, n);
      if (flag == CurveFlag::one_minus_power) one_minus(v, n);
      return;
    case CurveFlag::raised_cosine:
      return sine_rise_row(360, values);
    case CurveFlag::sine_hump:
      return sine_shape_row(SineShape::sine_hump, v, n);
  }
}

std::optional<CurveFlag> curve_flag_of(double flag) {
  for (int value = 0; value <= 7; ++value) {
    if (flag == value) return static_cast<CurveFlag>(value);
  }
  return std::nullopt;
}

double curve_value(CurveFlag flag, double s, double k) {
  switch (flag) {
    case CurveFlag::liner:
      return s;
    case CurveFlag::ease_in_out:
      return ease_in_out(s);
    case CurveFlag::ease_out:
      return ease_out(s);
    case CurveFlag::ease_in:
      return ease_in(s);
    case CurveFlag::power:
      return power_curve(s, k);
    case CurveFlag::one_minus_power:
      return 1 - power_curve(s, k);
    case CurveFlag::raised_cosine:
      return raised_cosine(s);
    case CurveFlag::sine_hump:
      return sine_hump(s);
  }
  return s;
}

namespace {

// The largest |c''| of the sine shapes: a sine of ω × s scaled by A bends
// by at most A × ω², ω being pi (the suite's), half of it or twice it.
double sine_bend(CurveFlag flag) {
  const double pi = PI_LITERAL;
  switch (flag) {
    case CurveFlag::ease_in_out:
      return pi * pi / 2;
    case CurveFlag::ease_out:
    case CurveFlag::ease_in:
      return pi * pi / 4;
    case CurveFlag::raised_cosine:
      return 2 * pi * pi;
    case CurveFlag::sine_hump:
      return pi * pi;
    default:
      return 0;
  }
}

// |c''| of s^K (and of 1 - s^K) at s: K |K - 1| s^(K - 2), which grows or
// falls with s, so that its larger value at two knots bounds it between.
// Infinite at 0 for K below 2 (but 0 and 1, straight lines).
double power_bend(double s, double k) {
  if (k == 0 || k == 1) return 0;
  const double bend = k * std::fabs(k - 1) * std::pow(s, k - 2);
  return std::isnan(bend) ? INFINITY : bend;  // K so large that K² overflows
}

// Far above the library's errors in the curve (an ulp or two of values up
// to 1) and the rounding of the straight lines.
constexpr double curve_slack = 1e-12;

}  // namespace

CurveBounds::CurveBounds(CurveFlag flag, double k) : liner_(flag == CurveFlag::liner) {
  if (liner_) return;
  value_.resize(knots + 1);
  for (int i = 0; i <= knots; ++i) value_[i] = curve_value(flag, double(i) / knots, k);
  const double spacing = 1.0 / knots;
  const double line_gap = spacing * spacing / 8;
  const bool power = flag == CurveFlag::power || flag == CurveFlag::one_minus_power;
  bend_.resize(knots);
  for (int i = 0; i < knots; ++i) {
    const double bend =
        power ? 2 * std::max(power_bend(double(i) / knots, k), power_bend(double(i + 1) / knots, k))
              : 1.01 * sine_bend(flag);
    bend_[i] = bend * line_gap + curve_slack;
  }
}

namespace {

// c = s itself: bounds on s are bounds on c.
BMP_VECTOR_CLONES void liner_bounds(const double* __restrict low, const double* __restrict high,
                                    double* __restrict c_low, double* __restrict c_high,
                                    uint8_t* __restrict held, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    held[i] = (low[i] >= 0) & (high[i] <= 1) & (low[i] <= high[i]);
    c_low[i] = low[i];
    c_high[i] = high[i];
  }
}

// The straight line between the knots on each side of the range, moved out
// by the bend; ranges that cannot be held use knot 0, and are marked.
BMP_VECTOR_CLONES void knot_bounds(const double* __restrict value, const double* __restrict bend,
                                   int knots, const double* __restrict low,
                                   const double* __restrict high, double* __restrict c_low,
                                   double* __restrict c_high, uint8_t* __restrict held, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    // Tests joined by & rather than &&: one path through the loop.
    const bool in_range = (low[i] >= 0) & (high[i] <= 1) & (low[i] <= high[i]);
    const double low_knots = low[i] * knots;
    const double high_knots = high[i] * knots;
    const double from = in_range ? low_knots : 0;
    const double to = in_range ? high_knots : 0;
    const int k = std::min(static_cast<int>(from), knots - 1);
    const double base = value[k];
    const double step = value[k + 1] - base;
    const double a = base + step * (from - k);
    const double b = base + step * (to - k);
    c_low[i] = std::min(a, b) - bend[k];
    c_high[i] = std::max(a, b) + bend[k];
    // An infinite bend (a power's at 0) leaves the range unheld.
    held[i] = in_range & (to <= k + 1) & (c_high[i] - c_low[i] < INFINITY);
  }
}

}  // namespace

void CurveBounds::bounds_row(std::span<const double> low, std::span<const double> high,
                             std::span<double> c_low, std::span<double> c_high,
                             std::span<uint8_t> held) const {
  if (liner_) {
    liner_bounds(low.data(), high.data(), c_low.data(), c_high.data(), held.data(), low.size());
  } else {
    knot_bounds(value_.data(), bend_.data(), knots, low.data(), high.data(), c_low.data(),
                c_high.data(), held.data(), low.size());
  }
}

std::optional<double> prompt_power_constant(Console& console) {
  console.write("累乗の定数を入れてください。\n");
  return console.read_real();
}

}  // namespace bmp
