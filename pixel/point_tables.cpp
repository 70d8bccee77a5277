#include "pixel/point_tables.hpp"

#include "core/formulas.hpp"

namespace bmp {

void apply_channel_tables(std::span<uint8_t> pixels, const ChannelTables& tables) {
  uint8_t* p = pixels.data();
  const size_t count = pixels.size() / 3;
  for (size_t i = 0; i < count; ++i, p += 3) {
    p[0] = tables.blue[p[0]];
    p[1] = tables.green[p[1]];
    p[2] = tables.red[p[2]];
  }
}

// Each product alone is the luminance of a pixel with the other two bytes 0
// (the final + 0.5 and truncation leave an integer sum as it is).
LumaTable::LumaTable()
    : blue_(make_byte_table([](int v) { return luma_30_59_11(0, 0, v); })),
      green_(make_byte_table([](int v) { return luma_30_59_11(0, v, 0); })),
      red_(make_byte_table([](int v) { return luma_30_59_11(v, 0, 0); })) {}

}  // namespace bmp
