// The suite's two image files: the 24-bit BMP (54-byte header, rows padded by
// `dm` zero bytes) and the 32-bit "4-byte" file (122-byte header, alpha, red,
// green, blue per pixel, no row padding). Rows are stored bottom row first.
#pragma once

#include <cstdint>
#include <span>

#include "byte_stream.hpp"
#include "console.hpp"
#include "files.hpp"

namespace bmp {

inline constexpr int64_t bmp24_header_bytes = 54;
inline constexpr int64_t bmp32_header_bytes = 122;
// The row length that the defocus tools' size check prints and tests.
inline constexpr int32_t MAX_ROW_PIXELS = 10000;
// The largest file whose size still fits the header's 32-bit size field.
inline constexpr int64_t max_file_bytes = 0xffffffffLL;

// What a reader keeps of an input header.
struct BmpInfo {
  int32_t width = 0;
  int32_t height = 0;
  int32_t planes = 0;  // read, never tested
  int32_t bit_count = 0;
};

// `dm`: the zero bytes that end a stored 24-bit row (the signed width % 4).
constexpr int32_t row_padding(int32_t width) { return width % 4; }
constexpr int64_t row_bytes24(int32_t width) { return 3 * int64_t{width} + row_padding(width); }
constexpr int64_t row_bytes32(int32_t width) { return 4 * int64_t{width}; }
constexpr int64_t bmp24_file_size(int32_t width, int32_t height) {
  return bmp24_header_bytes + int64_t{height} * row_bytes24(width);
}
constexpr int64_t bmp32_file_size(int32_t width, int32_t height) {
  return bmp32_header_bytes + int64_t{height} * row_bytes32(width);
}
// File offsets of the pixel in stored row `row`, column `column` of the
// suite's own files (pixel data at 54, resp. 122).
constexpr int64_t pixel_offset(int64_t row, int64_t column, int32_t width) {
  return bmp24_header_bytes + row * row_bytes24(width) + 3 * column;
}
constexpr int64_t pixel_offset32(int64_t row, int64_t column, int32_t width) {
  return bmp32_header_bytes + 4 * (row * width + column);
}

// Reads width, height, planes and bit count from byte 18 on, the 16-bit values
// masked to 16 bits. Fields past the end read as the stream routines give them.
BmpInfo read_bmp_info(ByteCursor& header);

// Which success line a reader prints, with its matching bit-count message.
enum class SizeLine {
  plain,    // "X_size = %d Y_size = %d 1670万色" (also the %ld form: same bytes)
  alpha,    // "... 1670万色(α付き)", 4-byte files
  infile,   // "Infile%d X_size = ...", with the input's number
  indexed,  // "Infile[%d] X_size = ...", with the input's number
  none,     // nothing on success (a rereading of the tool's own file)
};

struct HeaderCheck {
  bool magic = true;  // test 'B', 'M' first
  SizeLine line = SizeLine::plain;
  int index = 1;               // the number shown by the infile and indexed lines
  int bit_count = 24;          // 24: a 24-bit BMP; 32: a "4-byte" file
  bool low_byte_only = false;  // compare only the low 8 bits of the bit count
};

// Where an input's pixels lie, after its header passed every check.
struct ImageLayout {
  int32_t width = 0;
  int32_t height = 0;
  int64_t data_offset = 0;
  int64_t row_bytes = 0;
  int bytes_per_pixel = 3;
  int64_t offset(int64_t row, int64_t column) const {
    return data_offset + row * row_bytes + bytes_per_pixel * column;
  }
};

// The header part of a run for one input: the magic check, the bit-count test
// with its message, then the checks of the suite's own (complete header, no
// compression, no negative size, sizes that fit, rows all present), then the
// success line. Any failure throws with its message.
ImageLayout read_bmp_header(InputFile& file, Console& console, const HeaderCheck& check);

// Header writers. Sizes are checked first: a negative size or a file whose
// size does not fit its 32-bit field is refused with the file's name.
void write_bmp24_header(OutputFile& out, int32_t width, int32_t height);
void write_bmp32_header(OutputFile& out, int32_t width, int32_t height);

// Refuses output sizes the 24-bit (or 4-byte) header cannot state.
void check_bmp24_size(int64_t width, int64_t height, const std::string& name);
void check_bmp32_size(int64_t width, int64_t height, const std::string& name);

// The next stored row of a 24-bit output: its 3 × width pixel bytes to fill;
// the `dm` zero bytes that end it are already written.
std::span<uint8_t> next_row24(OutputFile& out, int32_t width);

}  // namespace bmp
