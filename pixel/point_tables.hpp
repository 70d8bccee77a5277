// Tables for the point operations whose result depends on one byte alone:
// built once with the tool's own arithmetic for each of the 256 values, they
// give the same bits as computing every byte.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace bmp {

using ByteTable = std::array<uint8_t, 256>;

// Entry v is the low 8 bits of value_of(v).
template <class ValueOf>
ByteTable make_byte_table(const ValueOf& value_of) {
  ByteTable table{};
  for (int v = 0; v < 256; ++v) table[static_cast<size_t>(v)] = static_cast<uint8_t>(value_of(v));
  return table;
}

// One table per channel, in the file order of a pixel's bytes.
struct ChannelTables {
  ByteTable blue;
  ByteTable green;
  ByteTable red;
};

// Rewrites whole pixels (blue, green, red) through their channel's table.
void apply_channel_tables(std::span<uint8_t> pixels, const ChannelTables& tables);

// luma_30_59_11 from three tables of its separately truncated products.
class LumaTable {
 public:
  LumaTable();
  // The grey level 0..254 of the pixel whose bytes are blue, green, red.
  int level(uint8_t blue, uint8_t green, uint8_t red) const {
    return blue_[blue] + green_[green] + red_[red];
  }

 private:
  ByteTable blue_;
  ByteTable green_;
  ByteTable red_;
};

}  // namespace bmp
