// The curve shapes: named formulas of a position u in [0, 1], and the flag
// table through which the gradient tools choose one. Angles are in degrees,
// turned into radians by × PI_LITERAL / 180 before the sine.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/console.hpp"
#include "core/formulas.hpp"

namespace bmp {

constexpr double radians(double degrees) { return degrees * PI_LITERAL / 180; }

// (sin(a + 270°) + 1) / 2 for an angle a in degrees: the rising half of a
// cosine for a in 0..180, the full hump for a in 0..360; sin(a + 270°) is
// also the frame falloff's own scaling base. Callers that form the
// angle in their own order (the graded row blur) use this directly.
inline double sine_from_270(double angle_degrees) { return std::sin(radians(angle_degrees + 270)); }
inline double sine_rise(double angle_degrees) { return (sine_from_270(angle_degrees) + 1) / 2; }

// values[i] = sine_rise(turn × values[i]) for every i, bit for bit: the
// sines one after another (one for a run of equal values), the arithmetic
// around them over the whole row at once. Turn 180 gives ease_in_out, 360
// raised_cosine.
void sine_rise_row(double turn, std::span<double> values);

// The plain sine shapes' arguments in radians, apart from their sines so
// that a row can form them all before taking the sines.
inline double ease_out_argument(double u) { return radians(90 * u); }
inline double ease_in_argument(double u) { return radians(90 - 90 * u); }
inline double sine_hump_argument(double u) { return radians(180 * u); }

inline double ease_in_out(double u) { return sine_rise(180 * u); }
inline double ease_out(double u) { return std::sin(ease_out_argument(u)); }
inline double ease_in(double u) { return 1 - std::sin(ease_in_argument(u)); }
inline double power_curve(double u, double k) { return std::pow(u * 1.0, k); }
inline double raised_cosine(double u) { return sine_rise(360 * u); }
inline double sine_hump(double u) { return std::sin(sine_hump_argument(u)); }

enum class CurveFlag {
  liner,
  ease_in_out,
  ease_out,
  ease_in,
  power,
  one_minus_power,
  raised_cosine,
  sine_hump,
};

// The flag selects a shape only when it is exactly 0.0, 1.0, ..., 7.0.
std::optional<CurveFlag> curve_flag_of(double flag);

// The shape's value at s; k is the power constant of the two power shapes.
double curve_value(CurveFlag flag, double s, double k);

// values[i] = curve_value(flag, values[i], k) for every i, bit for bit: the
// library's sines and powers one after another (one for a run of equal
// values, such as the 0s and 1s beyond a band), the arithmetic around them
// over the whole row at once.
void curve_row(CurveFlag flag, double k, std::span<double> values);

// Bounds on curve_value(flag, s, k) for s in a short range within [0, 1],
// without the library's sines and powers: the values at evenly spaced knots,
// joined by straight lines, and how far the curve can bend away from each
// line (an eighth of the squared knot spacing times the largest second
// derivative between the two knots), widened by far more than the library's
// and the rounding's errors.
class CurveBounds {
 public:
  CurveBounds(CurveFlag flag, double k);
  // For each i, c_low[i] <= curve_value(flag, s, k) <= c_high[i] for every
  // s in [low[i], high[i]] and held[i] = 1, where that range lies within
  // [0, 1] and between two neighbouring knots; held[i] = 0 (and c_low[i],
  // c_high[i] undefined) elsewhere.
  void bounds_row(std::span<const double> low, std::span<const double> high,
                  std::span<double> c_low, std::span<double> c_high, std::span<uint8_t> held) const;

 private:
  static constexpr int knots = 4096;  // a power of 2: s × knots is exact
  bool liner_;
  std::vector<double> value_;  // at s = i / knots
  std::vector<double> bend_;   // between knots i and i + 1
};

// Flags 4 and 5 take a power constant from standard input.
constexpr bool needs_power_constant(double flag) { return flag == 4.0 || flag == 5.0; }
// Prints "累乗の定数を入れてください。" and reads a real; nothing when no number
// could be read.
std::optional<double> prompt_power_constant(Console& console);

// "--- FLAG ---" and the table lines for flags 0 to 6; `ramp` and `ramp_over`
// each end the table with their own spacing of the flag 7 line.
inline constexpr std::string_view curve_table_to_flag_6 =
    "--- FLAG ---\n"
    "0  = Liner\n"
    "1  = (sin 270-450)遅早遅\n"
    "2  = (sin   0- 90)早遅\n"
    "3  = (sin  90-180)遅早\n"
    "4  = 累乗         遅早\n"
    "5  = 1-累乗       早遅\n"
    "6  = (sin 270-630)遅早遅早遅\n";
inline constexpr std::string_view ramp_curve_flag_7 = "7  = (sin 0-180)早遅早\n";
inline constexpr std::string_view ramp_over_curve_flag_7 = "7  = (sin   0-180)早遅早\n";

}  // namespace bmp
