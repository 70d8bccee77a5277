#include "tests/support/bmp_builder.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace bmp::test {

Image make_image(int width, int height, const std::function<Pixel(int, int)>& fill) {
  Image image{width, height, {}};
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) image.pixels.push_back(fill(column, row));
  }
  return image;
}

Image solid_image(int width, int height, Pixel colour) {
  return make_image(width, height, [&](int, int) { return colour; });
}

Image4 make_image4(int width, int height, const std::function<Pixel4(int, int)>& fill) {
  Image4 image{width, height, {}};
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) image.pixels.push_back(fill(column, row));
  }
  return image;
}

uint32_t le32(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t{bytes[at + 3]} << 24;
}

void put_le32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void put_le16(Bytes& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

namespace {

Bytes header(size_t header_size, uint32_t file_size, int width, int height, uint16_t bits) {
  Bytes out(header_size, 0);
  out[0] = 'B';
  out[1] = 'M';
  put_le32(out, 2, file_size);
  put_le32(out, 10, static_cast<uint32_t>(header_size));
  put_le32(out, 14, 40);
  put_le32(out, 18, static_cast<uint32_t>(width));
  put_le32(out, 22, static_cast<uint32_t>(height));
  put_le16(out, 26, 1);
  put_le16(out, 28, bits);
  return out;
}

}  // namespace

Bytes encode_bmp24(const Image& image, uint8_t padding_byte) {
  const int pad = image.width % 4;
  const size_t row = 3 * image.width + pad;
  Bytes out =
      header(54, static_cast<uint32_t>(54 + row * image.height), image.width, image.height, 24);
  for (int r = 0; r < image.height; ++r) {
    for (int c = 0; c < image.width; ++c) {
      const Pixel& p = image.at(c, r);
      out.insert(out.end(), {p.b, p.g, p.r});
    }
    out.insert(out.end(), pad, padding_byte);
  }
  return out;
}

Bytes encode_bmp4(const Image4& image) {
  Bytes out = header(122, static_cast<uint32_t>(122 + 4 * image.width * image.height), image.width,
                     image.height, 32);
  for (const Pixel4& p : image.pixels) out.insert(out.end(), {p.a, p.r, p.g, p.b});
  return out;
}

Image decode_bmp24(const Bytes& file) {
  Image image;
  EXPECT_GE(file.size(), 54u);
  if (file.size() < 54) return image;
  image.width = static_cast<int32_t>(le32(file, 18));
  image.height = static_cast<int32_t>(le32(file, 22));
  const int pad = image.width % 4;
  const size_t row = 3 * image.width + pad;
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(le32(file, 2), file.size()) << "size field";
  EXPECT_EQ(le32(file, 10), 54u);
  EXPECT_EQ(le32(file, 14), 40u);
  EXPECT_EQ(file[26] | file[27] << 8, 1);
  EXPECT_EQ(file[28] | file[29] << 8, 24);
  for (size_t i = 30; i < 54; ++i) EXPECT_EQ(file[i], 0) << "header byte " << i;
  EXPECT_EQ(file.size(), 54 + row * image.height);
  if (file.size() != 54 + row * image.height) return image;
  for (int r = 0; r < image.height; ++r) {
    size_t at = 54 + r * row;
    for (int c = 0; c < image.width; ++c, at += 3) {
      image.pixels.push_back({file[at], file[at + 1], file[at + 2]});
    }
    for (int k = 0; k < pad; ++k) EXPECT_EQ(file[at + k], 0) << "row end byte, row " << r;
  }
  return image;
}

Image4 decode_bmp4(const Bytes& file) {
  Image4 image;
  EXPECT_GE(file.size(), 122u);
  if (file.size() < 122) return image;
  image.width = static_cast<int32_t>(le32(file, 18));
  image.height = static_cast<int32_t>(le32(file, 22));
  EXPECT_EQ(le32(file, 2), file.size()) << "size field";
  EXPECT_EQ(le32(file, 10), 122u);
  EXPECT_EQ(file[28] | file[29] << 8, 32);
  EXPECT_EQ(file.size(), 122u + 4u * image.width * image.height);
  if (file.size() != 122u + 4u * image.width * image.height) return image;
  for (size_t at = 122; at < file.size(); at += 4) {
    image.pixels.push_back({file[at], file[at + 1], file[at + 2], file[at + 3]});
  }
  return image;
}

Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace bmp::test
