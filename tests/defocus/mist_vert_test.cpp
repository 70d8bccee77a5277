// mist_vert, run as its own process: two graded passes, compared with the
// direct formula; its usage, prompt, messages and temporary file.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/defocus/blur_reference.hpp"
#include "tests/defocus/defocus_cli.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

Blurred mist_vert(const Scratch& s, const Image& in, const std::vector<std::string>& numbers,
                  const std::string& input = "") {
  return run_blur("mist_vert", s, in, numbers, input);
}

std::string success_out(const Image& in) {
  return size_line(in.width, in.height) + stars(in.height) + stars(in.height) +
         end_lines(in.width, in.height);
}

TEST(MistVert, AnyOtherArgumentCountPrintsTheUsage) {
  for (int count : {0, 1, 2, 3, 6, 7, 9}) {  // arguments after the program name
    std::vector<std::string> args(static_cast<size_t>(count), "1");
    ToolResult got = run("mist_vert", args);
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, graded_usage) << count;
  }
}

// The three forms with their defaults: omitted flag 0 (clamp), start 0,
// end 100, Flag2 0 (one way); Flag2 is truncated, any non-zero is turn.
TEST(MistVert, EachFormBlursAsTheFormulaSays) {
  struct Case {
    std::vector<std::string> numbers;
    RefGrade grade;
    bool wrap;
  };
  const Case cases[] = {
      {{"2.5", "0.5"}, {2.5, 0.5, 0, 100, 0}, false},
      {{"2.5", "0.5", "1"}, {2.5, 0.5, 0, 100, 0}, true},
      {{"1.75", "3", "-3"}, {1.75, 3, 0, 100, 0}, true},
      {{"1.75", "3", "0"}, {1.75, 3, 0, 100, 0}, false},
      {{"3.5", "0.25", "1", "20", "60", "0"}, {3.5, 0.25, 20, 60, 0}, true},
      {{"1.5", "3", "0", "25", "75", "1"}, {1.5, 3, 25, 75, 1}, false},
      {{"1.5", "3", "0", "25", "75", "2.9"}, {1.5, 3, 25, 75, 1}, false},
      {{"1.5", "3", "7", "25", "75", "0.9"}, {1.5, 3, 25, 75, 0}, true},
      {{"0", "2.5", "1", "60", "20", "1"}, {0, 2.5, 60, 20, 1}, true},
  };
  Image in = ref_pattern(6, 9, 5);
  for (const Case& c : cases) {
    Scratch s;
    Blurred got = mist_vert(s, in, c.numbers);
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.result.out, success_out(in));
    EXPECT_EQ(got.image.pixels, ref_twice(in, c.grade, c.wrap).pixels)
        << c.numbers[0] << " " << c.numbers[1];
  }
}

TEST(MistVert, WidthsOneToFiveAndASingleRow) {
  for (int width = 1; width <= 5; ++width) {
    for (int height : {1, 2, 6}) {
      Image in = ref_pattern(width, height, static_cast<unsigned>(width * height));
      const double d1 = std::min(width, height) - 0.75;  // below both sides
      for (bool wrap : {false, true}) {
        Scratch s;
        Blurred got = mist_vert(s, in, {std::to_string(d1), "1.5", wrap ? "1" : "0"});
        ASSERT_EQ(got.result.status, 0) << got.result.out;
        EXPECT_EQ(got.result.out, success_out(in));
        EXPECT_EQ(got.image.pixels, ref_twice(in, {d1, 1.5, 0, 100, 0}, wrap).pixels)
            << width << "x" << height << (wrap ? " wrap" : " clamp");
      }
    }
  }
}

TEST(MistVert, DegreeZeroCopiesAndAUniformLevelCanDropByOne) {
  Scratch s;
  Image in = ref_pattern(5, 4, 2);
  EXPECT_EQ(mist_vert(s, in, {"0", "0", "1"}).image.pixels, in.pixels);
  // 101 × 0.3 + 101 × 0.7 = 100.99999999999999: each pass truncates to 100,
  // and 100 stays 100.
  Image level = solid_image(4, 3, Pixel{101, 101, 101});
  EXPECT_EQ(mist_vert(s, level, {"0.3", "0.3"}).image.pixels,
            solid_image(4, 3, Pixel{100, 100, 100}).pixels);
}

// 80 % of 100 rows is stored row 19 (100 × 0.19999999999999996): with start
// and end both 80 the rows from 19 up take defo1 = 0 and stay as they were,
// the rows below take defo2.
TEST(MistVert, TheBoundaryRowOfEightyPercentIsNineteen) {
  Scratch s;
  Image in = ref_pattern(3, 100, 14);
  Image got = mist_vert(s, in, {"0", "1", "0", "80", "80", "0"}).image;
  for (int r = 0; r < 100; ++r) {
    bool same = true;
    for (int c = 0; c < 3; ++c) same = same && got.at(c, r) == in.at(c, r);
    EXPECT_EQ(same, r >= 19) << "stored row " << r;
  }
}

// A defo1 not smaller than both sides asks once for a whole degree.
TEST(MistVert, TheDegreePromptTakesOneWholeDegree) {
  Image in = ref_pattern(100, 50, 9);
  Scratch s;
  Blurred accepted = mist_vert(s, in, {"99.5", "3"}, "49\n");
  ASSERT_EQ(accepted.result.status, 0) << accepted.result.out;
  EXPECT_EQ(accepted.result.out,
            size_line(100, 50) + degree_retry + stars(50) + stars(50) + end_lines(100, 50));
  EXPECT_EQ(accepted.image.pixels, ref_twice(in, {49, 3, 0, 100, 0}, false).pixels);

  struct Refused {
    std::string typed;
    std::string message;
  };
  const Refused refusals[] = {
      {"6\n", degree_start_over},
      {"abc\n", degree_start_over},
      {"", degree_start_over},
      {"-2\n", degree_out_of_range("-2")},
  };
  Image small = ref_pattern(10, 6, 1);
  for (const Refused& r : refusals) {
    Scratch t;
    write_file(t.path("out.bmp"), {'o', 'l', 'd'});
    Blurred got = mist_vert(t, small, {"6", "0"}, r.typed);
    EXPECT_EQ(got.result.status, 1) << r.typed;
    EXPECT_EQ(got.result.out, size_line(10, 6) + degree_retry + r.message) << r.typed;
    EXPECT_EQ(read_file(t.path("out.bmp")), (Bytes{'o', 'l', 'd'})) << "Outfile untouched";
  }
  // A degree equal to the smaller side takes the prompt; a finite degree far
  // too large does too.
  Scratch u;
  EXPECT_EQ(mist_vert(u, small, {"1e9", "0"}, "2").image.pixels,
            ref_twice(small, {2, 0, 0, 100, 0}, false).pixels);
}

// Degrees that are no size at all are refused at the degree check, after the
// size line; defo2, which no size test bounds, is also refused past 16777216.
TEST(MistVert, NegativeNanAndInfiniteDegreesAreRefused) {
  struct Case {
    std::string d1, d2, named;
  };
  const Case cases[] = {
      {"-1", "2", "-1"},   {"2", "-0.5", "-0.5"}, {"nan", "1", "nan"},
      {"1", "inf", "inf"}, {"-inf", "1", "-inf"}, {"1", "1e9", "1e9"},
  };
  Image in = ref_pattern(5, 5, 3);
  for (const Case& c : cases) {
    Scratch s;
    Blurred got = mist_vert(s, in, {c.d1, c.d2});
    EXPECT_EQ(got.result.status, 1) << c.d1 << " " << c.d2;
    EXPECT_EQ(got.result.out, size_line(5, 5) + degree_out_of_range(c.named))
        << c.d1 << " " << c.d2;
    EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  }
}

// defo2 is not tested against the size: a box taller and wider than the
// image clamps to its edges or wraps round it as often as it reaches.
TEST(MistVert, ASecondDegreeBeyondTheImageStaysInside) {
  Image in = ref_pattern(4, 3, 8);
  for (bool wrap : {false, true}) {
    Scratch s;
    Blurred got = mist_vert(s, in, {"2.5", "50.25", wrap ? "1" : "0"});
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.image.pixels, ref_twice<uint64_t>(in, {2.5, 50.25, 0, 100, 0}, wrap).pixels);
  }
}

// start 0 and end 0 put every row below the end line: all rows take defo2.
// At radius 2100 the box sum of white is 255 × 4201², past 2^32.
TEST(MistVert, WideSumsKeepWhiteWhite) {
  Scratch s;
  Image white = solid_image(5, 4, Pixel{255, 255, 255});
  EXPECT_EQ(mist_vert(s, white, {"0", "2100", "1", "0", "0", "0"}).image.pixels, white.pixels);
  Image in = ref_pattern(3, 2, 4);
  EXPECT_EQ(mist_vert(s, in, {"1.5", "2100.5", "0", "0", "0", "0"}).image.pixels,
            ref_twice<uint64_t>(in, {1.5, 2100.5, 0, 0, 0}, false).pixels);
}

TEST(MistVert, TheWidthCheckFollowsTheDegreeCheck) {
  Scratch s;
  Image wide = ref_pattern(10001, 1, 6);
  Blurred refused = mist_vert(s, wide, {"1", "0"}, "0\n");
  EXPECT_EQ(refused.result.status, 1);
  EXPECT_EQ(refused.result.out, size_line(10001, 1) + degree_retry + row_too_wide);
  Image widest = ref_pattern(10000, 1, 6);
  Blurred passed = mist_vert(s, widest, {"0", "0"});
  EXPECT_EQ(passed.result.status, 0) << passed.result.out;
  EXPECT_EQ(passed.image.pixels, widest.pixels);
}

TEST(MistVert, StarsForEveryTwentiethRowOfEachPass) {
  Scratch s;
  Image in = ref_pattern(3, 45, 2);
  Blurred got = mist_vert(s, in, {"1", "2"});
  EXPECT_EQ(got.result.out, size_line(3, 45) + "******" + end_lines(3, 45));
}

TEST(MistVert, FilesThatCannotBeOpened) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(ref_pattern(3, 3)));
  ToolResult missing = run_in(s, "mist_vert", {s.path("none.bmp"), s.path("out.bmp"), "1", "1"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "\ncan't open " + s.path("none.bmp") + "\n");
  ToolResult unwritable =
      run_in(s, "mist_vert", {s.path("in.bmp"), s.path("no/out.bmp"), "1", "1"});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.out, "\ncan't open " + s.path("no/out.bmp") + "\n");
  // No usable temporary folder: temp0000.bmp cannot be made.
  ToolResult no_temp = run(ToolCall{"mist_vert",
                                    {s.path("in.bmp"), s.path("out.bmp"), "1", "1"},
                                    "",
                                    {{"TMPDIR", s.path("missing-folder")}}});
  EXPECT_EQ(no_temp.status, 1);
  EXPECT_EQ(no_temp.out, size_line(3, 3));
  EXPECT_EQ(no_temp.err, "Can't open temp0000.bmp !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  ToolResult wrong = run_in(s, "mist_vert", {s.path("in.bmp"), s.path("in.bmp"), "1", "1"});
  EXPECT_EQ(wrong.status, 0) << "Outfile may name the input";
  write_file(s.path("bad.bmp"), {'B', 'X'});
  EXPECT_EQ(run_in(s, "mist_vert", {s.path("bad.bmp"), s.path("out.bmp"), "1", "1"}).out,
            "Wrong Format !\n");
}

}  // namespace
}  // namespace bmp::test
