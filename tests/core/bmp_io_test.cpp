#include "core/bmp_io.hpp"

#include <gtest/gtest.h>

#include "core/failure.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp {
namespace {

using test::Bytes;

TEST(RowLayout, PaddingAndRowLengthsForWidthsOneToFive) {
  const int32_t padding[] = {1, 2, 3, 0, 1};
  const int64_t lengths[] = {4, 8, 12, 12, 16};
  for (int32_t width = 1; width <= 5; ++width) {
    EXPECT_EQ(row_padding(width), padding[width - 1]) << width;
    EXPECT_EQ(row_bytes24(width), lengths[width - 1]) << width;
  }
  EXPECT_EQ(bmp24_file_size(2, 2), 70);
  EXPECT_EQ(bmp32_file_size(3, 2), 146);
}

TEST(RowLayout, PixelOffsets) {
  // 24-bit, width 3: rows of 12 bytes.
  EXPECT_EQ(pixel_offset(0, 0, 3), 54);
  EXPECT_EQ(pixel_offset(2, 1, 3), 54 + 24 + 3);
  // 4-byte, 3 x 2: the second stored row begins at byte 134.
  EXPECT_EQ(pixel_offset32(1, 0, 3), 134);
  EXPECT_EQ(pixel_offset32(1, 2, 3), 142);
}

Bytes written_header(void (*writer)(OutputFile&, int32_t, int32_t), int32_t w, int32_t h) {
  test::Scratch scratch;
  std::string path = scratch.path("h.bmp");
  {
    auto out = OutputFile::create(path, "h.bmp");
    writer(*out, w, h);
    out->commit();
  }
  return test::read_file(path);
}

TEST(HeaderWriters, TwentyFourBitHeaderFieldByField) {
  Bytes expected(54, 0);
  expected[0] = 'B';
  expected[1] = 'M';
  test::put_le32(expected, 2, 54 + 3 * 12);  // 3 x 3: rows of 9 + 3 bytes
  test::put_le32(expected, 10, 54);
  test::put_le32(expected, 14, 40);
  test::put_le32(expected, 18, 3);
  test::put_le32(expected, 22, 3);
  test::put_le16(expected, 26, 1);
  test::put_le16(expected, 28, 24);
  EXPECT_EQ(written_header(write_bmp24_header, 3, 3), expected);
}

TEST(HeaderWriters, FourByteHeaderIs122BytesWithAllReservedWordsZero) {
  Bytes expected(122, 0);
  expected[0] = 'B';
  expected[1] = 'M';
  test::put_le32(expected, 2, 146);
  test::put_le32(expected, 10, 122);
  test::put_le32(expected, 14, 40);
  test::put_le32(expected, 18, 3);
  test::put_le32(expected, 22, 2);
  test::put_le16(expected, 26, 1);
  test::put_le16(expected, 28, 32);
  EXPECT_EQ(written_header(write_bmp32_header, 3, 2), expected);
}

TEST(SizeChecks, RefuseNegativeAndOversizedImages) {
  EXPECT_NO_THROW(check_bmp24_size(0, 0, "f"));
  EXPECT_NO_THROW(check_bmp24_size(20000, 20000, "f"));  // 1.2 GB still fits
  // 54 + h * (3w + w % 4) must fit 32 bits.
  EXPECT_THROW(check_bmp24_size(40000, 40000, "f"), ToolFailure);
  EXPECT_THROW(check_bmp24_size(0x7fffffff, 0, "f"), ToolFailure);  // the row alone is too long
  EXPECT_THROW(check_bmp24_size(-1, 1, "f"), ToolFailure);
  EXPECT_THROW(check_bmp24_size(1, -1, "f"), ToolFailure);
  EXPECT_NO_THROW(check_bmp32_size(32767, 32767, "f"));
  EXPECT_THROW(check_bmp32_size(32768, 32768, "f"), ToolFailure);
  try {
    check_bmp24_size(1, -5, "top.bmp");
  } catch (const ToolFailure& failure) {
    EXPECT_STREQ(failure.what(), "Negative size in top.bmp !\n");
  }
}

// Reads a header from bytes through a file, returning the layout and what was printed.
struct Read {
  ImageLayout layout;
  std::string printed;
};

Read read_header(const Bytes& bytes, HeaderCheck check = {}) {
  test::Scratch scratch;
  std::string path = scratch.path("in.bmp");
  test::write_file(path, bytes);
  auto file = InputFile::open(path, "in.bmp");
  testing::internal::CaptureStdout();
  Read read;
  {
    Console console;
    read.layout = read_bmp_header(*file, console, check);
  }
  read.printed = testing::internal::GetCapturedStdout();
  return read;
}

TEST(HeaderReader, TakesPixelsFromTheOffsetFieldWhenItLiesInTheFile) {
  test::Image image = test::solid_image(2, 2, {1, 2, 3});
  Bytes file = test::encode_bmp24(image);
  Read plain = read_header(file);
  EXPECT_EQ(plain.layout.data_offset, 54);
  EXPECT_EQ(plain.printed, "X_size = 2 Y_size = 2 1670万色\n");

  // A 124-byte information header: pixels at 138.
  Bytes larger(file.begin(), file.begin() + 54);
  larger.resize(138, 0);
  larger.insert(larger.end(), file.begin() + 54, file.end());
  test::put_le32(larger, 10, 138);
  test::put_le32(larger, 14, 124);
  EXPECT_EQ(read_header(larger).layout.data_offset, 138);

  // An offset below 54 or beyond the end is not believed: pixels at 54.
  test::put_le32(file, 10, 0);
  EXPECT_EQ(read_header(file).layout.data_offset, 54);
  test::put_le32(file, 10, 100000);
  EXPECT_EQ(read_header(file).layout.data_offset, 54);
}

TEST(HeaderReader, FourByteFilesReadFrom122WhateverTheirCompressionField) {
  test::Image4 image = test::make_image4(3, 2, [](int c, int r) {
    return test::Pixel4{uint8_t(c), uint8_t(r), 0, 0};
  });
  Bytes file = test::encode_bmp4(image);
  test::put_le32(file, 30, 3);  // standard 32-bit files say "bit fields"
  Read read = read_header(file, {.line = SizeLine::alpha, .bit_count = 32});
  EXPECT_EQ(read.layout.data_offset, 122);
  EXPECT_EQ(read.layout.row_bytes, 12);
  EXPECT_EQ(read.printed, "X_size = 3 Y_size = 2 1670万色(α付き)\n");
}

TEST(HeaderReader, SizeLineVariants) {
  Bytes file = test::encode_bmp24(test::solid_image(4, 1, {}));
  EXPECT_EQ(read_header(file, {.line = SizeLine::infile, .index = 2}).printed,
            "Infile2 X_size = 4 Y_size = 1 1670万色\n");
  EXPECT_EQ(read_header(file, {.line = SizeLine::indexed, .index = 7}).printed,
            "Infile[7] X_size = 4 Y_size = 1 1670万色\n");
  EXPECT_EQ(read_header(file, {.line = SizeLine::none}).printed, "");
}

std::string refusal(const Bytes& bytes, HeaderCheck check = {}) {
  try {
    read_header(bytes, check);
  } catch (const ToolFailure& failure) {
    testing::internal::GetCapturedStdout();
    return failure.what();
  }
  return "accepted";
}

TEST(HeaderReader, BitCountMessagesFollowTheSizeLineVariant) {
  Bytes file = test::encode_bmp24(test::solid_image(1, 1, {}));
  test::put_le16(file, 28, 8);
  EXPECT_EQ(refusal(file), "このファイルは1670万色タイプではありません\n");
  EXPECT_EQ(refusal(file, {.line = SizeLine::infile, .index = 1}),
            "このファイルは1670万色タイプではありません。(Infile1)\n");
  EXPECT_EQ(refusal(file, {.line = SizeLine::indexed, .index = 3}),
            "このファイルは1670万色タイプではありません。(Infile[3])\n");
  // Only the low 8 bits are compared where a tool says so: 24 + 256 passes.
  test::put_le16(file, 28, 24 + 256);
  EXPECT_EQ(refusal(file), "このファイルは1670万色タイプではありません\n");
  EXPECT_EQ(refusal(file, {.low_byte_only = true}), "accepted");
}

TEST(HeaderReader, MagicIsTestedOnlyWhereTheToolAsks) {
  Bytes file = test::encode_bmp24(test::solid_image(1, 1, {}));
  file[1] = 'X';
  EXPECT_EQ(refusal(file), "Wrong Format !\n");
  EXPECT_EQ(refusal(file, {.magic = false}), "accepted");
}

}  // namespace
}  // namespace bmp
