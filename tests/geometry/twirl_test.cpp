// twirl, run as its own process on files the tests write.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "tests/geometry/rotation_reference.hpp"
#include "tests/geometry/turn_check.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;
namespace ref = reference;

const std::string usage = banner("TWIRL UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: Command Infile Outfile kaiten flag R G B Flag2 --- 単色\n"
                          "       Command Infile Outfile kaiten flag Flag2 --------- edge color\n"
                          "\n"
                          "--- Flag ---\t\t--- Flag2 ---\n"
                          "0 ---- with anti(精細）\t0 ---- origin size\n"
                          "1 ---- with anti\t0 ---- origin size\n"
                          "2 ---- no anti\t\t1 ---- auto size\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

Image pattern(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    return Pixel{uint8_t(c * 37 + r * 11), uint8_t(r * 53 + 7), uint8_t(255 - c * r * 5)};
  });
}

// Each pixel names its own column (blue) and row (green).
Image coordinates(int width, int height) {
  return make_image(width, height, [](int c, int r) { return Pixel{uint8_t(c), uint8_t(r), 9}; });
}

std::string size_line(int width, int height) {
  return "X_size = " + std::to_string(width) + " Y_size = " + std::to_string(height) +
         " 1670万色\n";
}

const ref::Offsets& offsets_of_flag(int flag) {
  return flag == 0 ? ref::eight_samples : flag == 1 ? ref::four_samples : ref::one_sample;
}

// The model's twirl on `image`, or nothing where the tool must refuse it.
std::optional<ref::TwirlResult> expected(const Image& image, int kaiten, int flag,
                                         std::optional<Pixel> colour, int flag2) {
  std::optional<ref::Channels> solid;
  if (colour) solid = ref::Channels{colour->b, colour->g, colour->r, 0};
  return ref::twirl(ref::from_image(image), kaiten, offsets_of_flag(flag), solid, flag2 != 0);
}

std::vector<std::string> twirl_numbers(int kaiten, int flag, std::optional<Pixel> colour,
                                       int flag2) {
  std::vector<std::string> numbers{std::to_string(kaiten), std::to_string(flag)};
  if (colour) {
    for (int v : {colour->r, colour->g, colour->b}) numbers.push_back(std::to_string(v));
  }
  numbers.push_back(std::to_string(flag2));
  return numbers;
}

void expect_twirl(const Image& image, int kaiten, int flag, std::optional<Pixel> colour,
                  int flag2) {
  SCOPED_TRACE(testing::Message() << image.width << "x" << image.height << " kaiten " << kaiten
                                  << " flag " << flag << (colour ? " solid" : " edge") << " Flag2 "
                                  << flag2);
  expect_turn(
      TurnRun{"twirl", encode_bmp24(image, 0xee), twirl_numbers(kaiten, flag, colour, flag2),
              size_line(image.width, image.height),
              [](const Bytes& file) { return ref::from_image(decode_bmp24(file)); }},
      expected(image, kaiten, flag, colour, flag2));
}

TEST(Twirl, AnyOtherArgumentCountPrintsTheUsageAndALoneOneIsRefused) {
  expect_usage_and_lone_refusal("twirl", usage, {0, 2, 3, 4, 6, 7, 9});  // arguments after the name
}

TEST(Twirl, WholeOutputsMatchTheFormulasAtEveryKindOfAngle) {
  const Image images[] = {pattern(7, 5), pattern(6, 6), pattern(8, 3)};
  for (const Image& image : images) {
    for (int kaiten : {0, 1, 30, -45, 90, 135, 180, 270, -90, 359, 400}) {
      for (int flag : {0, 1, 2}) {
        expect_twirl(image, kaiten, flag, std::nullopt, kaiten % 2 == 0 ? 1 : 0);
        expect_twirl(image, kaiten, flag, Pixel{10, 200, 30}, kaiten % 2 == 0 ? 0 : 1);
      }
    }
  }
}

TEST(Twirl, WhereAMarkedPixelLands) {
  // One white pixel on black, one sample: the output pixels showing it are
  // exactly those whose inverse mapping reaches its canvas position.
  Image image = solid_image(9, 7, Pixel{0, 0, 0});
  image.at(6, 2) = Pixel{255, 255, 255};
  for (int kaiten : {0, 90, 180, 270, 30, -45}) {
    for (int flag2 : {0, 1}) expect_twirl(image, kaiten, 2, Pixel{0, 0, 0}, flag2);
  }
}

TEST(Twirl, AtZeroDegreesACentreColumnAndRowAreDoubledAndAnEdgeLost) {
  struct Case {
    int side;
    std::vector<int> shown;  // input column (and row) at each output column (row)
  };
  for (const Case& c : {Case{4, {0, 1, 2, 2}}, Case{5, {1, 2, 3, 3, 4}}}) {
    Scratch s;
    write_file(s.path("in.bmp"), encode_bmp24(coordinates(c.side, c.side)));
    ToolResult got = run_in(s, "twirl", {s.path("in.bmp"), s.path("out.bmp"), "0", "2", "0"});
    ASSERT_EQ(got.status, 0) << got.out;
    Image out = decode_bmp24(read_file(s.path("out.bmp")));
    ASSERT_EQ(out.width, c.side);
    for (int r = 0; r < c.side; ++r) {
      for (int col = 0; col < c.side; ++col) {
        EXPECT_EQ(out.at(col, r), (Pixel{uint8_t(c.shown[col]), uint8_t(c.shown[r]), 9}))
            << c.side << ": output (" << col << ", " << r << ")";
      }
    }
  }
}

TEST(Twirl, ASixBySixAt90DegreesShowsTheTopRowOnTheLeft) {
  // Output columns, left to right, show input rows 5, 5, 4, 3, 3, 2 (the first
  // through the canvas's repeated top row); output rows, bottom to top, show
  // input columns 0, 1, 2, 3, 3, 4.
  const int rows_shown[] = {5, 5, 4, 3, 3, 2};
  const int columns_shown[] = {0, 1, 2, 3, 3, 4};
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(coordinates(6, 6)));
  ToolResult got = run_in(s, "twirl", {s.path("in.bmp"), s.path("out.bmp"), "90", "2", "0"});
  ASSERT_EQ(got.status, 0) << got.out;
  Image out = decode_bmp24(read_file(s.path("out.bmp")));
  for (int r = 0; r < 6; ++r) {
    for (int c = 0; c < 6; ++c) {
      EXPECT_EQ(out.at(c, r), (Pixel{uint8_t(columns_shown[r]), uint8_t(rows_shown[c]), 9}))
          << "output (" << c << ", " << r << ")";
    }
  }
}

TEST(Twirl, A640By480InputKeepsItsSizeOrGrowsTo798By738) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(pattern(640, 480)));
  ToolResult same = run_in(s, "twirl", {s.path("in.bmp"), s.path("out.bmp"), "30", "2", "0"});
  ASSERT_EQ(same.status, 0);
  EXPECT_EQ(read_file(s.path("out.bmp")).size(), 54u + 480u * 1920u);
  EXPECT_TRUE(same.out.ends_with("\nThis size is  640 x  480\n")) << same.out;

  ToolResult grown = run_in(s, "twirl", {s.path("in.bmp"), s.path("out.bmp"), "30", "2", "1"});
  ASSERT_EQ(grown.status, 0);
  Bytes out = read_file(s.path("out.bmp"));
  EXPECT_EQ(out.size(), 54u + 738u * (3u * 798u + 2u));
  Image decoded = decode_bmp24(out);  // checks the size field and the 2 zero bytes per row
  EXPECT_EQ(decoded.width, 798);
  EXPECT_EQ(decoded.height, 738);
  EXPECT_TRUE(grown.out.ends_with("\nThis size is  798 x  738\n")) << grown.out;
  // Stars: the window's canvas rows 271 to 1008 that are multiples of 20.
  EXPECT_NE(grown.out.find("処理 " + ref::stars(271, 1009) + "\n"), std::string::npos);
}

TEST(Twirl, ArgumentParsing) {
  Image image = pattern(6, 4);
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(image));
  auto output_of = [&](std::vector<std::string> args) {
    std::vector<std::string> all{s.path("in.bmp"), s.path("out.bmp")};
    all.insert(all.end(), args.begin(), args.end());
    EXPECT_EQ(run_in(s, "twirl", all).status, 0);
    return read_file(s.path("out.bmp"));
  };
  // Every flag but 0 and 1 selects one sample.
  Bytes nearest = output_of({"30", "2", "1"});
  for (const char* flag : {"3", "7", "-1"}) EXPECT_EQ(output_of({"30", flag, "1"}), nearest);
  // Any non-zero Flag2 grows the output.
  EXPECT_EQ(output_of({"30", "2", "-4"}), nearest);
  // kaiten is read as an integer: 30.9 is 30, a word is 0.
  EXPECT_EQ(output_of({"30.9", "2", "1"}), nearest);
  Image zero = decode_bmp24(output_of({"abc", "2", "1"}));
  EXPECT_EQ(zero.width, 4) << "two pixels narrower than the even-sided input";
  EXPECT_EQ(zero.height, 2);
  // Colours take their low 8 bits: 256 is 0 and -1 is 255.
  EXPECT_EQ(output_of({"45", "0", "256", "-1", "513", "1"}),
            output_of({"45", "0", "0", "255", "1", "1"}));
  auto want = expected(image, 45, 0, Pixel{1, 255, 0}, 1);
  EXPECT_EQ(decode_bmp24(output_of({"45", "0", "0", "255", "1", "1"})).pixels,
            ref::to_image(want->image).pixels);
}

TEST(Twirl, WidthsAndHeightsOneToFiveAreTurnedOrRefusedWhereTheWindowMisses) {
  for (int width = 1; width <= 5; ++width) {
    for (int height : {1, 2, 5}) {
      for (int kaiten : {0, 30, 45, 90, 1}) {
        expect_twirl(pattern(width, height), kaiten, 0, std::nullopt, 0);
        expect_twirl(pattern(width, height), kaiten, 1, Pixel{5, 6, 7}, 1);
      }
    }
  }
}

TEST(Twirl, EmptyInputsReadNothingOutsideThemselves) {
  // Without pixels the origin window is empty: refused. The grown box of a
  // non-right angle still has pixels, all of the fill colour.
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {0, 0}}) {
    Image empty{w, h, {}};
    expect_twirl(empty, 30, 0, Pixel{1, 2, 3}, 0);
    expect_twirl(empty, 30, 0, Pixel{1, 2, 3}, 1);
    expect_twirl(empty, 30, 2, std::nullopt, 1);
    expect_twirl(empty, 0, 2, std::nullopt, 1);
  }
}

TEST(Twirl, ImagesWiderThan5000PixelsAreTurned) {
  Image image = pattern(5001, 1);
  expect_twirl(image, 0, 2, std::nullopt, 0);
}

TEST(Twirl, InputsLongerThan18900PixelsAreTurned) {
  // A canvas of 40000 x 40000 pixels would not fit a file, but none is made:
  // the outputs are 20000 x 3 (origin) and 20002 x 356 (auto at -1 degree).
  const Image image = pattern(20000, 3);
  expect_twirl(image, 1, 0, std::nullopt, 0);
  expect_twirl(image, 179, 2, Pixel{1, 2, 3}, 0);

  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(image));
  ToolResult got = run_in(s, "twirl", {s.path("in.bmp"), s.path("out.bmp"), "-1", "0", "1"});
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_TRUE(got.out.ends_with("\nThis size is 20002 x  356\n")) << got.out;
  const Image out = decode_bmp24(read_file(s.path("out.bmp")));
  ASSERT_EQ(out.width, 20002);
  ASSERT_EQ(out.height, 356);
  // Every row of one column in 500, each crossing the turned strip once, from
  // the model one pixel at a time.
  const ref::Grid input = ref::from_image(image);
  const ref::Frame f = ref::frame(20000, 3, ref::margins(-1, 20000, 3));
  const ref::Window w = ref::window(f, true);
  for (int c = 0; c < out.width; c += 500) {
    for (int r = 0; r < out.height; ++r) {
      const ref::Window one{w.c0 + c, w.c0 + c + 1, w.r0 + r, w.r0 + r + 1};
      const ref::Grid want =
          ref::turn(ref::canvas(input, f, std::nullopt), one, f.M, f.M, -1, ref::eight_samples, {});
      ASSERT_EQ(ref::from_image(Image{1, 1, {out.at(c, r)}}).pixels, want.pixels)
          << "output (" << c << ", " << r << ")";
    }
  }
}

TEST(Twirl, AnOutputThatCannotBeAFileIsRefused) {
  // 60000 x 1 at 45 degrees grows to 42432 x 42432, beyond 4 GiB; its own
  // size is turned.
  Scratch s;
  const Image image = pattern(60000, 1);
  write_file(s.path("in.bmp"), encode_bmp24(image));
  ToolResult got = run_in(s, "twirl", {s.path("in.bmp"), s.path("out.bmp"), "45", "2", "1"});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, size_line(60000, 1) + "Image too large to turn: " + s.path("in.bmp") + " !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  EXPECT_TRUE(s.tmp_entries().empty());
  expect_twirl(image, 45, 2, std::nullopt, 0);
}

TEST(Twirl, HeaderFailuresLeaveNoFilesBehind) {
  struct Case {
    const char* title;
    Bytes input;
    std::string message;
  };
  Bytes four_byte = encode_bmp4(make_image4(3, 2, [](int, int) { return Pixel4{1, 2, 3, 4}; }));
  Bytes wrong = encode_bmp24(pattern(3, 2));
  wrong[0] = 'X';
  for (const Case& c :
       {Case{"not a bmp", wrong, "Wrong Format !\n"},
        Case{"a 4-byte file", four_byte, "このファイルは1670万色タイプではありません\n"}}) {
    Scratch s;
    write_file(s.path("in.bmp"), c.input);
    write_file(s.path("out.bmp"), {'o', 'l', 'd'});
    ToolResult got = run_in(s, "twirl", {s.path("in.bmp"), s.path("out.bmp"), "10", "0", "0"});
    EXPECT_EQ(got.status, 1) << c.title;
    EXPECT_EQ(got.out, c.message) << c.title;
    EXPECT_EQ(read_file(s.path("out.bmp")), (Bytes{'o', 'l', 'd'})) << c.title;
    EXPECT_TRUE(s.tmp_entries().empty()) << c.title;
  }
}

TEST(Twirl, FilesThatCannotBeOpened) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(pattern(3, 2)));
  ToolResult missing = run_in(s, "twirl", {s.path("none.bmp"), s.path("out.bmp"), "1", "0", "0"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "\ncan't open source file " + s.path("none.bmp") + "\n");
  ToolResult no_folder =
      run_in(s, "twirl", {s.path("in.bmp"), s.path("no/out.bmp"), "1", "0", "0"});
  EXPECT_EQ(no_folder.out, "\ncan't open source file " + s.path("no/out.bmp") + "\n");
}

// The canvas is sampled where it lies in the input: no temporary folder is
// needed, and none is made.
TEST(Twirl, TheTurnNeedsNoTemporaryFolder) {
  Scratch s;
  const Image in = pattern(7, 5);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  ToolResult got = run(ToolCall{"twirl",
                                {s.path("in.bmp"), s.path("out.bmp"), "33", "0", "1"},
                                "",
                                {{"TMPDIR", s.path("gone")}}});
  EXPECT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(got.err, "");
  EXPECT_EQ(decode_bmp24(read_file(s.path("out.bmp"))).pixels,
            ref::to_image(expected(in, 33, 0, std::nullopt, 1)->image).pixels);
  EXPECT_FALSE(fs::exists(s.path("gone")));
}

TEST(Twirl, RunsAtOnceKeepApart) {
  Scratch s;
  std::vector<Image> images;
  std::vector<Bytes> inputs;
  for (int i = 0; i < 4; ++i) {
    images.push_back(pattern(40 + 3 * i, 30 + i));
    inputs.push_back(encode_bmp24(images.back()));
  }
  std::vector<Bytes> outputs = outputs_of_runs_at_once(s, "twirl", inputs, {"33", "0", "1"});
  for (size_t i = 0; i < images.size(); ++i) {
    EXPECT_EQ(decode_bmp24(outputs[i]).pixels,
              ref::to_image(expected(images[i], 33, 0, std::nullopt, 1)->image).pixels)
        << i;
  }
}

}  // namespace
}  // namespace bmp::test
