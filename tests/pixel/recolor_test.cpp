// recolor, run as its own process: channel products and sums, the HLS modes
// with their remembered hue, against hand-worked bytes and the plain model.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/pixel/hls_cli.hpp"
#include "tests/pixel/hls_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("RECOLOR UTILITY BMP FILE VERSION\n") +
                          "\n"
                          "USAGE: Command Infile Outfile MOD\n"
                          "       Command Infile Outfile R-mod  G-mod  B-mod   0 ro no\n"
                          "       Command Infile Outfile R-plus G-plus B-plus  1\n"
                          "       Command Infile Outfile H-mod  L-mod  S-mod   2\n"
                          "       Command Infile Outfile H-plus L-plus S-plus  3\n"
                          "\n"
                          "Hue angle (色相角度) 0.0 - 360.0\n"
                          "Lightness (明度)     0.0 - 1.0\n"
                          "Saturation(彩度)     0.0 - 1.0\n"
                          "\n"
                          "--- flag ---\n"
                          "0 or no ****** normal mod\n"
                          "1       ****** plus mod\n"
                          "2       ****** hls normal mod\n"
                          "3       ****** hls plus mod\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

struct Recolored {
  ToolResult result;
  Image image;
};

// Runs recolor on `in` (row ends filled with junk) with `numbers` after the
// two file names.
Recolored recolor(const Image& in, const std::vector<std::string>& numbers) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(in, 0xa5));
  std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
  args.insert(args.end(), numbers.begin(), numbers.end());
  Recolored got{run("recolor", args), {}};
  if (got.result.status == 0) got.image = decode_bmp24(read_file(s.path("out.bmp")));
  return got;
}

Image row_of(std::vector<Pixel> pixels) {
  const int width = static_cast<int>(pixels.size());
  return Image{width, 1, std::move(pixels)};
}

TEST(Recolor, AnyOtherArgumentCountPrintsTheUsage) {
  for (int count : {0, 1, 2, 4, 7}) {  // arguments after the program name
    ToolResult got = run("recolor", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
    EXPECT_EQ(got.err, "") << count;
  }
}

// Pixels are blue, green, red; the first number goes with red or hue.
TEST(Recolor, HandWorkedResults) {
  struct Case {
    const char* title;
    std::vector<std::string> numbers;
    std::vector<Pixel> in, out;
  };
  const Pixel grey128{128, 128, 128};
  const Case cases[] = {
      {"MOD 1.0 copies", {"1.0"}, {{0, 128, 255}, {7, 200, 100}}, {{0, 128, 255}, {7, 200, 100}}},
      {"MOD 2.0 doubles up to 255", {"2.0"}, {{200, 100, 1}}, {{255, 200, 2}}},
      {"MOD 0.5 halves, truncated", {"0.5"}, {{255, 255, 255}}, {{127, 127, 127}}},
      {"1 1 0 clears blue", {"1", "1", "0"}, {{9, 80, 200}}, {{0, 80, 200}}},
      {"red takes the first, blue the third", {"1", "0.5", "0"}, {{100, 100, 100}}, {{0, 50, 100}}},
      {"plus mod: capped, floored, truncated",
       {"10", "-300", "0.7", "1"},
       {{77, 200, 250}, {3, 255, 100}},
       {{77, 0, 255}, {3, 0, 110}}},
      {"flag 5 is normal mod", {"2", "1", "0.5", "5"}, {{100, 100, 100}}, {{50, 100, 200}}},
      {"a flag that is no number is 0",
       {"2", "1", "0.5", "x"},
       {{100, 100, 100}},
       {{50, 100, 200}}},
      {"a negative factor writes 0", {"-1.0"}, {{1, 2, 3}, {0, 0, 0}}, {{0, 0, 0}, {0, 0, 0}}},
      {"minus zero writes 0", {"-0.0"}, {{1, 2, 3}}, {{0, 0, 0}}},
      {"a huge factor saturates",
       {"1e300", "1", "1"},
       {{5, 6, 1}, {5, 6, 0}},
       {{5, 6, 255}, {5, 6, 0}}},
      // 200, 100, 50: hue 20, lightness 125/255, saturation 0.6 come back as
      // 200, 99, 49; a grey comes back as it was.
      {"hls 1 1 1", {"1", "1", "1", "2"}, {{50, 100, 200}, grey128}, {{49, 99, 200}, grey128}},
      {"hls 1 1 0 greys at the lightness",
       {"1", "1", "0", "2"},
       {{50, 100, 200}},
       {{125, 125, 125}}},
      {"hls 1 2 1 doubles the lightness",
       {"1", "2", "1", "2"},
       {{0, 0, 255}, {100, 100, 100}, {10, 20, 30}},
       {{255, 255, 255}, {200, 200, 200}, {20, 40, 60}}},
      {"hls plus 180 0 0 turns red to cyan",
       {"180", "0", "0", "3"},
       {{0, 0, 255}, {77, 77, 77}},
       {{255, 255, 0}, {77, 77, 77}}},
      // A leading grey has hue 0: L = 128/255, S = 0.5 give upper 191.5/255 for
      // red and lower 64.5/255 for green and blue.
      {"hls plus 0 0 0.5 on a leading grey", {"0", "0", "0.5", "3"}, {grey128}, {{64, 64, 191}}},
  };
  for (const Case& c : cases) {
    Recolored got = recolor(row_of(c.in), c.numbers);
    ASSERT_EQ(got.result.status, 0) << c.title << ": " << got.result.out;
    EXPECT_EQ(got.result.out, size_line(static_cast<int>(c.in.size()), 1) + progress(1));
    EXPECT_EQ(got.image.pixels, c.out) << c.title;
  }
}

TEST(Recolor, AGreyTakesTheHueOfTheLastColourInReadingOrder) {
  // "0 0 0.5 3" raises a grey's saturation to 0.5: at L = 128/255 its hue
  // shows as one channel of 191 and two of 64 (hue 0 red, 120 green, 240 blue).
  const Pixel grey{128, 128, 128}, blue{255, 0, 0}, green{0, 255, 0};
  const Pixel as_red{64, 64, 191}, as_green{64, 191, 64}, as_blue{191, 64, 64};
  struct Case {
    const char* title;
    Image in;
    std::vector<Pixel> out;
  };
  const Case cases[] = {
      {"leading greys take 0, later ones the colour before",
       row_of({grey, grey, blue, grey, grey}),
       {as_red, as_red, blue, as_blue, as_blue}},
      // Stored row 0 (the bottom) comes first; row 1 starts with the hue of
      // row 0's last pixel.
      {"a row start takes the hue from the row below",
       Image{2, 2, {grey, green, grey, grey}},
       {as_red, green, as_green, as_green}},
      {"width 1", Image{1, 3, {grey, blue, grey}}, {as_red, blue, as_blue}},
  };
  for (const Case& c : cases) {
    Recolored got = recolor(c.in, {"0", "0", "0.5", "3"});
    ASSERT_EQ(got.result.status, 0) << c.title;
    EXPECT_EQ(got.image.pixels, c.out) << c.title;
    EXPECT_EQ(recolor_model(c.in, 3, 0, 0, 0.5).pixels, c.out) << c.title << " (model)";
  }
}

// For each other reading of a step, an input found by search on which it
// would change a byte: the tool gives the written reading's bytes.
TEST(Recolor, FollowsTheFormulasAsWrittenWhereAnotherReadingDiffers) {
  std::mt19937 rng(11);
  auto pixel = [&] {
    Pixel p{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
    if (rng() % 2) p.g = (rng() % 2) ? p.b : p.r;  // ties and hues on 60-degree steps
    return p;
  };
  const double round_numbers[] = {0.0, 0.5, 1.0, 1.5, 2.0, 60.0, 120.0, 180.0, -60.0};
  auto number = [&](double spread) {
    return rng() % 2 ? round_numbers[rng() % 9] : (rng() % 100000) / 100000.0 * spread - 0.5;
  };
  for (Reading reading : {Reading::rising_by_sixtieths, Reading::falling_by_sixtieths,
                          Reading::saturation_split, Reading::upper_first, Reading::upper_at_180,
                          Reading::channels_from_raw_hue, Reading::units_by_reciprocal}) {
    std::optional<std::pair<Image, std::vector<double>>> found;
    for (int i = 0; i < 1000000 && !found; ++i) {
      const Image one = row_of({pixel()});
      const double mode = 2 + rng() % 2;
      const std::vector<double> p{number(100), number(2), number(2), mode};
      if (recolor_model(one, int(mode), p[0], p[1], p[2], reading).pixels !=
          recolor_model(one, int(mode), p[0], p[1], p[2]).pixels) {
        found.emplace(one, p);
      }
    }
    ASSERT_TRUE(found) << "no input tells reading " << int(reading) << " apart";
    const auto& [one, p] = *found;
    char text[4][32];
    for (int k = 0; k < 4; ++k) std::snprintf(text[k], sizeof text[k], "%.17g", p[k]);
    Recolored got = recolor(one, {text[0], text[1], text[2], text[3]});
    ASSERT_EQ(got.result.status, 0);
    EXPECT_EQ(got.image.pixels, recolor_model(one, int(p[3]), p[0], p[1], p[2]).pixels)
        << "reading " << int(reading) << ": " << text[0] << " " << text[1] << " " << text[2]
        << " mode " << text[3];
  }
}

struct ModeCase {
  std::vector<std::string> numbers;
  int mode;
  double first, second, third;
};

const ModeCase every_mode[] = {
    {{"1.3"}, 0, 1.3, 1.3, 1.3},
    {{"0.7", "-1.5", "2.2"}, 0, 0.7, -1.5, 2.2},
    {{"30", "-20", "5.5", "1"}, 1, 30, -20, 5.5},
    {{"0.5", "0.8", "1.5", "2"}, 2, 0.5, 0.8, 1.5},
    {{"-3.25", "1.2", "-1", "2"}, 2, -3.25, 1.2, -1},
    {{"30", "0.1", "0.4", "3"}, 3, 30, 0.1, 0.4},
    {{"-400", "-0.2", "-0.1", "3"}, 3, -400, -0.2, -0.1},
};

TEST(Recolor, WidthsOneToFiveInEveryMode) {
  for (int width = 1; width <= 5; ++width) {
    const Image in = grey_runs(width, 4, static_cast<unsigned>(width), 3);
    for (const ModeCase& m : every_mode) {
      Recolored got = recolor(in, m.numbers);
      ASSERT_EQ(got.result.status, 0) << got.result.out;
      EXPECT_EQ(got.result.out, size_line(width, 4) + progress(4));
      EXPECT_EQ(got.image.pixels, recolor_model(in, m.mode, m.first, m.second, m.third).pixels)
          << "width " << width << " mode " << m.mode;
    }
  }
}

// Tables, the fold's shortcut, the batches and the threads give what one
// plain pass in reading order gives: on pictures of several batches, with
// grey runs across rows and across whole stretches of a thread, and on rows
// longer than a batch, which come in pieces.
TEST(Recolor, LargePicturesMatchThePlainPass) {
  const Image pictures[] = {grey_runs(301, 2500, 5, 700), grey_runs(301, 2500, 4, 30000),
                            grey_runs(350001, 1, 3, 90000)};
  for (const Image& in : pictures) {
    for (const ModeCase& m : every_mode) {
      Recolored got = recolor(in, m.numbers);
      ASSERT_EQ(got.result.status, 0);
      EXPECT_TRUE(got.image.pixels == recolor_model(in, m.mode, m.first, m.second, m.third).pixels)
          << in.width << " x " << in.height << " mode " << m.mode;
    }
  }
}

TEST(Recolor, NumbersOutOfRangeAreRefusedBeforeAnyFileOpens) {
  struct Case {
    std::vector<std::string> numbers;
    std::string named;
  };
  const Case cases[] = {
      {{"nan"}, "nan"},
      {{"1", "inf", "1"}, "inf"},
      {{"1", "1", "-inf", "3"}, "-inf"},
      {{"1e999", "1", "1", "1"}, "1e999"},
      // 360 times the hue factor would overflow.
      {{"-1e306", "1", "1", "2"}, "-1e306"},
  };
  for (const Case& c : cases) {
    Scratch s;
    std::vector<std::string> args{s.path("missing.bmp"), s.path("out.bmp")};
    args.insert(args.end(), c.numbers.begin(), c.numbers.end());
    ToolResult got = run("recolor", args);
    EXPECT_EQ(got.status, 1) << c.named;
    EXPECT_EQ(got.out, "Number out of range: " + c.named + " !\n");
    EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  }
  // Within range, a huge hue factor folds like any other.
  const Image in = grey_runs(7, 3, 2, 3);
  EXPECT_EQ(recolor(in, {"1e305", "1", "1", "2"}).image.pixels,
            recolor_model(in, 2, 1e305, 1, 1).pixels);
}

TEST(Recolor, RefusedInputsLeaveAnyOutfileAsItWas) {
  Scratch s;
  Bytes eight_bit = encode_bmp24(grey_runs(3, 2, 1));
  put_le16(eight_bit, 28, 8);
  Bytes short_rows = encode_bmp24(grey_runs(3, 2, 1));
  short_rows.pop_back();
  struct Case {
    Bytes file;
    std::string message;
  };
  const std::string in = s.path("in.bmp");
  const Case cases[] = {
      {Bytes{'B', 'X'}, "Wrong Format !\n"},
      {eight_bit, "このファイルは1670万色タイプではありません\n"},
      {short_rows, "Truncated file " + in + " !\n"},
  };
  for (const Case& c : cases) {
    write_file(in, c.file);
    write_file(s.path("out.bmp"), {'o', 'l', 'd'});
    ToolResult got = run("recolor", {in, s.path("out.bmp"), "1", "1", "1", "2"});
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, c.message);
    EXPECT_EQ(read_file(s.path("out.bmp")), (Bytes{'o', 'l', 'd'}));
  }
  ToolResult missing = run("recolor", {s.path("none.bmp"), s.path("new.bmp"), "2"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "\ncan't open source file " + s.path("none.bmp") + "\n");
  EXPECT_FALSE(fs::exists(s.path("new.bmp")));
}

TEST(Recolor, OutfileMayNameTheInput) {
  Scratch s;
  const Image in = grey_runs(6, 5, 9, 4);
  write_file(s.path("same.bmp"), encode_bmp24(in));
  ASSERT_EQ(run("recolor", {s.path("same.bmp"), s.path("same.bmp"), "30", "0", "0.2", "3"}).status,
            0);
  EXPECT_EQ(decode_bmp24(read_file(s.path("same.bmp"))).pixels,
            recolor_model(in, 3, 30, 0, 0.2).pixels);
}

}  // namespace
}  // namespace bmp::test
