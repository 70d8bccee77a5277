// Test images built from literals, written by this small builder of the tests'
// own (it shares no code with the tools), and parsed back the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bmp::test {

using Bytes = std::vector<uint8_t>;

struct Pixel {
  uint8_t b = 0, g = 0, r = 0;
  bool operator==(const Pixel&) const = default;
};

struct Pixel4 {
  uint8_t a = 0, r = 0, g = 0, b = 0;
  bool operator==(const Pixel4&) const = default;
};

// A 24-bit image; pixels[row * width + column], row 0 the bottom (stored) row.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Pixel> pixels;
  Pixel& at(int column, int row) { return pixels[static_cast<size_t>(row) * width + column]; }
  const Pixel& at(int column, int row) const {
    return pixels[static_cast<size_t>(row) * width + column];
  }
};

struct Image4 {
  int width = 0;
  int height = 0;
  std::vector<Pixel4> pixels;
  const Pixel4& at(int column, int row) const {
    return pixels[static_cast<size_t>(row) * width + column];
  }
};

Image make_image(int width, int height, const std::function<Pixel(int column, int row)>& fill);
Image solid_image(int width, int height, Pixel colour);
Image4 make_image4(int width, int height, const std::function<Pixel4(int column, int row)>& fill);

// The file bytes of the suite's 24-bit and 4-byte formats; `padding_byte` fills
// the row ends (readers must ignore it).
Bytes encode_bmp24(const Image& image, uint8_t padding_byte = 0);
Bytes encode_bmp4(const Image4& image);

// Parses a 24-bit file written by a tool, checking its header against the
// layout every tool writes; a mismatch fails the current test.
Image decode_bmp24(const Bytes& file);
Image4 decode_bmp4(const Bytes& file);

uint32_t le32(const Bytes& bytes, size_t at);
void put_le32(Bytes& bytes, size_t at, uint32_t value);
void put_le16(Bytes& bytes, size_t at, uint16_t value);

Bytes read_file(const std::string& path);
void write_file(const std::string& path, const Bytes& bytes);

}  // namespace bmp::test
