#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/formulas.hpp"

namespace bmp {

enum class ScrambleDirection { encode, decode };

// Shifts each pixel byte by its key, modulo 256: byte n of the image's pixel
// bytes (row ends left out) takes draw n after the seed, divided by 128; so
// pixel x of a row gets keys 1, 2, 3 for blue, green, red from draws 3x,
// 3x + 1, 3x + 2 of that row. Encoding adds, decoding subtracts.
void scramble_bytes(std::span<uint8_t> bytes, Rand15& keys, ScrambleDirection direction);

int run_scramble(std::span<const std::string_view> args);

}  // namespace bmp
