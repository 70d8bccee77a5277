#include "composite/luma_table.hpp"

namespace bmp {

// The products are truncated one by one, and adding 0.5 to their integer sum
// before truncating changes nothing, so the sum of the three entries is the
// formula's value.
LumaTable::LumaTable() {
  for (int v = 0; v < 256; ++v) {
    red_[v] = static_cast<uint8_t>(luma_30_59_11(v, 0, 0));
    green_[v] = static_cast<uint8_t>(luma_30_59_11(0, v, 0));
    blue_[v] = static_cast<uint8_t>(luma_30_59_11(0, 0, v));
  }
}

}  // namespace bmp
