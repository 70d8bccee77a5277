#include "draw/curves.hpp"

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

std::optional<double> prompt_power_constant(Console& console) {
  console.write("累乗の定数を入れてください。\n");
  return console.read_real();
}

}  // namespace bmp
