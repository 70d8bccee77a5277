// grain, run as its own process on images the tests build.
#include <gtest/gtest.h>

#include "tests/pixel/pixel_cli.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("GRAIN UTILITY BMP FILE VERSION\n") +
                          "\nUSAGE: Command Infile Outfile percent flag (number)\n\n"
                          "--- Flag ---\n"
                          "0 ----- color\n"
                          "1 ----- 輝度\n"
                          "2 ----- mono\n"
                          "\nWARNING for BMP FILE ONLY\n";

uint8_t clamped(double t) {
  const int v = trunc_int(t);
  return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The noise pixel by pixel in file order from a fresh generator: the
// selector draw, then three draws (flag 0) or one (any other flag).
Image noised(const Image& in, double percent, int flag, int number) {
  const double a = percent / 100.0, b = 1.0 - a;
  Lcg rand;
  Image out = in;
  for (Pixel& p : out.pixels) {
    const int sel = trunc_int(rand.next() / 32768.0 * number) % number;
    if (sel != 0) continue;
    uint8_t* bytes[3] = {&p.b, &p.g, &p.r};
    if (flag == 0) {
      for (uint8_t* v : bytes) *v = clamped(rand.next() / 128.0 * a + *v * b);
    } else if (flag == 1) {
      const double k = (rand.next() / 16384.0 - 1.0) * a + 1.0;
      for (uint8_t* v : bytes) *v = clamped(*v * k);
    } else {
      const double n = rand.next() / 128.0;
      for (uint8_t* v : bytes) *v = clamped(*v * b + n * a);
    }
  }
  return out;
}

TEST(Grain, OtherArgumentCountsPrintTheUsage) {
  expect_refused_counts("grain", {0, 1, 2, 3, 6}, usage);
}

TEST(Grain, TheFirstDrawsOfTheUnseededGenerator) {
  const Image grey = solid_image(2, 1, {100, 100, 100});
  // 41 selects; 18467, 6334, 26500 over 128 are 144, 49, 207.
  Outcome colour = run_on("grain", grey, {"IN", "OUT", "100", "0"});
  ASSERT_EQ(colour.result.status, 0);
  EXPECT_EQ(colour.image.pixels.at(0), (Pixel{144, 49, 207}));
  // Mono: 41 selects, 18467 gives 144; 6334 selects, 26500 gives 207.
  Outcome mono = run_on("grain", grey, {"IN", "OUT", "100", "2", "1"});
  EXPECT_EQ(mono.image.pixels, (std::vector<Pixel>{{144, 144, 144}, {207, 207, 207}}));
  // Number 500: 41 × 500 / 32768 is below 1, 6334 × 500 / 32768 is not.
  Outcome rare = run_on("grain", grey, {"IN", "OUT", "100", "2", "500"});
  EXPECT_EQ(rare.image.pixels, (std::vector<Pixel>{{144, 144, 144}, {100, 100, 100}}));
  // Number 1000: 41 × 1000 / 32768 is above 1, and 18467 too.
  Outcome none = run_on("grain", grey, {"IN", "OUT", "100", "2", "1000"});
  EXPECT_EQ(none.image.pixels, grey.pixels);
}

TEST(Grain, EveryPixelFollowsTheSerialDraws) {
  const Image sweep = byte_sweep(37, 11);
  struct Case {
    double percent;
    int flag;
    int number;
  };
  // Flag 7 and -1 are mono; percents beyond 0..100 clamp at both ends.
  const Case cases[] = {{100, 0, 1}, {37.5, 0, 3}, {60, 1, 1},  {100, 1, 2}, {45, 2, 1},
                        {80, 7, 4},  {80, -1, 50}, {150, 0, 1}, {-50, 2, 1}, {250, 1, 1},
                        {0, 0, 1},   {0, 1, 1},    {0, 2, 1}};
  for (const Case& c : cases) {
    char percent[32];
    std::snprintf(percent, sizeof percent, "%g", c.percent);
    Outcome got = run_on("grain", sweep,
                         {"IN", "OUT", percent, std::to_string(c.flag), std::to_string(c.number)});
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.image.pixels, noised(sweep, c.percent, c.flag, c.number).pixels)
        << percent << " " << c.flag << " " << c.number;
    if (c.percent == 0) {
      EXPECT_EQ(got.image.pixels, sweep.pixels);
    }
  }
}

TEST(Grain, WidthsZeroToFiveAndLongRowsKeepTheSequence) {
  for (int width = 0; width <= 5; ++width) {
    for (int height : {0, 3}) {
      Image in = byte_sweep(width, height);
      Outcome got = run_on("grain", in, {"IN", "OUT", "70", "0", "2"});
      ASSERT_EQ(got.result.status, 0);
      EXPECT_EQ(got.result.out, size_line(width, height) + progress(height));
      EXPECT_EQ(encode_bmp24(got.image), encode_bmp24(noised(in, 70, 0, 2)));
    }
  }
  // Rows longer than a read block: the draws run on across the pieces.
  Image wide = byte_sweep(100003, 2);
  Outcome got = run_on("grain", wide, {"IN", "OUT", "90", "0", "3"});
  ASSERT_EQ(got.result.status, 0);
  EXPECT_EQ(got.image.pixels, noised(wide, 90, 0, 3).pixels);
}

TEST(Grain, ANumberBelowOneIsRefusedBeforeTheHeader) {
  for (const char* number : {"0", "-3", "x", "0.9"}) {
    Scratch s;
    Bytes bad = encode_bmp24(byte_sweep(2, 2));
    bad[0] = 'X';  // the header is not looked at
    write_file(s.path("IN.bmp"), bad);
    Outcome got = run_files(s, "grain", {"IN", "OUT", "50", "0", number});
    EXPECT_EQ(got.result.status, 1);
    EXPECT_EQ(got.result.out, "Wrong Number ! >= 1\n") << number;
    EXPECT_FALSE(got.written);
  }
  // A number beyond 32 bits saturates: no pixel but one in 2^31 is chosen.
  Image grey = solid_image(4, 4, {9, 9, 9});
  Outcome got = run_on("grain", grey, {"IN", "OUT", "100", "0", "1e12"});
  ASSERT_EQ(got.result.status, 0);
  EXPECT_EQ(got.image.pixels, noised(grey, 100, 0, 2147483647).pixels);
}

TEST(Grain, APercentThatIsNotFiniteIsRefused) {
  for (const char* percent : {"nan", "inf", "-inf"}) {
    Scratch s;
    write_file(s.path("IN.bmp"), encode_bmp24(byte_sweep(2, 2)));
    Outcome got = run_files(s, "grain", {"IN", "OUT", percent, "0"});
    EXPECT_EQ(got.result.status, 1);
    EXPECT_EQ(got.result.out, std::string("Number out of range: ") + percent + " !\n");
    EXPECT_FALSE(got.written);
  }
}

}  // namespace
}  // namespace bmp::test
