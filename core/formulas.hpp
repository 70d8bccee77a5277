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

// The suite's pseudo-random sequence. Scrambled images decode only with
// exactly this sequence, so the constants are fixed.
class Rand15 {
 public:
  void srand15(uint32_t seed) { state_ = seed; }
  int rand15() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7fff);
  }
  // Moves on by `draws` draws at once, to the state that many rand15() calls
  // reach, so that work shared among threads continues the one sequence.
  void skip(uint64_t draws) {
    uint32_t multiplier = 214013u, increment = 2531011u;  // one step
    uint32_t total_multiplier = 1, total_increment = 0;   // the steps taken
    for (; draws != 0; draws >>= 1) {
      if (draws & 1) {
        total_multiplier *= multiplier;
        total_increment = total_increment * multiplier + increment;
      }
      increment *= multiplier + 1;  // the step applied twice
      multiplier *= multiplier;
    }
    state_ = state_ * total_multiplier + total_increment;
  }

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
// A composited value c over a background b with weight T.
constexpr int transparency_composite(int colour, int background, int weight) {
  return truncate_toward_zero((colour * (255 - weight) + background * weight) / 255.0);
}

}  // namespace bmp
