// scatter, run as its own process: grey noise checked against the values the
// random sequence gives by hand and against a plain pixel-by-pixel model.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "tests/draw/gradient_model.hpp"
#include "tests/draw/random_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage =
    banner("SCATTER UTILITY BMP FILE VERSION\n") +
    "\n"
    "USAGE: Command Filename X_size Y_size seed  ---------  逐次乱数\n"
    "       Command Filename X_size Y_size seed count  ------------  位置乱数\n"
    "       Command Filename X_size Y_size seed count (基底部色) --- 位置乱数\n"
    "\n"
    "WARNING for BMP FILE ONLY\n";

// The image drawn pixel by pixel in file order; count < 0 in `positional`
// is computed as written, the run counter kept in 64 bits.
Image model_scatter(int width, int height, uint32_t seed, bool positional, int count, int base) {
  Lcg random{seed};
  int64_t g = 0;
  return make_image(width, height, [&](int, int) {
    uint8_t grey;
    if (!positional) {
      grey = uint8_t(random.next() / 128);
    } else if (g == 0) {
      grey = uint8_t(random.next() / 128);
      g = static_cast<int64_t>(std::trunc(random.next() / 32768.0 * count));
    } else {
      grey = uint8_t(base);
      --g;
    }
    return Pixel{grey, grey, grey};
  });
}

std::string done(int width, int height, bool positional) {
  char line[64];
  std::snprintf(line, sizeof line,
                positional ? "RAND DATA IS %4d * %4d\r" : "RAND DATA IS  %4d * %4d\r", width,
                height);
  return progress_lines(height) + line;
}

Image run_scatter(const std::vector<std::string>& rest, int width, int height) {
  Scratch s;
  std::vector<std::string> args{s.path("out.bmp"), std::to_string(width), std::to_string(height)};
  args.insert(args.end(), rest.begin(), rest.end());
  ToolResult got = run("scatter", args);
  EXPECT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(got.out, done(width, height, rest.size() >= 2));
  return decode_bmp24(read_file(s.path("out.bmp")));
}

TEST(Scatter, OtherArgumentCountsPrintTheUsage) {
  for (int count : {0, 1, 2, 7}) {
    ToolResult got = run("scatter", std::vector<std::string>(static_cast<size_t>(count), "4"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(Scatter, FirstPixelsWorkedByHand) {
  struct Case {
    const char* title;
    std::vector<std::string> rest;  // after the sizes
    std::vector<int> greys;         // the first pixels of the bottom row
  };
  const Case cases[] = {
      // State 0, not the start state 1: draws 38, 7719, 21238, 2437.
      {"seed 0 by default", {}, {0, 60, 165, 19}},
      {"seed 0 given", {"0"}, {0, 60, 165, 19}},
      // Greys 38 / 128, 21238 / 128, 8855 / 128, 8365 / 128, each followed by
      // trunc(r2 / 32768 × 10) base pixels: r2 7719, 2437, 11797, 32285.
      {"positional, count 10", {"0", "10"}, {0, 128, 128, 165, 69, 128, 128, 128, 65, 128}},
      {"positional, base 300 writes 44", {"0", "10", "300"}, {0, 44, 44, 165, 69, 44}},
      // Count 1: trunc(r2 / 32768) is 0, so every pixel is random, two draws each.
      {"positional, count 1", {"0", "1"}, {0, 165, 69, 65}},
  };
  for (const Case& c : cases) {
    Image image = run_scatter(c.rest, 10, 2);
    for (size_t x = 0; x < c.greys.size(); ++x) {
      const uint8_t grey = uint8_t(c.greys[x]);
      EXPECT_EQ(image.at(int(x), 0), (Pixel{grey, grey, grey})) << c.title << ": column " << x;
    }
  }
}

TEST(Scatter, ImagesMatchThePlainModel) {
  struct Case {
    int width, height;
    int seed;
    bool positional;
    int count, base;
  };
  // Widths 1 to 5 for the row padding; 700 x 400 is shared among threads.
  const Case cases[] = {
      {1, 3, 5, false, 0, 0},     {2, 3, -7, false, 0, 0},       {3, 4, 12345, true, 3, 128},
      {5, 9, 99, true, 40, 17},   {4, 6, 0, true, 0, 128},       {7, 5, 3, true, -4, 200},
      {9, 8, 1, true, -100, 128}, {700, 400, 42, false, 0, 0},   {700, 400, 42, true, 7, 128},
      {700, 400, 8, true, 1, 0},  {701, 401, 8, true, 2000, 99},
  };
  for (const Case& c : cases) {
    std::vector<std::string> rest{std::to_string(c.seed)};
    if (c.positional) rest.insert(rest.end(), {std::to_string(c.count), std::to_string(c.base)});
    Image image = run_scatter(rest, c.width, c.height);
    Image want = model_scatter(c.width, c.height, uint32_t(c.seed), c.positional, c.count, c.base);
    EXPECT_EQ(first_difference(image, want), "")
        << c.width << " x " << c.height << " seed " << c.seed << " count " << c.count;
  }
}

TEST(Scatter, RunsOfBaseGreyContinueAcrossRowEnds) {
  // Seed 0, count 10: the bottom row of width 2 ends inside the first run,
  // so the next row starts with the run's last base pixel.
  Image image = run_scatter({"0", "10", "7"}, 2, 2);
  EXPECT_EQ(image.at(1, 0), (Pixel{7, 7, 7}));
  EXPECT_EQ(image.at(0, 1), (Pixel{7, 7, 7}));
  EXPECT_EQ(image.at(1, 1), (Pixel{165, 165, 165}));
}

TEST(Scatter, ZeroSizesWriteTheHeaderAndNegativeSizesAreRefused) {
  for (auto [w, h] : {std::pair{0, 3}, std::pair{4, 0}}) {
    Scratch s;
    ToolResult got = run("scatter", {s.path("out.bmp"), std::to_string(w), std::to_string(h)});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.out, done(w, h, false));
    EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(Image{w, h, {}}));
  }
  for (auto [w, h] : {std::pair{-1, 3}, std::pair{4, -2}}) {
    Scratch s;
    const std::string out = s.path("out.bmp");
    ToolResult got = run("scatter", {out, std::to_string(w), std::to_string(h), "1", "5"});
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, "Negative size in " + out + " !\n");
    EXPECT_FALSE(fs::exists(out));
  }
  Scratch s;
  const std::string out = s.path("out.bmp");
  ToolResult huge = run("scatter", {out, "40000", "40000"});
  EXPECT_EQ(huge.status, 1);
  EXPECT_EQ(huge.out, "Image too large: " + out + " !\n");
  EXPECT_FALSE(fs::exists(out));
}

TEST(Scatter, AnOutputThatCannotBeOpened) {
  Scratch s;
  const std::string out = s.path("no/out.bmp");
  ToolResult got = run("scatter", {out, "4", "4"});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, "\ncan't open source file " + out + "\n");
}

}  // namespace
}  // namespace bmp::test
