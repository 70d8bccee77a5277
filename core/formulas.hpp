// Numeric rules shared across the suite: the random sequence, the two
// luminances, the decimal pi, the one real-to-integer conversion and the two
// transparency formulas. Order of operations and truncations are part of each.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace bmp {

// Pi as the suite writes it, in every degree/radian conversion.
inline constexpr double PI_LITERAL = 3.141592654;

// Truncation toward zero; NaN gives 0 and values beyond the 32-bit range
// saturate, so no conversion is ever undefined.
constexpr int32_t truncate_toward_zero(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// The generator's step taken n times, as one map state -> mul × state + add
// (modulo 2^32): the state n draws ahead, in log n steps.
struct Rand15Jump {
  uint32_t mul = 1;
  uint32_t add = 0;
  constexpr uint32_t operator()(uint32_t state) const { return mul * state + add; }
};
constexpr Rand15Jump rand15_jump(uint64_t n) {
  Rand15Jump total;
  Rand15Jump step{214013u, 2531011u};
  for (; n != 0; n >>= 1) {
    if (n & 1) total = {step.mul * total.mul, step.mul * total.add + step.add};
    step = {step.mul * step.mul, step.mul * step.add + step.add};
  }
  return total;
}

// The suite's pseudo-random sequence. Scrambled images decode only with
// exactly this sequence, so the constants are fixed.
class Rand15 {
 public:
  void srand15(uint32_t seed) { state_ = seed; }
  int rand15() {
    state_ = state_ * 214013u + 2531011u;
    return value_of(state_);
  }
  // Skips n draws, for work that starts further along the sequence.
  void discard(uint64_t n) { state_ = rand15_jump(n)(state_); }
  uint32_t state() const { return state_; }
  // The draw that a state yields: its bits 16 to 30.
  static constexpr int value_of(uint32_t state) { return static_cast<int>((state >> 16) & 0x7fff); }

 private:
  uint32_t state_ = 1;
};

// R × 77/255 + G × 150/255 + B × 28/255 + 0.5, each term product first.
constexpr double luma_77_150_28_real(int red, int green, int blue) {
  return red * 77 / 255.0 + green * 150 / 255.0 + blue * 28 / 255.0 + 0.5;
}
constexpr int luma_77_150_28(int red, int green, int blue) {
  return truncate_toward_zero(luma_77_150_28_real(red, green, blue));
}

// Three separately truncated products: white gives 254, not 255.
constexpr int luma_30_59_11(int red, int green, int blue) {
  return truncate_toward_zero(truncate_toward_zero(red * 0.30) +
                              truncate_toward_zero(green * 0.59) +
                              truncate_toward_zero(blue * 0.11) + 0.5);
}

// The drawing tools' blend: 0 % puts the colour, 100 % keeps the pixel.
class TransparencyMix {
 public:
  explicit constexpr TransparencyMix(double percent) : m_(percent / 100), n_(1 - m_) {}
  // The caller stores the low 8 bits.
  constexpr int operator()(double pixel, double colour) const {
    return truncate_toward_zero(pixel * m_ + colour * n_);
  }

 private:
  double m_;
  double n_;
};

// The compositing tools' weight T = trunc(P × 2.55): 100 gives 254.
constexpr int transparency_weight(int percent) { return truncate_toward_zero(percent * 2.55); }
// A composited value c over a background b with weight T. A percentage
// outside 0..100 gives a weight outside 0..255 and a value outside the byte
// range (the caller stores its low 8 bits): the numerator is formed in 64 bits
// and divided toward zero, which is the real quotient truncated for every
// numerator of byte values and a 32-bit weight.
constexpr int64_t transparency_composite(int64_t colour, int64_t background, int64_t weight) {
  return (colour * (255 - weight) + background * weight) / 255;
}

}  // namespace bmp
