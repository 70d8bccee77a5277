// spectra, run as its own process on images the tests build.
#include <gtest/gtest.h>

#include <array>

#include "tests/pixel/pixel_cli.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("SPECTRA UTILITY (BMP FILE VERSION)\n") +
                          "\n24-bitのデータをモノクロデータで虹化する\n\n"
                          "USAGE: COMMAND Infile Outfile up dn kaiten\n"
                          "\nWARNING for BMP FILE ONLY\n";

// The rainbow, segment by segment as the table of segments gives it, g
// wrapped into 0..255.
std::array<Pixel, 256> rainbow(long long up, long long dn, long long kaiten) {
  const long long d = up - dn;
  auto rise = [&](double divisor, long long offset) {
    return static_cast<long long>(std::trunc(d / divisor * offset + dn));
  };
  auto fall = [&](double divisor, long long offset) {
    return up - static_cast<long long>(std::trunc(d / divisor * offset));
  };
  auto px = [](long long b, long long g, long long r) {
    return Pixel{uint8_t(b), uint8_t(g), uint8_t(r)};
  };
  std::array<Pixel, 256> table;
  for (long long i = 0; i < 256; ++i) {
    const long long g = ((i + kaiten) % 256 + 256) % 256;
    if (g < 43) {
      table[i] = px(up, rise(42, g), dn);
    } else if (g < 86) {
      table[i] = px(fall(43, g - 43), up, dn);
    } else if (g < 128) {
      table[i] = px(dn, up, rise(42, g - 86));
    } else if (g < 171) {
      table[i] = px(dn, fall(43, g - 128), up);
    } else if (g < 213) {
      table[i] = px(rise(42, g - 171), dn, up);
    } else {
      table[i] = px(up, dn, fall(42, g - 213));
    }
  }
  return table;
}

Image painted(const Image& in, const std::array<Pixel, 256>& table) {
  return mapped(in, [&](Pixel p) { return table[static_cast<size_t>(grey_level(p))]; });
}

// Some pixel whose grey level is `level`.
Pixel pixel_of_level(int level) {
  for (int r = 0; r < 256; ++r) {
    for (int g = 0; g < 256; ++g) {
      for (int b = 0; b < 256; ++b) {
        Pixel p{uint8_t(b), uint8_t(g), uint8_t(r)};
        if (grey_level(p) == level) return p;
      }
    }
  }
  ADD_FAILURE() << "no pixel of level " << level;
  return {};
}

TEST(Spectra, ALoneArgumentIsRefusedAndOtherCountsPrintTheUsage) {
  ToolResult lone = run("spectra", {"a.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "\nWrong Paramater !\n");
  expect_refused_counts("spectra", {0, 2, 3, 4, 6}, usage);
}

TEST(Spectra, TheRainbowsTurningPoints) {
  struct Case {
    int level;
    Pixel colour;
  };
  const Case cases[] = {
      {0, {255, 0, 0}},   {42, {255, 255, 0}},  {86, {0, 255, 0}},  {128, {0, 255, 255}},
      {171, {0, 0, 255}}, {213, {255, 0, 255}}, {254, {255, 0, 7}},
  };
  std::vector<Pixel> in, want;
  for (const Case& c : cases) {
    in.push_back(pixel_of_level(c.level));
    want.push_back(c.colour);
  }
  Image image{static_cast<int>(in.size()), 1, in};
  Outcome got = run_on("spectra", image, {"IN", "OUT", "255", "0", "0"});
  ASSERT_EQ(got.result.status, 0);
  EXPECT_EQ(got.result.out, infile1_line(7, 1) + progress(1) + size_is(7, 1));
  EXPECT_EQ(got.image.pixels, want);

  // Turned by 86 steps, black is green.
  got = run_on("spectra", image, {"IN", "OUT", "255", "0", "86"});
  ASSERT_EQ(got.result.status, 0);
  EXPECT_EQ(got.image.pixels.at(0), (Pixel{0, 255, 0}));
}

TEST(Spectra, EveryPixelFollowsTheSegmentTable) {
  const Image sweep = byte_sweep(16, 16);
  struct Case {
    int up, dn, kaiten;
  };
  // Levels beyond a byte keep their low 8 bits; a negative turn wraps.
  const Case cases[] = {{255, 0, 0},      {200, 30, 5}, {30, 200, 100},        {255, 0, -7},
                        {1000, -1000, 3}, {77, 77, 12}, {255, 0, 256 * 3 + 1}, {9, 250, -300}};
  for (const Case& c : cases) {
    Outcome got =
        run_on("spectra", sweep,
               {"IN", "OUT", std::to_string(c.up), std::to_string(c.dn), std::to_string(c.kaiten)});
    ASSERT_EQ(got.result.status, 0);
    EXPECT_EQ(got.image.pixels, painted(sweep, rainbow(c.up, c.dn, c.kaiten)).pixels)
        << c.up << " " << c.dn << " " << c.kaiten;
  }
}

TEST(Spectra, TurnsAgreeModulo256AndEqualLevelsGiveOneGrey) {
  const Image sweep = byte_sweep(16, 16);
  auto out = [&](const std::string& kaiten) {
    return run_on("spectra", sweep, {"IN", "OUT", "200", "10", kaiten}).image.pixels;
  };
  EXPECT_EQ(out("0"), out("256"));
  EXPECT_EQ(out("-7"), out("249"));
  EXPECT_EQ(out("-2147483648"), out("0"));  // -2^31 is a whole number of turns
  Outcome flat = run_on("spectra", sweep, {"IN", "OUT", "77", "77", "40"});
  EXPECT_EQ(flat.image.pixels, solid_image(16, 16, {77, 77, 77}).pixels);
}

TEST(Spectra, WidthsZeroToFiveAndTheBitCount) {
  for (int width = 0; width <= 5; ++width) {
    Image in = byte_sweep(width, 3);
    Outcome got = run_on("spectra", in, {"IN", "OUT", "255", "0", "0"});
    ASSERT_EQ(got.result.status, 0);
    EXPECT_EQ(got.result.out, infile1_line(width, 3) + progress(3) + size_is(width, 3));
    EXPECT_EQ(encode_bmp24(got.image), encode_bmp24(painted(in, rainbow(255, 0, 0))));
  }
  Scratch s;
  Bytes in = encode_bmp24(byte_sweep(2, 2));
  put_le16(in, 28, 32);
  write_file(s.path("IN.bmp"), in);
  Outcome got = run_files(s, "spectra", {"IN", "OUT", "255", "0", "0"});
  EXPECT_EQ(got.result.status, 1);
  EXPECT_EQ(got.result.out, "このファイルは1670万色タイプではありません。(Infile1)\n");
  EXPECT_FALSE(got.written);
}

}  // namespace
}  // namespace bmp::test
