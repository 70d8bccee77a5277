// The mask grey level of the compositing tools, luma_30_59_11 by table: the
// three truncated products per byte value, summed.
#pragma once

#include <array>
#include <cstdint>

#include "core/formulas.hpp"

namespace bmp {

class LumaTable {
 public:
  LumaTable();
  // luma_30_59_11(red, green, blue) for bytes; at most 254, so it is its own
  // low 8 bits.
  int operator()(uint8_t red, uint8_t green, uint8_t blue) const {
    return red_[red] + green_[green] + blue_[blue];
  }

 private:
  std::array<uint8_t, 256> red_{};
  std::array<uint8_t, 256> green_{};
  std::array<uint8_t, 256> blue_{};
};

}  // namespace bmp
