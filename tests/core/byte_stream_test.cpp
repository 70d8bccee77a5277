#include "core/byte_stream.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace bmp {
namespace {

struct Sink {
  std::vector<uint8_t> bytes;
  int put(int byte) {
    bytes.push_back(static_cast<uint8_t>(byte));
    return byte & 0xff;
  }
};

int32_t read32(std::vector<uint8_t> bytes) {
  ByteCursor cursor(bytes);
  return read_u32_le(cursor);
}

int32_t read16(std::vector<uint8_t> bytes) {
  ByteCursor cursor(bytes);
  return read_u16_le(cursor);
}

TEST(ByteStream, ReadsFieldsLeastSignificantByteFirst) {
  EXPECT_EQ(read32({0x36, 0, 0, 0}), 54);
  EXPECT_EQ(read32({0xff, 0xff, 0xff, 0xff}), -1);
  EXPECT_EQ(read32({0x78, 0x56, 0x34, 0x12}), 0x12345678);
  EXPECT_EQ(read16({0x28, 0x00}), 40);
  EXPECT_EQ(read16({0x34, 0x12}), 0x1234);
}

TEST(ByteStream, AFieldCutShortReadsAsTheEndOfFileBits) {
  EXPECT_EQ(read32({}), -1);
  // The missing fourth byte (-1) sets bits 24 to 31.
  EXPECT_EQ(static_cast<uint32_t>(read32({0x01, 0x02, 0x03})), 0xff030201u);
  // A missing second byte sets bits 8 and up.
  EXPECT_EQ(static_cast<uint32_t>(read32({0x01})), 0xffffff01u);
  EXPECT_EQ(read16({}), 0xffff);
  EXPECT_EQ(read16({0x12}), 0xff12);
}

TEST(ByteStream, WritersPutFourOrTwoBytesAndDropHigherBits) {
  Sink sink;
  write_u32_le(static_cast<uint32_t>(-1), sink);
  write_u32_le(54, sink);
  write_u16_le(24, sink);
  write_u16_le(24 + 65536, sink);
  EXPECT_EQ(sink.bytes,
            (std::vector<uint8_t>{0xff, 0xff, 0xff, 0xff, 0x36, 0, 0, 0, 0x18, 0, 0x18, 0}));
  EXPECT_EQ(write_u16_le(0xabcd, sink), 0xab);
}

TEST(ByteStream, EverySixteenBitValueAndSampledThirtyTwoBitValuesRoundTrip) {
  for (uint32_t v = 0; v < 65536; ++v) {
    Sink sink;
    write_u16_le(v, sink);
    ASSERT_EQ(read16(sink.bytes), static_cast<int32_t>(v));
  }
  for (uint64_t v = 0; v <= 0xffffffffu; v += 0x10001u * 7 + 1) {
    Sink sink;
    write_u32_le(static_cast<uint32_t>(v), sink);
    ASSERT_EQ(static_cast<uint32_t>(read32(sink.bytes)), v);
  }
}

}  // namespace
}  // namespace bmp
