#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/formulas.hpp"

namespace bmp {

enum class NoiseKind { colour, luminance, mono };

// One pixel in about `number` mixed with random levels, drawn from rand15 in
// file order: per pixel the selector draw, then, for a chosen pixel, three
// draws (colour, blue's first) or one (luminance, mono).
class GrainNoise {
 public:
  GrainNoise(double percent, NoiseKind kind, int number);
  // Noises whole pixels (blue, green, red) in order, drawing from `rand`.
  void apply(std::span<uint8_t> pixels, Rand15& rand) const;
  // Whether a selector draw chooses its pixel.
  bool chooses(int draw) const { return draw < chosen_below_; }
  NoiseKind kind() const { return kind_; }

 private:
  double a_;  // percent / 100: the weight of the noise
  double b_;  // 1 - a: the weight of the pixel
  NoiseKind kind_;
  int chosen_below_;  // selector draws below this choose their pixel
};

int run_grain(std::span<const std::string_view> args);

}  // namespace bmp
