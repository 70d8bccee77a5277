// banding, run as its own process on images the tests build.
#include <gtest/gtest.h>

#include "tests/pixel/pixel_cli.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("BANDING UTILITY (BMP FILE VERSION)\n") +
                          "\nUSAGE: Command Infile Outfile 全体 部分\n\n"
                          "---類似COMMAND ---\n"
                          "BANDING  --- モノクロ用\n"
                          "BANDING_RGB --- カラー用(実験的)\n"
                          "\nWARNING for BMP FILE ONLY\n";

// The band level of blue byte b: the angle b × 360/255 less 360 / whole ×
// part, through the sine with pi as 3.141592654.
uint8_t band(int b, double whole, double part) {
  const double x = b * 1.411764705882353 - 360 / whole * part;
  return uint8_t(trunc_int(std::sin(x * 3.141592654 / 180) * 127 + 128));
}

Image blues(std::vector<int> values) {
  return make_image(static_cast<int>(values.size()), 1, [&](int c, int) {
    return Pixel{uint8_t(values[static_cast<size_t>(c)]), uint8_t(c * 50), 200};
  });
}

std::string once(int rows) {
  char line[16];
  std::snprintf(line, sizeof line, "[%04d]\r", rows);
  return line;
}

TEST(Banding, OtherArgumentCountsPrintTheUsage) {
  expect_refused_counts("banding", {0, 1, 2, 3, 5}, usage);
}

TEST(Banding, WorkedValues) {
  struct Case {
    const char *whole, *part;
    std::vector<int> in, out;
  };
  const Case cases[] = {
      {"1", "0", {0, 64, 128, 191, 255}, {128, 254, 126, 1, 128}},
      {"4", "1", {0}, {1}},
      {"4", "2", {0}, {128}},
      {"4", "3", {0}, {255}},
      // A whole turn with the decimal pi is not quite a whole turn: part 4 of
      // 4 is a level below part 0 at level 0.
      {"4", "4", {0}, {127}},
      {"4", "0", {0}, {128}},
  };
  for (const Case& c : cases) {
    Outcome got = run_on("banding", blues(c.in), {"IN", "OUT", c.whole, c.part});
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    for (size_t i = 0; i < c.out.size(); ++i) {
      const uint8_t v = uint8_t(c.out[i]);
      EXPECT_EQ(got.image.pixels.at(i), (Pixel{v, v, v}))
          << c.whole << " " << c.part << " level " << c.in[i];
    }
  }
}

TEST(Banding, OnlyTheBlueByteCountsForEveryLevel) {
  const Image sweep = byte_sweep(16, 16);
  for (auto [whole, part] : std::vector<std::pair<double, double>>{
           {1, 0}, {4, 1}, {7, 3}, {2.5, -1.25}, {-3, 2}, {1e300, 1e300}}) {
    char w[32], p[32];
    std::snprintf(w, sizeof w, "%.17g", whole);
    std::snprintf(p, sizeof p, "%.17g", part);
    Outcome got = run_on("banding", sweep, {"IN", "OUT", w, p});
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    Image want = mapped(sweep, [whole = whole, part = part](Pixel px) {
      const uint8_t v = band(px.b, whole, part);
      return Pixel{v, v, v};
    });
    EXPECT_EQ(got.image.pixels, want.pixels) << w << " " << p;
  }
}

TEST(Banding, OneProgressLineAfterTheLastRow) {
  for (int width = 0; width <= 5; ++width) {
    for (int height : {0, 1, 5}) {
      Image in = byte_sweep(width, height);
      Outcome got = run_on("banding", in, {"IN", "OUT", "1", "0"});
      ASSERT_EQ(got.result.status, 0);
      EXPECT_EQ(got.result.out, size_line(width, height) + once(height));
      EXPECT_EQ(encode_bmp24(got.image), encode_bmp24(mapped(in, [](Pixel px) {
                  const uint8_t v = band(px.b, 1, 0);
                  return Pixel{v, v, v};
                })));
    }
  }
}

TEST(Banding, ArgumentsWithoutAnAngleAreRefusedWithoutOutput) {
  struct Case {
    const char *whole, *part;
    std::string message;
  };
  const Case cases[] = {
      {"nan", "0", "Number out of range: nan !\n"},
      {"1", "inf", "Number out of range: inf !\n"},
      {"-inf", "1", "Number out of range: -inf !\n"},
      {"0", "1", "No phase for whole 0 and part 1 !\n"},
      {"0", "0", "No phase for whole 0 and part 0 !\n"},
      {"x", "3", "No phase for whole x and part 3 !\n"},  // text reads as 0
      {"1e-320", "1", "No phase for whole 1e-320 and part 1 !\n"},
      {"1e-300", "1e300", "No phase for whole 1e-300 and part 1e300 !\n"},
  };
  for (const Case& c : cases) {
    Scratch s;
    write_file(s.path("IN.bmp"), encode_bmp24(byte_sweep(3, 2)));
    Outcome got = run_files(s, "banding", {"IN", "OUT", c.whole, c.part});
    EXPECT_EQ(got.result.status, 1);
    EXPECT_EQ(got.result.out, c.message);
    EXPECT_FALSE(got.written);
  }
}

}  // namespace
}  // namespace bmp::test
