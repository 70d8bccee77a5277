// stretch, run as its own process on images the tests build.
#include <gtest/gtest.h>

#include "tests/pixel/pixel_cli.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("STRETCH UTILITY BMP FILE VERSION\n") +
                          "\nUSAGE: Command Infile Outfile MOD\n"
                          "       Command Infile Outfile R-mod G-mod B-mod\n"
                          "\nWARNING for BMP FILE ONLY\n";

// The byte for v and factor c, step by step as the tool is to compute it:
// v × c, then the constant term, then truncation, then the clamp.
int stretched(int v, double c) {
  const double t = c >= 1.0 ? v * c - (c - 1) * 255 / 2 : v * c + (1 - c) * 255 / 2;
  const double whole = std::trunc(t);
  return whole < 0 ? 0 : whole > 255 ? 255 : static_cast<int>(whole);
}

Image row_of(std::vector<int> values) {
  return make_image(static_cast<int>(values.size()), 1, [&](int c, int) {
    const uint8_t v = uint8_t(values[static_cast<size_t>(c)]);
    return Pixel{v, v, v};
  });
}

TEST(Stretch, OtherArgumentCountsPrintTheUsage) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"a.bmp"},
                                             {"a.bmp", "b.bmp"},
                                             {"a.bmp", "b.bmp", "1", "2"},
                                             {"a.bmp", "b.bmp", "1", "2", "3", "4"}}) {
    ToolResult got = run("stretch", args);
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, usage);
  }
}

TEST(Stretch, WorkedValues) {
  struct Case {
    const char* factor;
    std::vector<int> in, out;
  };
  const Case cases[] = {
      {"1", {0, 1, 127, 128, 254, 255}, {0, 1, 127, 128, 254, 255}},
      {"0", {0, 100, 255}, {127, 127, 127}},
      {"2", {0, 200, 127, 128}, {0, 255, 126, 128}},
      {"0.5", {0, 255}, {63, 191}},
      {"-1", {0, 255, 100}, {255, 0, 155}},
      // Below -1 the values leave 0..255 and are clamped: 0 gives 382, 255
      // gives -127, 100 gives 182.5.
      {"-2", {0, 255, 100}, {255, 0, 182}},
      // A huge factor: values saturate, then clamp.
      {"1e300", {0, 127, 128, 255}, {0, 0, 255, 255}},
      {"text", {0, 255}, {127, 127}},  // not a number: 0
  };
  for (const Case& c : cases) {
    Outcome got = run_on("stretch", row_of(c.in), {"IN", "OUT", c.factor});
    ASSERT_EQ(got.result.status, 0) << c.factor << ": " << got.result.out;
    EXPECT_EQ(got.image.pixels, row_of(c.out).pixels) << "factor " << c.factor;
  }
}

TEST(Stretch, EveryByteFollowsTheStepsForEachFactor) {
  // 1.7 and 2.2 are factors where c × (v - 127.5) + 127.5 would differ.
  const Image sweep = byte_sweep(16, 16);
  for (double c : {1.0, 1.7, 2.2, 3.14159, 0.0, 0.3, 0.999, -0.6, -1.0, -3.5, 40.0}) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", c);
    Outcome got = run_on("stretch", sweep, {"IN", "OUT", text});
    ASSERT_EQ(got.result.status, 0) << text;
    Image want = mapped(sweep, [c](Pixel p) {
      return Pixel{uint8_t(stretched(p.b, c)), uint8_t(stretched(p.g, c)),
                   uint8_t(stretched(p.r, c))};
    });
    EXPECT_EQ(got.image.pixels, want.pixels) << "factor " << text;
  }
}

TEST(Stretch, ThreeFactorsAreRedGreenBlue) {
  const Image sweep = byte_sweep(16, 16);
  Outcome got = run_on("stretch", sweep, {"IN", "OUT", "1", "1", "0"});
  ASSERT_EQ(got.result.status, 0);
  EXPECT_EQ(got.image.pixels, mapped(sweep, [](Pixel p) { return Pixel{127, p.g, p.r}; }).pixels);

  got = run_on("stretch", sweep, {"IN", "OUT", "2", "0.5", "-1"});
  ASSERT_EQ(got.result.status, 0);
  Image want = mapped(sweep, [](Pixel p) {
    return Pixel{uint8_t(stretched(p.b, -1)), uint8_t(stretched(p.g, 0.5)),
                 uint8_t(stretched(p.r, 2))};
  });
  EXPECT_EQ(got.image.pixels, want.pixels);
}

TEST(Stretch, WidthsZeroToFiveAndHeightZero) {
  for (int width = 0; width <= 5; ++width) {
    for (int height : {0, 3}) {
      Image in = byte_sweep(width, height);
      Outcome got = run_on("stretch", in, {"IN", "OUT", "2"});
      ASSERT_EQ(got.result.status, 0);
      EXPECT_EQ(got.result.out, size_line(width, height) + progress(height));
      EXPECT_EQ(encode_bmp24(got.image), encode_bmp24(mapped(in,
                                                             [](Pixel p) {
                                                               return Pixel{
                                                                   uint8_t(stretched(p.b, 2)),
                                                                   uint8_t(stretched(p.g, 2)),
                                                                   uint8_t(stretched(p.r, 2))};
                                                             })))
          << width << " x " << height;
    }
  }
}

TEST(Stretch, FactorsThatAreNotFiniteAreRefusedWithoutOutput) {
  const std::vector<std::vector<std::string>> cases = {
      {"nan"}, {"inf"}, {"-infinity"}, {"1", "nan", "1"}, {"1", "1", "-inf"}, {"1e999"}};
  for (const auto& factors : cases) {
    Scratch s;
    write_file(s.path("IN.bmp"), encode_bmp24(byte_sweep(3, 2)));
    std::vector<std::string> args = {"IN", "OUT"};
    args.insert(args.end(), factors.begin(), factors.end());
    Outcome got = run_files(s, "stretch", args);
    std::string bad;
    for (const std::string& f : factors) {
      if (f != "1") bad = f;
    }
    EXPECT_EQ(got.result.status, 1);
    EXPECT_EQ(got.result.out, "Number out of range: " + bad + " !\n");
    EXPECT_FALSE(got.written);
  }
}

TEST(Stretch, FrameMessagesInOrder) {
  Scratch s;
  // The input is opened before the factors are looked at.
  Outcome missing = run_files(s, "stretch", {"IN", "OUT", "nan"});
  EXPECT_EQ(missing.result.out, "\ncan't open source file " + s.path("IN.bmp") + "\n");
  Bytes bad = encode_bmp24(byte_sweep(2, 2));
  bad[1] = 'X';
  write_file(s.path("IN.bmp"), bad);
  Outcome wrong = run_files(s, "stretch", {"IN", "OUT", "2"});
  EXPECT_EQ(wrong.result.status, 1);
  EXPECT_EQ(wrong.result.out, "Wrong Format !\n");
  EXPECT_FALSE(wrong.written);
}

}  // namespace
}  // namespace bmp::test
