// The plain loop's sums re-run exactly, and the bound that spares most
// pixels the re-run. The plain loop adds weight × value over the window, rows
// outer and columns inner, in double; its rounding decides a byte only where
// the window's exact mean lies within the bound of a whole number. There its
// additions are made again, exactly as it makes them, with runs of weight-1
// values added at once where that is provably the same.
#pragma once

#include <bit>
#include <cstdint>

#include "defocus/fractional_box/terms.hpp"

namespace bmp::fracbox {

// ---- The plain loop's sums, re-run exactly ----------------------------------

// 2^(e + 1) for a positive s in [2^e, 2^(e + 1)): below it, adding whole
// numbers to s is exact, since s's last bit is worth at most 1.
inline double power_above(double s) {
  uint64_t exponent = std::bit_cast<uint64_t>(s) & 0x7ff0000000000000ull;
  return std::bit_cast<double>(exponent + (uint64_t{1} << 52));
}

// The plain additions of a run of values (value(i) for i < count) to s.
template <class Value>
[[gnu::noinline]] double add_one_by_one(double s, int64_t count, Value value) {
  for (int64_t i = 0; i < count; ++i) s += value(i);
  return s;
}

// s plus a run of whole values 0..255 (value(i) for i < count, summing to
// `total`), as one by one additions form it. Whole numbers add exactly to s
// while the running sum stays below its next power of two, limit; the
// addition that reaches it rounds to the grid there, and since the values are
// multiples of that grid the rounding falls on s's low bits alone, wherever in
// the run it happens: s becomes (s + limit) - limit. That needs each value to
// cross one power of two at most (two at once round only once), which holds
// when no value exceeds s: when s >= 255 or s >= total; and sums below 2^50,
// so that whole numbers are even multiples of every grid they meet. Otherwise
// the run is added one by one.
template <class Value>
inline double add_whole_run(double s, double total, int64_t count, Value value) {
  const double sum = s + total;
  if (sum < power_above(s)) return sum;  // no power of two in the way (s = 0: nothing added)
  if (s == 0) return total;              // whole partial sums below 2^53: exact
  if ((s < 255 && s < total) || sum >= 0x1p50) return add_one_by_one(s, count, value);
  for (double limit = power_above(s); s + total >= limit; limit *= 2) s = (s + limit) - limit;
  return s + total;
}

// How the runs of weight-1 values inside the inner rows are added: one by
// one (cheaper for small windows), or at once through add_whole_run.
enum class Runs { one_by_one, at_once };

// Channel c's sum over the window exactly as the plain loop forms it: rows
// y - M to y + M, in each columns x - M to x + M, sum += weight × value. Every
// addition of a weighted value is made as the loop makes it (weight-1 values
// are added as they are: 1 × v is v). offset(i) is the byte offset of window
// column i's pixel in a row.
template <Runs runs, class Table, class ColumnOffset>
double loop_sum(const Table& sums, int c, int64_t x, int64_t y, const BoxWindow& window,
                ColumnOffset offset) {
  const int64_t m = window.half_width;
  const int64_t last = 2 * m;
  const double f = window.fraction;
  const double ff = window.corner;
  double s = 0;
  auto ring_row = [&](int64_t row) {
    const uint8_t* base = sums.row_pixels(row) + c;
    s += ff * base[offset(0)];
    for (int64_t i = 1; i < last; ++i) s += f * base[offset(i)];
    s += ff * base[offset(last)];
  };

  ring_row(y - m);
  for (int64_t row = y - m + 1; row < y + m; ++row) {
    const uint8_t* base = sums.row_pixels(row) + c;
    s += f * base[offset(0)];
    if constexpr (runs == Runs::at_once) {
      const double run = static_cast<double>(sums.row_run(row, x - m + 1, x + m - 1, c));
      s = add_whole_run(s, run, last - 1,
                        [&](int64_t i) { return static_cast<double>(base[offset(1 + i)]); });
    } else {
      for (int64_t i = 1; i < last; ++i) s += base[offset(i)];
    }
    s += f * base[offset(last)];
  }
  ring_row(y + m);
  return s;
}

// Up to this half-width the runs go one by one.
constexpr int64_t plain_loop_half_width = 3;

// ---- The bound ----------------------------------------------------------------

// True when every product weight × value and every partial sum of a window of
// `samples` values is exact, so that any order of addition gives the loop's
// sum. With f = odd × 2^e every term is a multiple of 2^(2e), and the partial
// sums, at most 255 × samples, are exact below 2^53 × 2^(2e). For a window of 9
// or more samples that needs e >= -20, so the odd part (below 2^-e, as f < 1)
// is under 2^20, and f², f × v and f² × v are exact as well.
inline bool sums_exactly(double fraction, double samples) {
  if (fraction == 0) return true;
  const uint64_t bits = std::bit_cast<uint64_t>(fraction);
  const int biased = static_cast<int>(bits >> 52);
  if (biased == 0) return false;  // subnormal: far too many digits
  const uint64_t digits = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  const int exponent = biased - 1075 + std::countr_zero(digits);  // fraction = odd × 2^exponent
  const int bound = 53 + 2 * exponent;
  if (bound <= 0) return false;
  return 255.0 * samples < std::bit_cast<double>(static_cast<uint64_t>(bound + 1023) << 52);
}

// The loop's sum of n terms lies within (n + 16) × 2^-52 × E of the estimate
// E formed from the window's whole-number parts; see settled_channel. Beyond
// 2^42 terms the bound is not used.
constexpr double max_bounded_samples = 0x1p42;

// trunc(fl(loop / area)) when every quotient within `slack` of `quotient`
// truncates alike, or -1. Here quotient = E × fl(1 / area) for the estimate
// E of the window's exact sum, and slack = (n + 16) × 2^-52 × quotient (plus
// 2^-900) for a window of n samples. Why that holds the loop's quotient: the
// loop adds n non-negative rounded products in double, so |loop - exact| <=
// γ(n) × exact with γ(n) = n u / (1 - n u), u = 2^-53; E's own three roundings
// add γ(3). With n u <= 2^-11 the two stay below (n + 3) × 1.001 × u × E. The
// quotients add three roundings (1 / area, E × that, and the loop's own
// loop / area), so the loop's quotient lies within ((n + 3) × 1.001 + 4) u ×
// quotient of `quotient`. The slack, 2 (n + 16) u × quotient, is more than
// twice that, and so also covers the roundings of quotient ± slack. The 2^-900
// covers products that fall into the subnormal range. Truncation is monotone,
// so equal results at the two ends settle everything between.
// (The quotients lie in [-1, 256], so the plain conversion truncates them.)
inline int settled_channel(double quotient, double slack) {
  const int low = static_cast<int>(quotient - slack);
  const int high = static_cast<int>(quotient + slack);
  return low == high ? low : -1;
}

// trunc(sum / area) for a window's sum, at most 255 × area (plus rounding).
inline uint8_t channel_byte(double sum, double area) {
  return static_cast<uint8_t>(static_cast<int>(sum / area));
}

}  // namespace bmp::fracbox
