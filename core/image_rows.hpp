// The stored rows of a 24-bit image held in memory (a mapped input or
// temporary file), for engines that visit rows in any order. Every row lies
// inside the memory it was made from: a file too short for its rows is refused
// when the view is made, so no engine can read past its end.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "bmp_io.hpp"
#include "failure.hpp"
#include "files.hpp"
#include "messages.hpp"

namespace bmp {

// The layout of a 24-bit file the suite wrote itself (pixels at byte 54), for
// rereading a temporary file whose header is not read again.
constexpr ImageLayout bmp24_layout(int32_t width, int32_t height) {
  return ImageLayout{width, height, bmp24_header_bytes, row_bytes24(width), 3};
}
// The same for a 4-byte file the suite wrote (pixels at byte 122).
constexpr ImageLayout bmp32_layout(int32_t width, int32_t height) {
  return ImageLayout{width, height, bmp32_header_bytes, row_bytes32(width), 4};
}

// What an engine calls after each output row (progress marks), with the row
// number it counts by.
using RowDone = std::function<void(int32_t row)>;

class ImageRows {
 public:
  // The rows `image` describes inside `bytes`; `name` is the file, for the
  // refusal of one too short to hold them.
  ImageRows(std::span<const uint8_t> bytes, const ImageLayout& image, const std::string& name)
      : image_(image) {
    const uint64_t end =
        static_cast<uint64_t>(image.data_offset) +
        static_cast<uint64_t>(image.height) * static_cast<uint64_t>(image.row_bytes);
    if (image.width < 0 || image.height < 0 || end > bytes.size()) {
      fail(Channel::out, msg::truncated_file, name.c_str());
    }
    data_ = bytes.data() + image.data_offset;
  }
  // The rows of an open file, mapped once.
  ImageRows(InputFile& file, const ImageLayout& image)
      : ImageRows(file.bytes(), image, file.name()) {}

  int32_t width() const { return image_.width; }
  int32_t height() const { return image_.height; }
  // The pixel bytes of stored row r (0 <= r < height): blue, green, red per
  // pixel (alpha, red, green, blue in a 4-byte file).
  const uint8_t* row(int64_t r) const { return data_ + r * image_.row_bytes; }

 private:
  ImageLayout image_;
  const uint8_t* data_ = nullptr;
};

}  // namespace bmp
