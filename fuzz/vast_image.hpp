// Headers that promise a vast image from a file of a few bytes: a height of
// 0 lets any width through the length check, a width of 0 any height. Both
// are handled correctly, but a width near 2^30 asks for rows of gigabytes of
// memory, and a height near 2^31 for minutes of progress lines (every row is
// reported): no use to a fuzzer that must try thousands of inputs a minute.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace bmp::fuzz {

inline constexpr int64_t vast_side = int64_t{1} << 16;

inline bool declares_vast_image(const uint8_t* file, size_t size) {
  if (size < 26) return false;
  auto le32 = [&](size_t at) {
    return static_cast<int32_t>(uint32_t{file[at]} | uint32_t{file[at + 1]} << 8 |
                                uint32_t{file[at + 2]} << 16 | uint32_t{file[at + 3]} << 24);
  };
  const int64_t width = std::llabs(int64_t{le32(18)});
  const int64_t height = std::llabs(int64_t{le32(22)});
  return width > vast_side || (width == 0 && height > vast_side);
}

}  // namespace bmp::fuzz
