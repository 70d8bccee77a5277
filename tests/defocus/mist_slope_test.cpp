// mist_slope, run as its own process: two fractional-box passes whose radius
// per pixel follows its place along a direction, compared with the direct
// formulas; its usage, Flag2 prompt and refusal, messages and temporary file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tests/defocus/blur_reference.hpp"
#include "tests/defocus/defocus_cli.hpp"
#include "tests/defocus/fractional_box_reference.hpp"
#include "tests/draw/gradient_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("MIST_SLOPE UTILITY (BMP FILE VERSION) (X_size < 10000)\n") +
                          "\n"
                          "USAGE: COMMAND Infile Outfile degree defo1 defo2\n"
                          "       COMMAND Infile Outfile degree defo1 defo2 Flag\n"
                          "       COMMAND Infile Outfile degree defo1 defo2 Flag start end\n"
                          "       COMMAND Infile Outfile degree defo1 defo2 Flag start end Flag2\n"
                          "\n"
                          "--- Flag ---\t\t\t\t--- Flag2 ---\n"
                          "0 or no **** 上下左右相互不干渉\t\t0 ---  one way\n"
                          "else ********上下左右相互干渉\t\t1 ---  turn\n"
                          "\n" +
                          family_list_tail;

const std::string power_prompt = "累乗の定数を入れてください。\n";
const std::string wrong_flags = "Wrong Flags ! \n";

struct Slope {
  double degree = 0;
  double defo1 = 0;
  double defo2 = 0;
  bool wrap = false;
  double start = 0;
  double end = 100;
  int flag2 = 0;  // 0 one way, 1 turn
};

// The radius of pixel (x, y): s from the direction's band, K from the profile
// (the half and the full raised cosine), r = defo2 + (defo1 - defo2) × K.
double slope_radius(const Slope& slope, int x, int y, int width, int height) {
  GradientCall g;
  g.degree = slope.degree;
  g.start = slope.start;
  g.end = slope.end;
  g.flag = slope.flag2 == 0 ? 1 : 6;
  const double s = model::band(g, model::position(slope.degree, x, y, width, height));
  return slope.defo2 + (slope.defo1 - slope.defo2) * model::curve(g, s);
}

Image expected(const Image& in, const Slope& slope) {
  return ref_fractional_twice(
      in, [&](int x, int y) { return slope_radius(slope, x, y, in.width, in.height); }, slope.wrap);
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The longest form: every argument given.
std::vector<std::string> arguments(const Slope& slope) {
  return {number(slope.degree),       number(slope.defo1), number(slope.defo2),
          slope.wrap ? "1" : "0",     number(slope.start), number(slope.end),
          std::to_string(slope.flag2)};
}

Blurred mist_slope(const Scratch& s, const Image& in, const std::vector<std::string>& numbers,
                   const std::string& input = "") {
  return run_blur("mist_slope", s, in, numbers, input);
}

std::string success_out(const Image& in) {
  char end[64];
  std::snprintf(end, sizeof end, "\nThis size is %4d * %4d\n", in.width, in.height);
  return size_line(in.width, in.height) + stars(in.height) + stars(in.height) + end;
}

TEST(MistSlope, AnyOtherArgumentCountPrintsTheUsage) {
  for (int count : {0, 2, 3, 4, 7, 10}) {  // arguments after the program name
    ToolResult got = run("mist_slope", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
  ToolResult lone = run("mist_slope", {"in.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "\nWrong Paramater !\n");
}

// Directions of every quadrant and beyond a half turn, one way and turn, the
// whole area and a band, both edge modes, widths 1 to 5.
TEST(MistSlope, BlursAsTheFormulasSay) {
  const Slope slopes[] = {
      {0, 4, 0, false, 0, 100, 0},     {45, 3, 0.5, true, 0, 100, 0},
      {90, 2.5, 0, false, 0, 100, 1},  {135, 1.5, 3, true, 20, 60, 0},
      {180, 4, 0, false, 0, 100, 0},   {-90, 0.3, 2.7, true, 0, 100, 1},
      {200, 3.5, 1, false, 10, 90, 1}, {30.5, 2, 0, true, 20, 60, 1},
      {-135, 2, 2, false, 0, 100, 0},  {359.5, 3, 0.25, true, 0, 100, 0},
  };
  int round = 0;
  for (const Slope& slope : slopes) {
    for (int width = 1; width <= 5; ++width) {
      const int height = 1 + (round++ % 3) * 3;  // 1, 4 and 7 rows in turn
      const Image in = ref_pattern(width, height, static_cast<unsigned>(round));
      Scratch s;
      Blurred got = mist_slope(s, in, arguments(slope));
      ASSERT_EQ(got.result.status, 0) << got.result.out;
      EXPECT_EQ(got.result.out, success_out(in));
      EXPECT_EQ(got.image.pixels, expected(in, slope).pixels)
          << "degree " << slope.degree << " " << width << "x" << height;
    }
  }
}

// The shorter forms default Flag to 0, start to 0, end to 100 and Flag2 to 0.
TEST(MistSlope, TheShorterForms) {
  const Image in = ref_pattern(6, 5, 3);
  const Slope plain{60, 3, 0.5};
  Scratch s;
  EXPECT_EQ(mist_slope(s, in, {"60", "3", "0.5"}).image.pixels, expected(in, plain).pixels);
  Slope wrapped = plain;
  wrapped.wrap = true;
  EXPECT_EQ(mist_slope(s, in, {"60", "3", "0.5", "2"}).image.pixels, expected(in, wrapped).pixels);
  Slope banded = wrapped;
  banded.start = 25;
  banded.end = 75;
  EXPECT_EQ(mist_slope(s, in, {"60", "3", "0.5", "-1", "25", "75"}).image.pixels,
            expected(in, banded).pixels);
}

// Flag is a real number: only exactly 0 clamps; 0.5 wraps.
TEST(MistSlope, OnlyAFlagOfExactlyZeroClamps) {
  const Image in = ref_pattern(5, 4, 7);
  const std::pair<std::string, bool> flags[] = {
      {"0", false}, {"-0", false}, {"x", false}, {"0.5", true}, {"3", true}};
  for (const auto& [flag, wrap] : flags) {
    Slope slope{30, 3.5, 1};
    slope.wrap = wrap;
    Scratch s;
    EXPECT_EQ(mist_slope(s, in, {"30", "3.5", "1", flag}).image.pixels, expected(in, slope).pixels)
        << flag;
  }
}

TEST(MistSlope, HandWorkedResults) {
  const Image in = ref_pattern(7, 9, 21);
  Scratch s;
  // Equal degrees: one fractional box of that radius everywhere, twice.
  EXPECT_EQ(mist_slope(s, in, {"33", "2.5", "2.5"}).image.pixels,
            ref_fractional_twice(
                in, [](int, int) { return 2.5; }, false)
                .pixels);
  EXPECT_EQ(mist_slope(s, in, {"-120", "0", "0", "1"}).image.pixels, in.pixels)
      << "radius 0 copies";

  // Degree 0, one way, defo1 4 and defo2 0: the bottom row has s = 0, radius
  // 0, and is copied by both passes; the rows above are blurred.
  Image up = mist_slope(s, in, {"0", "4", "0"}).image;
  for (int x = 0; x < in.width; ++x) EXPECT_EQ(up.at(x, 0), in.at(x, 0)) << x;
  EXPECT_NE(up.at(3, 8), in.at(3, 8));
  // Degree 180 turns the grade over: now the bottom row has s = 1 and the
  // radius defo1; with defo1 0 and defo2 4 it is the row that stays.
  Image down = mist_slope(s, in, {"180", "0", "4"}).image;
  for (int x = 0; x < in.width; ++x) EXPECT_EQ(down.at(x, 0), in.at(x, 0)) << x;
  Image down_blurred = mist_slope(s, in, {"180", "4", "0"}).image;
  EXPECT_NE(down_blurred.at(3, 0), in.at(3, 0));

  // Turn mode over the whole height: radius defo2 at both ends, so with
  // defo2 0 the bottom row is copied; defo1 across the middle.
  Image turned = mist_slope(s, in, {"0", "3", "0", "0", "0", "100", "1"}).image;
  for (int x = 0; x < in.width; ++x) EXPECT_EQ(turned.at(x, 0), in.at(x, 0)) << x;
  EXPECT_NE(turned.at(3, 4), in.at(3, 4));
}

// Flags 4 and 5 first ask for the power constant, before the header is read;
// the number is not used, and every Flag2 but 0 and 1 is refused at the first
// pixel, after the header line. Nothing is left behind.
TEST(MistSlope, FlagsWithoutAProfileAreRefusedAtTheFirstPixel) {
  const Image in = ref_pattern(4, 3, 2);
  const std::pair<std::string, std::string> cases[] = {
      {"4", power_prompt}, {"5", power_prompt}, {"4.0", power_prompt},
      {"2", ""},           {"0.5", ""},         {"-1", ""},
  };
  for (const auto& [flag2, prompt] : cases) {
    for (const std::string typed : {"2.5\n", ""}) {
      Scratch s;
      Blurred got = mist_slope(s, in, {"0", "2", "0", "0", "0", "100", flag2}, typed);
      EXPECT_EQ(got.result.status, 1) << flag2;
      EXPECT_EQ(got.result.out, prompt + size_line(4, 3) + wrong_flags) << flag2;
      EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << flag2;
    }
  }
  // An image without pixels has no first pixel to refuse.
  Scratch s;
  const Image empty{0, 3, {}};
  Blurred got = mist_slope(s, empty, {"0", "2", "0", "0", "0", "100", "7"});
  EXPECT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.result.out, success_out(empty));
}

// A radius wider than the image: clamp repeats the edges, wrap goes round as
// often as it takes; no size check and no width check.
TEST(MistSlope, RadiiBeyondTheImageAndAnyWidth) {
  const Image in = ref_pattern(4, 3, 5);
  for (bool wrap : {false, true}) {
    Slope slope{45, 12.5, 7};
    slope.wrap = wrap;
    Scratch s;
    EXPECT_EQ(mist_slope(s, in, arguments(slope)).image.pixels, expected(in, slope).pixels)
        << (wrap ? "wrap" : "clamp");
  }
  const Image wide = ref_pattern(10001, 2, 6);
  Scratch s;
  Blurred got = mist_slope(s, wide, {"90", "1.5", "0"});
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.image.pixels, expected(wide, Slope{90, 1.5, 0}).pixels);
}

TEST(MistSlope, DegreesThatAreNoSizeAreRefused) {
  const Image in = ref_pattern(4, 4, 1);
  for (const std::string degree : {"nan", "-0.5", "inf", "-inf", "1e12"}) {
    for (bool first : {true, false}) {
      Scratch s;
      Blurred got = mist_slope(s, in,
                               first ? std::vector<std::string>{"0", degree, "1"}
                                     : std::vector<std::string>{"0", "1", degree});
      EXPECT_EQ(got.result.status, 1) << degree;
      EXPECT_EQ(got.result.out, size_line(4, 4) + degree_out_of_range(degree)) << degree;
      EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << degree;
    }
  }
}

// A band bound that is not a finite number is refused after the size line,
// with no output: NaN or an infinite end would give the band's pixels s = NaN.
TEST(MistSlope, BandBoundsThatAreNotFiniteAreRefused) {
  const Image in = ref_pattern(4, 4, 1);
  const std::pair<std::string, std::string> cases[] = {
      {"nan", "100"}, {"0", "nan"}, {"0", "inf"}, {"-inf", "inf"}, {"-inf", "100"}};
  for (const auto& [start, end] : cases) {
    Scratch s;
    Blurred got = mist_slope(s, in, {"30", "2", "0", "0", start, end});
    const std::string& refused = start == "-inf" || start == "nan" ? start : end;
    EXPECT_EQ(got.result.status, 1) << start << " " << end;
    EXPECT_EQ(got.result.out, size_line(4, 4) + "Number out of range: " + refused + " !\n")
        << start << " " << end;
    EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << start << " " << end;
  }
}

// Infile and Outfile have messages of their own; the temporary file its own.
TEST(MistSlope, FilesThatCannotBeOpened) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(ref_pattern(3, 3)));
  ToolResult missing =
      run_in(s, "mist_slope", {s.path("none.bmp"), s.path("out.bmp"), "0", "1", "0"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "\ncan't open " + s.path("none.bmp") + "\n");
  ToolResult unwritable =
      run_in(s, "mist_slope", {s.path("in.bmp"), s.path("no/out.bmp"), "0", "1", "0"});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.out, "\ncan't open source file " + s.path("no/out.bmp") + "\n");

  expect_no_temp_file(s, "mist_slope", {s.path("in.bmp"), s.path("out.bmp"), "0", "1", "0"},
                      size_line(3, 3));
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));

  write_file(s.path("bad.bmp"), Bytes{'B', 'M', 0});
  ToolResult bad = run_in(s, "mist_slope", {s.path("bad.bmp"), s.path("out.bmp"), "0", "1", "0"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "Truncated file " + s.path("bad.bmp") + " !\n");
}

// The two passes at once (clamped edges, an image well taller than the
// windows) keep the first pass in memory: temp0000 is still made where the
// first pass would write it, so a missing temporary folder fails the run as
// ever, but a full one no longer does. Wrapped edges still go through the
// file and fail there. The small file system is mounted for the run alone,
// in mount and user namespaces of its own.
TEST(MistSlope, TemporaryFolderMissingOrFull) {
  Scratch s;
  const Image in = ref_pattern(100, 300);  // 90 KB of pixels: more than the folder holds
  write_file(s.path("in.bmp"), encode_bmp24(in));
  const std::vector<std::string> clamped{s.path("in.bmp"), s.path("out.bmp"), "30", "2", "0", "0"};
  expect_no_temp_file(s, "mist_slope", clamped, size_line(100, 300));
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));

  fs::create_directory(s.path("small"));
  const std::string script = R"(
    mount -t tmpfs -o size=64k tmpfs "$1/small" || exit 99
    TMPDIR="$1/small" "$2" "$1/in.bmp" "$1/out$3.bmp" 30 2 0 $3 > "$1/log$3.txt"
    echo $? > "$1/status$3.txt"
  )";
  auto text = [&](const std::string& name) {
    Bytes bytes = read_file(s.path(name));
    return std::string(bytes.begin(), bytes.end());
  };
  for (int flag : {0, 1}) {
    const std::string command = "unshare --user --map-root-user --mount sh -c '" + script +
                                "' sh " + s.folder().string() + " " + tool_path("mist_slope") +
                                " " + std::to_string(flag);
    // The script's own status is 0 whatever the tool's: any other means that
    // this machine gives no such namespace (unshare or the mount refused).
    if (std::system(command.c_str()) != 0) {
      GTEST_SKIP() << "no mount namespace with a small file system on this machine";
    }
  }
  Slope slope;
  slope.degree = 30;
  slope.defo1 = 2;
  EXPECT_EQ(text("status0.txt"), "0\n");
  EXPECT_EQ(text("log0.txt"), success_out(in));
  EXPECT_EQ(decode_bmp24(read_file(s.path("out0.bmp"))).pixels, expected(in, slope).pixels);
  // Wrapped: the first pass's progress up to the failed write, then its message.
  EXPECT_EQ(text("status1.txt"), "1\n");
  const std::string wrapped = text("log1.txt");
  const std::string head = size_line(100, 300), tail = "Can't write temp0000.bmp !\n";
  ASSERT_GE(wrapped.size(), head.size() + tail.size());
  EXPECT_EQ(wrapped.substr(0, head.size()), head);
  EXPECT_EQ(wrapped.substr(wrapped.size() - tail.size()), tail);
  const std::string progress =
      wrapped.substr(head.size(), wrapped.size() - head.size() - tail.size());
  EXPECT_EQ(progress.find_first_not_of('*'), std::string::npos) << progress;
  EXPECT_FALSE(fs::exists(s.path("out1.bmp")));
}

}  // namespace
}  // namespace bmp::test
