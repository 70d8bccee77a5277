#include "core/quarter_turn.hpp"

#include <algorithm>
#include <cstring>

#include "core/row_bands.hpp"

namespace bmp {
namespace {

// Tiles of this many output rows and columns, so that the input rows a tile
// reads and the output rows it fills stay in the cache together.
constexpr int32_t tile_pixels = 64;

}  // namespace

void turn_quarter(const ImageRows& source, QuarterTurn turn, OutputFile& out, const RowDone& done) {
  const int32_t w = source.width();
  const int32_t h = source.height();
  auto fill = [&](const RowBlock& block) {
    for (int32_t c0 = 0; c0 < h; c0 += tile_pixels) {
      const int32_t c_end = std::min(h, c0 + tile_pixels);
      for (int32_t k = 0; k < block.count; ++k) {
        const int32_t r = block.first + k;
        const int64_t column = turn.column_from_right ? w - 1 - r : r;
        uint8_t* target = block.pixels + static_cast<size_t>(k) * block.stride;
        for (int32_t c = c0; c < c_end; ++c) {
          const int32_t row = turn.row_from_top ? h - 1 - c : c;
          std::memcpy(target + 3 * static_cast<size_t>(c), source.row(row) + 3 * column, 3);
        }
      }
    }
  };
  produce_row_blocks24(out, h, w, tile_pixels, h, fill, done);
}

}  // namespace bmp
