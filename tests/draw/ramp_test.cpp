// ramp, run as its own process: new gradient images checked against values
// worked out by hand and against the plain per-pixel model.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/draw/gradient_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage =
    banner("RAMP UTILITY(for BMP FILE VERSION)\n") +
    "\n"
    "USAGE: COMMAND Filename X_size Y_size R1 G1 B1 R2 G2 B2\n"
    "       COMMAND Filename X_size Y_size R1 G1 B1 R2 G2 B2 degree\n"
    "       COMMAND Filename X_size Y_size R1 G1 B1 R2 G2 B2 degree Flag\n"
    "       COMMAND Filename X_size Y_size R1 G1 B1 R2 G2 B2 degree Flag start(%) end(%)\n"
    "\n" +
    curve_table("7  = (sin 0-180)早遅早\n") +
    "\n"
    "WARNING for BMP FILE ONLY\n";

std::string done(int width, int height) {
  char line[64];
  std::snprintf(line, sizeof line, "\nThis size is %4d * %4d\n\n", width, height);
  return progress_lines(height) + line;
}

// The full argument list of the 14-count form for a call.
std::vector<std::string> ramp_args(const std::string& file, const GradientCall& g) {
  std::vector<std::string> args{file, std::to_string(g.width), std::to_string(g.height)};
  std::vector<std::string> rest = gradient_args(g);
  args.insert(args.end(), rest.begin(), rest.end());
  return args;
}

// Runs ramp for the call (feeding K for flags 4 and 5) and expects the model's image.
void expect_model_image(const GradientCall& g, const std::string& title) {
  Scratch s;
  std::string input = (g.flag == 4 || g.flag == 5) ? arg(g.k) + "\n" : "";
  ToolResult got = run("ramp", ramp_args(s.path("out.bmp"), g), input);
  ASSERT_EQ(got.status, 0) << title << ": " << got.out;
  EXPECT_EQ(got.out, (input.empty() ? "" : power_prompt) + done(g.width, g.height)) << title;
  Image image = decode_bmp24(read_file(s.path("out.bmp")));
  EXPECT_EQ(first_difference(image, expected_gradient(g)), "") << title;
}

TEST(Ramp, OtherArgumentCountsPrintTheUsageAndALoneArgumentIsRefused) {
  for (int count : {0, 2, 8, 12, 14}) {
    std::vector<std::string> args(static_cast<size_t>(count), "1");
    ToolResult got = run("ramp", args);
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
  ToolResult lone = run("ramp", {"out.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "\nWrong Paramater !\n");
}

TEST(Ramp, FourByFourWhiteToBlackRisesByQuartersFromTheBottom) {
  Scratch s;
  ToolResult got = run("ramp", {s.path("out.bmp"), "4", "4", "255", "255", "255", "0", "0", "0"});
  ASSERT_EQ(got.status, 0);
  EXPECT_EQ(got.out, "[0000]\r[0001]\r[0002]\r[0003]\r\nThis size is    4 *    4\n\n");
  // trunc(255 × y / 4) on every pixel of stored row y; dm is 0.
  const uint8_t levels[] = {0, 63, 127, 191};
  Image want = make_image(4, 4, [&](int, int y) { return Pixel{levels[y], levels[y], levels[y]}; });
  EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(want));
}

// Grey ramps worked out by hand: the grey level of each stored row from the
// bottom (-1: not checked), every pixel of a row alike. White is colour 1,
// black colour 2 unless the arguments say otherwise.
TEST(Ramp, GreyRowsWorkedByHand) {
  struct Case {
    const char* title;
    std::vector<std::string> args;  // after Filename
    std::string input;
    std::vector<int> rows;
  };
  const std::vector<std::string> grey{"255", "255", "255", "0", "0", "0"};
  auto with = [&](std::vector<std::string> size, std::vector<std::string> rest) {
    size.insert(size.end(), grey.begin(), grey.end());
    size.insert(size.end(), rest.begin(), rest.end());
    return size;
  };
  const Case cases[] = {
      {"degree 180 reverses: 255 (1 - y / 4)", with({"4", "4"}, {"180"}), "", {255, 191, 127, 63}},
      // The first pixel of a one-pixel-wide image lies on the corner the
      // projection measures from: t = 0 there, like the rest of its row.
      {"one pixel wide", with({"1", "4"}, {}), "", {0, 63, 127, 191}},
      // t = y / 8. Flag 6: (sin(360 t + 270) + 1) / 2.
      {"flag 6", with({"1", "8"}, {"0", "6"}), "", {0, 37, 127, 217, -1, 217, 127, 37}},
      {"flag 4, K 2: 255 t²",
       with({"1", "8"}, {"0", "4"}),
       "2\n",
       {0, 3, 15, 35, 63, 99, 143, 195}},
      {"flag 5, K 2: 255 (1 - t²)",
       with({"1", "8"}, {"0", "5"}),
       "2\n",
       {255, 251, 239, 219, 191, 155, 111, 59}},
      {"flag 4, K 0: pow(s, 0) is 1, even at s = 0",
       with({"1", "8"}, {"0", "4"}),
       "0\n",
       {255, 255, 255, 255, 255, 255, 255, 255}},
      // start 15, end 65: s = 0 up to t = 0.35, (t - 0.35) / 0.5, 1 beyond 0.85.
      {"start 15, end 65",
       with({"3", "10"}, {"0", "0", "15", "65"}),
       "",
       {0, 0, 0, 0, 25, 76, 127, 178, 229, 255}},
      // start = end = 100 puts an empty band (lo = hi = 0) exactly on the
      // bottom row's t = 0: 0 / 0 there, given s = 0, so colour 2 (white here).
      {"empty band on a pixel",
       {"2", "4", "0", "0", "0", "255", "255", "255", "0", "0", "100", "100"},
       "",
       {255, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Scratch s;
    std::vector<std::string> args{s.path("out.bmp")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ToolResult got = run("ramp", args, c.input);
    ASSERT_EQ(got.status, 0) << c.title << ": " << got.out;
    Image image = decode_bmp24(read_file(s.path("out.bmp")));
    ASSERT_EQ(image.height, static_cast<int>(c.rows.size())) << c.title;
    for (int y = 0; y < image.height; ++y) {
      const int want = c.rows[static_cast<size_t>(y)];
      for (int x = 0; x < image.width && want >= 0; ++x) {
        EXPECT_EQ(image.at(x, y), (Pixel{uint8_t(want), uint8_t(want), uint8_t(want)}))
            << c.title << ": row " << y << " column " << x;
      }
    }
  }
}

TEST(Ramp, BandsMatchThePlainComputation) {
  for (auto [start, end] : {std::pair{25.0, 75.0}, std::pair{60.0, 20.0}, std::pair{40.0, 40.0},
                            std::pair{0.0, 50.0}, std::pair{-20.0, 130.0}}) {
    expect_model_image({6, 9, {200, 100, 50}, {20, 40, 250}, 120, 1, 0, start, end},
                       "start " + arg(start) + " end " + arg(end));
  }
}

TEST(Ramp, EachDegreeMatchesThePlainComputation) {
  for (double degree : {0.0, 45.0, 90.0, 135.0, 180.0, -90.0, 200.0, -135.0, 30.5, 179.9, -45.0}) {
    for (auto [w, h] : {std::pair{7, 5}, std::pair{5, 8}}) {
      GradientCall g{w, h, {250, 20, 130}, {10, 240, 60}, degree};
      expect_model_image(
          g, "degree " + arg(degree) + " on " + std::to_string(w) + " x " + std::to_string(h));
    }
  }
}

TEST(Ramp, DegreeNinetyRunsFromColourTwoAtTheLeft) {
  Scratch s;
  ToolResult got =
      run("ramp", {s.path("out.bmp"), "4", "2", "255", "255", "255", "0", "0", "0", "90"});
  ASSERT_EQ(got.status, 0);
  Image image = decode_bmp24(read_file(s.path("out.bmp")));
  // Bottom row: trunc(255 × x / 4), the first pixel counting as x = 1.
  const int bottom[] = {63, 63, 127, 191};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(image.at(x, 0).g, bottom[x]) << x;
  // Above it the angle takes x + 1: the left pixel is far from colour 2.
  EXPECT_GT(image.at(0, 1).g, 40);
}

TEST(Ramp, EachCurveFlagMatchesThePlainComputation) {
  for (int flag = 0; flag <= 7; ++flag) {
    for (double k : {2.0, 0.5}) {
      if (k != 2.0 && flag != 4 && flag != 5) continue;
      GradientCall g{9, 6, {255, 128, 0}, {0, 64, 255}, 30, flag, k};
      expect_model_image(g, "flag " + std::to_string(flag) + " K " + arg(k));
    }
  }
}

TEST(Ramp, WidthsOneToFiveEndRowsWithTheirPadding) {
  for (int width = 1; width <= 5; ++width) {
    for (double degree : {90.0, 0.0, -60.0}) {
      GradientCall g{width, 3, {255, 0, 100}, {0, 255, 200}, degree};
      expect_model_image(g, "width " + std::to_string(width) + " degree " + arg(degree));
      Scratch s;
      ASSERT_EQ(run("ramp", ramp_args(s.path("out.bmp"), g)).status, 0);
      EXPECT_EQ(read_file(s.path("out.bmp")).size(), 54u + 3u * (3u * width + width % 4));
    }
  }
}

TEST(Ramp, ColoursBeyondTheByteRangeClampOnlyTheResult) {
  Scratch s;
  ToolResult got =
      run("ramp", {s.path("out.bmp"), "4", "4", "301", "-51", "128", "-100", "400", "128"});
  ASSERT_EQ(got.status, 0);
  Image image = decode_bmp24(read_file(s.path("out.bmp")));
  // c = y / 4: red -100 + 401 c, green 400 - 451 c, blue 128.
  EXPECT_EQ(image.at(1, 0), (Pixel{128, 255, 0}));
  EXPECT_EQ(image.at(1, 1), (Pixel{128, 255, 0}));  // red 0.25, green 287.25
  EXPECT_EQ(image.at(1, 2), (Pixel{128, 174, 100}));
  EXPECT_EQ(image.at(1, 3), (Pixel{128, 61, 200}));
  expect_model_image({5, 7, {300, -60, 500}, {-80, 350, -5}, 70}, "clamped colours");
}

TEST(Ramp, AFullTurnDrawsLikeNoTurn) {
  auto image_for = [](const std::string& degree) {
    Scratch s;
    ToolResult got = run("ramp", {s.path("out.bmp"), "6", "5", "255", "200", "0", "0", "30", "255",
                                  degree, "1", "10", "90"});
    EXPECT_EQ(got.status, 0) << degree;
    return read_file(s.path("out.bmp"));
  };
  EXPECT_EQ(image_for("360"), image_for("0"));
  EXPECT_EQ(image_for("370"), image_for("10"));
  EXPECT_EQ(image_for("-360"), image_for("0"));
  EXPECT_EQ(image_for("540"), image_for("180"));
  EXPECT_NE(image_for("360"), image_for("180"));
}

TEST(Ramp, AFlagOutsideTheTableFailsAtTheFirstPixel) {
  for (const char* flag : {"8", "1.5", "-1", "7.0000001"}) {
    Scratch s;
    ToolResult got =
        run("ramp", {s.path("out.bmp"), "4", "4", "255", "255", "255", "0", "0", "0", "0", flag});
    EXPECT_EQ(got.status, 1) << flag;
    EXPECT_EQ(got.out, "Wrong Flags ! \n") << flag;
    EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << flag;
  }
  // An image without pixels never reaches a first pixel.
  for (auto [w, h] : {std::pair{0, 2}, std::pair{3, 0}}) {
    Scratch s;
    ToolResult empty = run("ramp", {s.path("out.bmp"), std::to_string(w), std::to_string(h), "255",
                                    "255", "255", "0", "0", "0", "0", "9"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, done(w, h));
  }
}

TEST(Ramp, ThePowerConstantIsReadOnlyForFlagsFourAndFive) {
  for (const char* input : {"", "abc", "-1", "-0.5", "nan"}) {
    Scratch s;
    ToolResult got = run(
        "ramp", {s.path("out.bmp"), "4", "4", "255", "255", "255", "0", "0", "0", "0", "5"}, input);
    EXPECT_EQ(got.status, 1) << "'" << input << "'";
    EXPECT_EQ(got.out, power_prompt + "Wrong power constant !\n") << "'" << input << "'";
    EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  }
  // Flag 4.5 is no power flag: nothing is asked, and it fails at the first pixel.
  Scratch s;
  ToolResult other = run(
      "ramp", {s.path("out.bmp"), "4", "4", "255", "255", "255", "0", "0", "0", "0", "4.5"}, "2\n");
  EXPECT_EQ(other.out, "Wrong Flags ! \n");
}

TEST(Ramp, SizesOfZeroGiveAHeaderOnlyAndNegativeSizesAreRefused) {
  for (auto [w, h] : {std::pair{0, 5}, std::pair{3, 0}, std::pair{0, 0}}) {
    Scratch s;
    ToolResult got = run("ramp", {s.path("out.bmp"), std::to_string(w), std::to_string(h), "255",
                                  "255", "255", "0", "0", "0"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.out, done(w, h));
    EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(Image{w, h, {}}));
  }
  for (auto [w, h] : {std::pair{-1, 5}, std::pair{3, -2}}) {
    Scratch s;
    std::string out = s.path("out.bmp");
    ToolResult got = run(
        "ramp", {out, std::to_string(w), std::to_string(h), "255", "255", "255", "0", "0", "0"});
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, "Negative size in " + out + " !\n");
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST(Ramp, AnOutputThatCannotBeOpened) {
  Scratch s;
  std::string out = s.path("no/out.bmp");
  ToolResult got = run("ramp", {out, "4", "4", "255", "255", "255", "0", "0", "0"});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, "\ncan't open source file " + out + "\n");
}

TEST(Ramp, LargeImagesAreTheSamePixelByPixel) {
  // Large enough to be shared among threads, rows longer than a block, and
  // rows long enough to be made in pieces.
  expect_model_image({1500, 1500, {255, 255, 255}, {0, 0, 0}, 30, 1}, "1500 x 1500");
  expect_model_image({100003, 3, {10, 200, 255}, {250, 0, 40}, -120, 7}, "100003 x 3");
  expect_model_image({1400003, 2, {0, 90, 255}, {255, 10, 0}, 60, 2, 0, 20, 80}, "1400003 x 2");
}

}  // namespace
}  // namespace bmp::test
