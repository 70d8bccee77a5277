#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/formulas.hpp"

namespace bmp {

// Hides a mask in carrier pixels (blue, green, red): each pixel whose mask
// pixel's blue byte is below 128 changes every channel by -2, -1 or +1 from
// three draws (-3 or +3 where it would leave 0..255). The mask's pixels cover
// the carrier's from the first; carrier pixels beyond them stay as they are.
void hide_mask(std::span<uint8_t> carrier, std::span<const uint8_t> mask, Rand15& rand);

enum class RevealColour { mono, colour };

// Compares image pixels with the carrier's: a pixel equal in all three bytes
// becomes white, any other black (mono) or stays (colour).
void reveal_mask(std::span<uint8_t> image, std::span<const uint8_t> carrier, RevealColour colour);

int run_maskhide(std::span<const std::string_view> args);

}  // namespace bmp
