// scramble, run as its own process on images the tests build.
#include <gtest/gtest.h>

#include "tests/pixel/pixel_cli.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("SCRAMBLE UTILITY (BMP FILE VERSION)\n") +
                          "\nUSAGE: COMMAND INFILE OUTFILE Flag 暗証番号(4桁)\n\n"
                          "---- Flag ----\n"
                          "0 --- encode\n"
                          "1 --- decode\n"
                          "\nWARNING BMP FILE ONLY\n";

const std::string wrong_code = "暗証番号が違います!(0000-9999)\n";

// Each row's keys drawn first, three per pixel, from the generator seeded
// with code + 263; then each byte shifted by its key (sign +1 or -1).
Image shifted(const Image& in, int code, int sign) {
  Lcg rand{static_cast<uint32_t>(code + 263)};
  Image out = in;
  for (int r = 0; r < in.height; ++r) {
    std::vector<int> keys(static_cast<size_t>(3 * in.width));
    for (int& k : keys) k = rand.next() / 128;
    for (int c = 0; c < in.width; ++c) {
      Pixel& p = out.at(c, r);
      const int* k = &keys[static_cast<size_t>(3 * c)];
      p = {uint8_t((p.b + sign * k[0] + 256) % 256), uint8_t((p.g + sign * k[1] + 256) % 256),
           uint8_t((p.r + sign * k[2] + 256) % 256)};
    }
  }
  return out;
}

TEST(Scramble, OtherArgumentCountsPrintTheUsage) {
  expect_refused_counts("scramble", {0, 1, 2, 5}, usage);
}

TEST(Scramble, ABlackImageEncodesToTheKeyStream) {
  for (int width = 1; width <= 5; ++width) {
    for (int code : {0, 42, 9999}) {
      Image black = solid_image(width, 3, {0, 0, 0});
      Outcome got = run_on("scramble", black, {"IN", "OUT", "0", std::to_string(code)});
      ASSERT_EQ(got.result.status, 0);
      EXPECT_EQ(got.result.out, size_line(width, 3) + progress(3));
      Lcg rand{static_cast<uint32_t>(code + 263)};
      std::vector<Pixel> keys(black.pixels.size());
      for (Pixel& p : keys) {
        p.b = uint8_t(rand.next() / 128);
        p.g = uint8_t(rand.next() / 128);
        p.r = uint8_t(rand.next() / 128);
      }
      EXPECT_EQ(got.image.pixels, keys) << "width " << width << ", code " << code;
    }
  }
}

TEST(Scramble, FlagsAndCodes) {
  const Image sweep = byte_sweep(7, 5);
  struct Case {
    std::vector<std::string> flag_and_code;
    int code, sign;
  };
  const Case cases[] = {
      {{"0"}, 0, +1},          {{"0", "42"}, 42, +1},
      {{"0", "0042"}, 42, +1}, {{"0", "12.9"}, 12, +1},
      {{"0.7", "5"}, 5, +1},   {{"x", "5"}, 5, +1},
      {{"0", "x"}, 0, +1},     {{"1", "9999"}, 9999, -1},
      {{"2", "5"}, 5, -1},     {{"-1", "5"}, 5, -1},
      {{"1"}, 0, -1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"IN", "OUT"};
    args.insert(args.end(), c.flag_and_code.begin(), c.flag_and_code.end());
    Outcome got = run_on("scramble", sweep, args);
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.image.pixels, shifted(sweep, c.code, c.sign).pixels)
        << testing::PrintToString(c.flag_and_code);
  }
}

TEST(Scramble, DecodingWithTheSameCodeRestoresEveryByte) {
  // Widths 0 to 5, one past a read block's worth of rows, and past 10000.
  for (int width : {0, 1, 2, 3, 4, 5, 17, 10001, 100003}) {
    for (int code : {0, 1, 4321, 9999}) {
      if (width >= 10000 && code != 4321) continue;
      Scratch s;
      Image in = byte_sweep(width, width > 10000 ? 2 : 4);
      write_file(s.path("IN.bmp"), encode_bmp24(in, 0x33));
      ASSERT_EQ(run_files(s, "scramble", {"IN", "IN2", "0", std::to_string(code)}).result.status,
                0);
      Outcome back = run_files(s, "scramble", {"IN2", "OUT", "1", std::to_string(code)});
      ASSERT_EQ(back.result.status, 0);
      EXPECT_EQ(encode_bmp24(back.image), encode_bmp24(in)) << width << ", code " << code;
      if (width == 10001) {
        EXPECT_EQ(decode_bmp24(read_file(s.path("IN2.bmp"))).pixels, shifted(in, code, +1).pixels);
      }
    }
  }
}

TEST(Scramble, ACodeOutsideFourDigitsIsRefusedAfterTheSizeLine) {
  for (const char* code : {"10000", "-1", "1e10", "-0.5x"}) {
    Scratch s;
    write_file(s.path("IN.bmp"), encode_bmp24(byte_sweep(3, 2)));
    Outcome got = run_files(s, "scramble", {"IN", "OUT", "0", code});
    if (std::string(code) == "-0.5x") {  // truncates to 0: accepted
      EXPECT_EQ(got.result.status, 0);
      continue;
    }
    EXPECT_EQ(got.result.status, 1) << code;
    EXPECT_EQ(got.result.out, size_line(3, 2) + wrong_code) << code;
    EXPECT_FALSE(got.written);
  }
}

}  // namespace
}  // namespace bmp::test
