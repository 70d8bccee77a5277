#include "bmp_io.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "failure.hpp"
#include "messages.hpp"

namespace bmp {

BmpInfo read_bmp_info(ByteCursor& header) {
  header.seek(18);
  BmpInfo info;
  info.width = read_u32_le(header);
  info.height = read_u32_le(header);
  info.planes = read_u16_le(header) & 0xffff;
  info.bit_count = read_u16_le(header) & 0xffff;
  return info;
}

namespace {

void check_magic(ByteCursor& header) {
  if (header.get() != 'B') fail(msg::wrong_format);
  if (header.get() != 'M') fail(msg::wrong_format);
}

[[noreturn]] void fail_bit_count(const HeaderCheck& check) {
  switch (check.line) {
    case SizeLine::infile:
      fail(Channel::out, msg::not_full_colour_infile, check.index);
    case SizeLine::indexed:
      fail(Channel::out, msg::not_full_colour_indexed, check.index);
    default:
      fail(msg::not_full_colour);
  }
}

void print_size_line(Console& console, const HeaderCheck& check, const BmpInfo& info) {
  switch (check.line) {
    case SizeLine::plain:
      console.print(msg::size_line, info.width, info.height);
      break;
    case SizeLine::alpha:
      console.print(msg::size_line_alpha, info.width, info.height);
      break;
    case SizeLine::infile:
      console.print(msg::size_line_infile, check.index, info.width, info.height);
      break;
    case SizeLine::indexed:
      console.print(msg::size_line_indexed, check.index, info.width, info.height);
      break;
    case SizeLine::none:
      break;
  }
}

uint32_t field_u32(std::span<const uint8_t> header, size_t at) {
  ByteCursor cursor(header, at);
  return static_cast<uint32_t>(read_u32_le(cursor));
}

// Refuses a size that is negative or whose rows or file would not fit the
// header's 32-bit fields; products are formed only after the bounds are known.
void check_size(int64_t width, int64_t height, int64_t header_bytes, int64_t row_bytes,
                const std::string& name) {
  if (width < 0 || height < 0) fail(Channel::out, msg::negative_size, name.c_str());
  const int64_t room = max_file_bytes - header_bytes;
  if (width > INT32_MAX || height > INT32_MAX || row_bytes > room ||
      (row_bytes > 0 && height > room / row_bytes)) {
    fail(Channel::out, msg::too_large, name.c_str());
  }
}

}  // namespace

void check_bmp24_size(int64_t width, int64_t height, const std::string& name) {
  check_size(width, height, bmp24_header_bytes, 3 * width + width % 4, name);
}

void check_bmp32_size(int64_t width, int64_t height, const std::string& name) {
  check_size(width, height, bmp32_header_bytes, 4 * width, name);
}

ImageLayout read_bmp_header(InputFile& file, Console& console, const HeaderCheck& check) {
  const bool four_byte = check.bit_count == 32;
  const int64_t header_bytes = four_byte ? bmp32_header_bytes : bmp24_header_bytes;
  std::array<uint8_t, bmp32_header_bytes> buffer{};
  size_t available = static_cast<size_t>(std::min<uint64_t>(file.size(), header_bytes));
  file.read_at(0, std::span<uint8_t>(buffer.data(), available));
  std::span<const uint8_t> header(buffer.data(), available);

  ByteCursor cursor(header);
  if (check.magic) check_magic(cursor);
  // The bit count is tested as soon as its field is there, so a small 24-bit
  // file given to a 4-byte reader gets the bit-count message, not "truncated".
  constexpr uint64_t through_bit_count = 30;
  if (file.size() < through_bit_count) fail(Channel::out, msg::truncated_file, file.name().c_str());
  BmpInfo info = read_bmp_info(cursor);
  int wanted = check.bit_count;
  int found = check.low_byte_only ? (info.bit_count & 0xff) : info.bit_count;
  if (found != wanted) fail_bit_count(check);
  if (file.size() < static_cast<uint64_t>(header_bytes)) {
    fail(Channel::out, msg::truncated_file, file.name().c_str());
  }

  if (!four_byte && field_u32(header, 30) != 0) {
    fail(Channel::out, msg::compressed_file, file.name().c_str());
  }
  if (four_byte) {
    check_bmp32_size(info.width, info.height, file.name());
  } else {
    check_bmp24_size(info.width, info.height, file.name());
  }

  ImageLayout layout;
  layout.width = info.width;
  layout.height = info.height;
  layout.bytes_per_pixel = four_byte ? 4 : 3;
  layout.row_bytes = four_byte ? row_bytes32(info.width) : row_bytes24(info.width);
  layout.data_offset = header_bytes;
  if (!four_byte) {
    // Files of other programs may carry a larger information header: their
    // pixels start where the offset field says.
    uint32_t offset = field_u32(header, 10);
    if (offset >= bmp24_header_bytes && offset < file.size()) layout.data_offset = offset;
  }
  int64_t data_bytes = int64_t{layout.height} * layout.row_bytes;
  if (static_cast<uint64_t>(layout.data_offset + data_bytes) > file.size()) {
    fail(Channel::out, msg::truncated_file, file.name().c_str());
  }
  print_size_line(console, check, info);
  return layout;
}

namespace {

void write_common_fields(OutputFile& out, int64_t file_size, uint32_t data_offset, int32_t width,
                         int32_t height, uint32_t bit_count) {
  out.put('B');
  out.put('M');
  write_u32_le(static_cast<uint32_t>(file_size), out);
  write_u16_le(0, out);
  write_u16_le(0, out);
  write_u32_le(data_offset, out);
  write_u32_le(40, out);
  write_u32_le(static_cast<uint32_t>(width), out);
  write_u32_le(static_cast<uint32_t>(height), out);
  write_u16_le(1, out);
  write_u16_le(bit_count, out);
}

}  // namespace

void write_bmp24_header(OutputFile& out, int32_t width, int32_t height) {
  check_bmp24_size(width, height, out.name());
  write_common_fields(out, bmp24_file_size(width, height), 54, width, height, 24);
  for (int i = 0; i < 6; ++i) write_u32_le(0, out);
}

void write_bmp32_header(OutputFile& out, int32_t width, int32_t height) {
  check_bmp32_size(width, height, out.name());
  write_common_fields(out, bmp32_file_size(width, height), 122, width, height, 32);
  for (int i = 0; i < 23; ++i) write_u32_le(0, out);
}

std::span<uint8_t> next_row24(OutputFile& out, int32_t width) {
  std::span<uint8_t> row = out.reserve(static_cast<size_t>(row_bytes24(width)));
  size_t pixels = static_cast<size_t>(3 * int64_t{width});
  std::memset(row.data() + pixels, 0, row.size() - pixels);
  return row.first(pixels);
}

}  // namespace bmp
