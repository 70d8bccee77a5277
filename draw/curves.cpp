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

}  // namespace

void sine_rise_row(double turn, std::span<double> values) {
  const size_t n = values.size();
  if (n == 0) return;
  double* v = values.data();
  rise_arguments(turn, v, n);
  uint64_t last_argument = std::bit_cast<uint64_t>(v[0]);
  double last_sine = std::sin(v[0]);
  for (size_t i = 0; i < n; ++i) {
    if (std::bit_cast<uint64_t>(v[i]) != last_argument) {
      last_argument = std::bit_cast<uint64_t>(v[i]);
      last_sine = std::sin(v[i]);
    }
    v[i] = last_sine;
  }
  rise_values(v, n);
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
