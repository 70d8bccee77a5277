// twirl32, run as its own process on 4-byte files the tests write.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/geometry/rotation_reference.hpp"
#include "tests/geometry/turn_check.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;
namespace ref = reference;

const std::string usage = banner("TWIRL32 UTILITY (BMP4 FILE VERSION)\n") +
                          "\n"
                          "USAGE: Command Infile Outfile kaiten flag R G B α Flag2 --- 単色\n"
                          "       Command Infile Outfile kaiten flag Flag2 --------- edge color\n"
                          "\n"
                          "--- Flag ---\t\t--- Flag2 ---\n"
                          "0 ---- with anti\t0 ---- origin size\n"
                          "1 ---- no anti\t\t1 ---- auto size\n"
                          "\n"
                          "WARNING BMP FILE ONLY\n";

Image4 pattern4(int width, int height) {
  return make_image4(width, height, [](int c, int r) {
    return Pixel4{uint8_t(c * 61 + r * 5), uint8_t(c * 37 + r * 11), uint8_t(r * 53 + 7),
                  uint8_t(255 - c * r * 5)};
  });
}

std::string size_line(int width, int height) {
  return "X_size = " + std::to_string(width) + " Y_size = " + std::to_string(height) +
         " 1670万色(α付き)\n";
}

// The fill colour of the ten-argument form: R, G, B, α.
struct Colour {
  int r, g, b, alpha;
};

std::vector<std::string> twirl32_numbers(int kaiten, int flag, std::optional<Colour> colour,
                                         int flag2) {
  std::vector<std::string> numbers{std::to_string(kaiten), std::to_string(flag)};
  if (colour) {
    for (int v : {colour->r, colour->g, colour->b, colour->alpha}) {
      numbers.push_back(std::to_string(v));
    }
  }
  numbers.push_back(std::to_string(flag2));
  return numbers;
}

std::optional<ref::TwirlResult> expected(const Image4& image, int kaiten, int flag,
                                         std::optional<Colour> colour, int flag2) {
  std::optional<ref::Channels> solid;
  if (colour) {
    solid = ref::Channels{colour->alpha & 255, colour->r & 255, colour->g & 255, colour->b & 255};
  }
  return ref::twirl(ref::from_image4(image), kaiten,
                    flag == 1 ? ref::one_sample : ref::eight_samples, solid, flag2 != 0);
}

void expect_twirl32(const Image4& image, int kaiten, int flag, std::optional<Colour> colour,
                    int flag2) {
  SCOPED_TRACE(testing::Message() << image.width << "x" << image.height << " kaiten " << kaiten
                                  << " flag " << flag << (colour ? " solid" : " edge") << " Flag2 "
                                  << flag2);
  expect_turn(TurnRun{"twirl32", encode_bmp4(image), twirl32_numbers(kaiten, flag, colour, flag2),
                      size_line(image.width, image.height),
                      [](const Bytes& file) { return ref::from_image4(decode_bmp4(file)); }},
              expected(image, kaiten, flag, colour, flag2));
}

TEST(Twirl32, AnyOtherArgumentCountPrintsTheUsageAndALoneOneIsRefused) {
  expect_usage_and_lone_refusal("twirl32", usage,
                                {0, 2, 3, 4, 6, 7, 8, 10});  // arguments after the name
}

TEST(Twirl32, WholeOutputsCarryAlphaThroughCanvasAndMeans) {
  for (const Image4& image : {pattern4(7, 5), pattern4(6, 6)}) {
    for (int kaiten : {0, 1, 30, -45, 90, 180, 270, 359}) {
      for (int flag : {0, 1}) {
        expect_twirl32(image, kaiten, flag, std::nullopt, 1);
        expect_twirl32(image, kaiten, flag, Colour{10, 200, 30, 99}, 0);
        expect_twirl32(image, kaiten, flag, Colour{10, 200, 30, 255}, 1);
      }
    }
  }
}

TEST(Twirl32, OnlyFlagOneSelectsOneSample) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp4(pattern4(9, 7)));
  auto output_of = [&](const std::string& flag) {
    EXPECT_EQ(run_in(s, "twirl32", {s.path("in.bmp"), s.path("out.bmp"), "30", flag, "1"}).status,
              0);
    return read_file(s.path("out.bmp"));
  };
  Bytes eight = output_of("0");
  EXPECT_EQ(output_of("2"), eight);
  EXPECT_EQ(output_of("-1"), eight);
  EXPECT_NE(output_of("1"), eight);
  auto want = expected(pattern4(9, 7), 30, 1, std::nullopt, 1);
  EXPECT_EQ(decode_bmp4(output_of("1")).pixels, ref::to_image4(want->image).pixels);
}

TEST(Twirl32, AThreeByTwoImageKeepsRowsOfExactlyTwelveBytes) {
  Scratch s;
  Image4 image = pattern4(3, 2);
  write_file(s.path("in.bmp"), encode_bmp4(image));
  ToolResult got = run_in(s, "twirl32", {s.path("in.bmp"), s.path("out.bmp"), "0", "1", "0"});
  ASSERT_EQ(got.status, 0) << got.out;
  Bytes out = read_file(s.path("out.bmp"));
  EXPECT_EQ(out.size(), 146u);
  EXPECT_EQ(le32(out, 2), 146u);
  // Origin window of an odd width: columns shifted right, so input columns
  // 1, 2, 2 show (the centre one twice); rows 0, 1 of an even height.
  Image4 decoded = decode_bmp4(out);
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(decoded.at(0, r), image.at(1, r));
    EXPECT_EQ(decoded.at(1, r), image.at(2, r));
    EXPECT_EQ(decoded.at(2, r), image.at(2, r));
  }
}

TEST(Twirl32, FillColourAndAlphaTakeTheirLowEightBits) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp4(pattern4(6, 6)));
  auto output_of = [&](std::vector<std::string> colour) {
    std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp"), "45", "0"};
    args.insert(args.end(), colour.begin(), colour.end());
    args.push_back("1");
    EXPECT_EQ(run_in(s, "twirl32", args).status, 0);
    return decode_bmp4(read_file(s.path("out.bmp")));
  };
  Image4 out = output_of({"1", "2", "3", "255"});
  // 6 x 6 at 45 degrees grows to 12 x 12; its corner pixel (0, 0) lies
  // farther than M = 6 from the centre along both axes: all eight samples
  // fall outside the canvas and take the colour with alpha 255.
  EXPECT_EQ(out.width, 12);
  EXPECT_EQ(out.at(0, 0), (Pixel4{255, 1, 2, 3}));
  EXPECT_EQ(output_of({"257", "-254", "3", "256"}).at(0, 0), (Pixel4{0, 1, 2, 3}));
}

TEST(Twirl32, TwentyFourBitInputsAndBadFilesAreRefused) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(solid_image(3, 2, Pixel{1, 2, 3})));
  ToolResult got = run_in(s, "twirl32", {s.path("in.bmp"), s.path("out.bmp"), "10", "0", "0"});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, "このファイルは1670万色タイプではありません\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  EXPECT_TRUE(s.tmp_entries().empty());

  ToolResult missing =
      run_in(s, "twirl32", {s.path("none.bmp"), s.path("out.bmp"), "10", "0", "0"});
  EXPECT_EQ(missing.out, "\ncan't open source file " + s.path("none.bmp") + "\n");

  // 60000 x 1 at 45 degrees grows to 42432 x 42432, far beyond 4 GiB.
  write_file(s.path("wide.bmp"), encode_bmp4(pattern4(60000, 1)));
  ToolResult wide = run_in(s, "twirl32", {s.path("wide.bmp"), s.path("out.bmp"), "45", "0", "1"});
  EXPECT_EQ(wide.status, 1);
  EXPECT_EQ(wide.out,
            size_line(60000, 1) + "Image too large to turn: " + s.path("wide.bmp") + " !\n");
  EXPECT_TRUE(s.tmp_entries().empty());
}

TEST(Twirl32, InputsWiderThan16383PixelsAreTurned) {
  // Their 4-byte canvas would not fit a file, but none is made.
  for (int kaiten : {1, 90, -135}) {
    expect_twirl32(pattern4(20000, 2), kaiten, 0, std::nullopt, 0);
    expect_twirl32(pattern4(20000, 2), kaiten, 1, Colour{5, 6, 7, 8}, 0);
  }
}

TEST(Twirl32, WidthsOneToFiveAreTurnedOrRefusedWhereTheWindowMisses) {
  for (int width = 1; width <= 5; ++width) {
    for (int kaiten : {0, 30, 90, 1}) {
      expect_twirl32(pattern4(width, 3), kaiten, 0, std::nullopt, 0);
      expect_twirl32(pattern4(width, 2), kaiten, 1, Colour{5, 6, 7, 8}, 1);
    }
  }
}

}  // namespace
}  // namespace bmp::test
