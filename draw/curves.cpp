#include "draw/curves.hpp"

namespace bmp {

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
