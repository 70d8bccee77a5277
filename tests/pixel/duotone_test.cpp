// duotone, run as its own process on images the tests build.
#include <gtest/gtest.h>

#include "tests/pixel/pixel_cli.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("DUOTONE UTILITY (BMP FILE VERSION)\n") +
                          "\n24-bitのデータをモノトーンにする\n\n"
                          "USAGE: COMMAND Infile Outfile ----------------------- mono\n"
                          "       COMMAND Infile Outfile R1 G1 B1 -------------- 1-color\n"
                          "       COMMAND Infile Outfile R1 G1 B1 R2 B2 G2 ----- 2-color\n"
                          "\nWARNING for BMP FILE ONLY\n";

// The ramp from dark d to light l at grey level i: the difference over 255
// first, then times i, then d added.
uint8_t ramp(int d, int l, int i) { return uint8_t(trunc_int(d + (l - d) / 255.0 * i)); }

Image toned(const Image& in, Pixel dark, Pixel light) {
  return mapped(in, [&](Pixel p) {
    const int i = grey_level(p);
    return Pixel{ramp(dark.b, light.b, i), ramp(dark.g, light.g, i), ramp(dark.r, light.r, i)};
  });
}

TEST(Duotone, ALoneArgumentIsRefusedAndOtherCountsPrintTheUsage) {
  ToolResult lone = run("duotone", {"a.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "WARNING for BMP FILE ONLY\n");
  expect_refused_counts("duotone", {0, 3, 4, 6, 7, 9}, usage);
}

TEST(Duotone, WorkedValues) {
  const Pixel black{0, 0, 0}, grey{128, 128, 128}, white{255, 255, 255};
  struct Case {
    std::vector<std::string> colours;
    Pixel in, out;
  };
  const Case cases[] = {
      {{}, grey, {127, 127, 127}},
      {{}, white, {254, 254, 254}},
      {{}, black, black},
      {{"255", "0", "0"}, black, {0, 0, 255}},
      {{"255", "0", "0"}, grey, {127, 127, 255}},
      {{"255", "0", "0"}, white, {254, 254, 255}},
      // Colours keep their low 8 bits: 256 is 0, -1 is 255.
      {{"256", "-1", "511"}, black, {255, 255, 0}},
      // The light colour's arguments are red, green, blue, whatever the usage
      // line calls them: white (grey 254) comes close to (10, 20, 30).
      {{"0", "0", "0", "10", "20", "30"},
       white,
       {ramp(0, 30, 254), ramp(0, 20, 254), ramp(0, 10, 254)}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"IN", "OUT"};
    args.insert(args.end(), c.colours.begin(), c.colours.end());
    Outcome got = run_on("duotone", solid_image(1, 1, c.in), args);
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.image.pixels.at(0), c.out) << testing::PrintToString(c.colours);
  }
}

TEST(Duotone, EveryPixelFollowsItsGreyLevel) {
  const Image sweep = byte_sweep(16, 16);
  struct Case {
    std::vector<std::string> colours;
    Pixel dark, light;
  };
  const Case cases[] = {
      {{}, {0, 0, 0}, {255, 255, 255}},
      {{"40", "80", "200"}, {200, 80, 40}, {255, 255, 255}},
      // A light colour darker than the dark one runs the ramp downwards.
      {{"250", "3", "128", "7", "99", "254"}, {128, 3, 250}, {254, 99, 7}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"IN", "OUT"};
    args.insert(args.end(), c.colours.begin(), c.colours.end());
    Outcome got = run_on("duotone", sweep, args);
    ASSERT_EQ(got.result.status, 0);
    EXPECT_EQ(got.image.pixels, toned(sweep, c.dark, c.light).pixels)
        << testing::PrintToString(c.colours);
  }
}

TEST(Duotone, PrintsTheInfileLineProgressAndTheSize) {
  for (int width = 0; width <= 5; ++width) {
    for (int height : {0, 2}) {
      Image in = byte_sweep(width, height);
      Outcome got = run_on("duotone", in, {"IN", "OUT"});
      ASSERT_EQ(got.result.status, 0);
      EXPECT_EQ(got.result.out,
                infile1_line(width, height) + progress(height) + size_is(width, height));
      EXPECT_EQ(encode_bmp24(got.image), encode_bmp24(toned(in, {0, 0, 0}, {255, 255, 255})));
    }
  }
}

TEST(Duotone, NoSignatureTestButTheBitCount) {
  Scratch s;
  Bytes in = encode_bmp24(byte_sweep(3, 2));
  in[0] = 'X';
  in[1] = 'Y';
  write_file(s.path("IN.bmp"), in);
  Outcome got = run_files(s, "duotone", {"IN", "OUT"});
  EXPECT_EQ(got.result.status, 0);
  EXPECT_EQ(got.image.pixels, toned(byte_sweep(3, 2), {0, 0, 0}, {255, 255, 255}).pixels);

  put_le16(in, 28, 8);
  write_file(s.path("IN.bmp"), in);
  std::filesystem::remove(s.path("OUT.bmp"));
  got = run_files(s, "duotone", {"IN", "OUT"});
  EXPECT_EQ(got.result.status, 1);
  EXPECT_EQ(got.result.out, "このファイルは1670万色タイプではありません。(Infile1)\n");
  EXPECT_FALSE(got.written);
}

}  // namespace
}  // namespace bmp::test
