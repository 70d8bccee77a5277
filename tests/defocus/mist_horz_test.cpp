// mist_horz, run as its own process: the picture turned on its side, two
// graded passes, turned back; compared with the direct formula on the
// transposed image. Its checks, prompt, end line and temporary files.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/defocus/blur_reference.hpp"
#include "tests/defocus/defocus_cli.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

// T's row r holds the input's column X − 1 − r, its column c the input's row c.
Image to_side(const Image& in) {
  return make_image(in.height, in.width, [&](int c, int r) { return in.at(in.width - 1 - r, c); });
}

// Output row F, column k is T's row X − 1 − k, column F.
Image back(const Image& t) {
  return make_image(t.height, t.width, [&](int k, int f) { return t.at(f, t.height - 1 - k); });
}

Image reference(const Image& in, const RefGrade& g, bool wrap) {
  return back(ref_twice(to_side(in), g, wrap));
}

Blurred mist_horz(const Scratch& s, const Image& in, const std::vector<std::string>& numbers,
                  const std::string& input = "", const std::string& tool = "mist_horz") {
  return run_blur(tool, s, in, numbers, input);
}

// The passes run on T, X rows high; the end line gives the height first.
std::string success_out(const Image& in) {
  return size_line(in.width, in.height) + stars(in.width) + stars(in.width) +
         end_lines(in.height, in.width);
}

TEST(MistHorz, TheUsageIsMistVerts) {
  for (int count : {0, 1, 3, 6, 9}) {  // arguments after the program name
    ToolResult got = run("mist_horz", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, graded_usage) << count;
  }
}

TEST(MistHorz, GradesFromLeftToRight) {
  struct Case {
    std::vector<std::string> numbers;
    RefGrade grade;
    bool wrap;
  };
  const Case cases[] = {
      {{"2.5", "0.5"}, {2.5, 0.5, 0, 100, 0}, false},
      {{"0.5", "3.25", "1"}, {0.5, 3.25, 0, 100, 0}, true},
      {{"3.5", "0.25", "1", "20", "60", "0"}, {3.5, 0.25, 20, 60, 0}, true},
      {{"1.5", "3", "0", "25", "75", "1"}, {1.5, 3, 25, 75, 1}, false},
  };
  Image in = ref_pattern(9, 5, 21);
  for (const Case& c : cases) {
    Scratch s;
    Blurred got = mist_horz(s, in, c.numbers);
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.result.out, success_out(in));
    EXPECT_EQ(got.image.pixels, reference(in, c.grade, c.wrap).pixels) << c.numbers[0];
  }
}

TEST(MistHorz, WidthsOneToFiveAndASingleRow) {
  for (int width = 1; width <= 5; ++width) {
    for (int height : {1, 3, 4}) {
      Image in = ref_pattern(width, height, static_cast<unsigned>(7 * width + height));
      const double d1 = std::min(width, height) - 0.5;
      for (bool wrap : {false, true}) {
        Scratch s;
        Blurred got = mist_horz(s, in, {std::to_string(d1), "2.75", wrap ? "1" : "0"});
        ASSERT_EQ(got.result.status, 0) << got.result.out;
        EXPECT_EQ(got.result.out, success_out(in));
        EXPECT_EQ(got.image.pixels, reference(in, {d1, 2.75, 0, 100, 0}, wrap).pixels)
            << width << "x" << height << (wrap ? " wrap" : " clamp");
      }
    }
  }
}

// The bands of a 100-pixel-wide picture, start 20 and end 60: columns 0 to
// 19 take defo1 and columns 60 to 99 defo2, so a picture whose left part is
// one colour keeps it there under defo1 = 0.
TEST(MistHorz, StartAndEndAreMeasuredFromTheLeft) {
  Image in = make_image(100, 3, [](int c, int) {
    return c < 30 ? Pixel{40, 40, 40}
                  : Pixel{static_cast<uint8_t>(c), 200, static_cast<uint8_t>(255 - c)};
  });
  Scratch s;
  Blurred got = mist_horz(s, in, {"0", "2", "0", "20", "60", "0"});
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.image.pixels, reference(in, {0, 2, 20, 60, 0}, false).pixels);
  for (int c = 0; c < 20; ++c) {
    for (int r = 0; r < 3; ++r) EXPECT_EQ(got.image.at(c, r), in.at(c, r)) << c;
  }
  EXPECT_EQ(got.result.out, size_line(100, 3) +
                                "*****"
                                "*****" +
                                end_lines(3, 100));
}

TEST(MistHorz, EqualDegreesWithClampedEdgesGiveMistVertsResult) {
  Image in = ref_pattern(8, 6, 30);
  Scratch s;
  Blurred horz = mist_horz(s, in, {"2.5", "2.5"});
  Blurred vert = mist_horz(s, in, {"2.5", "2.5"}, "", "mist_vert");
  ASSERT_EQ(horz.result.status, 0);
  EXPECT_EQ(horz.image.pixels, vert.image.pixels);
}

// Both sides become row lengths: either one past 10000 is refused at once,
// before the degree check (no prompt here though 5 is not below 1).
TEST(MistHorz, TheHeightIsLimitedToo) {
  Scratch s;
  Blurred tall = mist_horz(s, ref_pattern(1, 10001, 3), {"5", "0"});
  EXPECT_EQ(tall.result.status, 1);
  EXPECT_EQ(tall.result.out, size_line(1, 10001) + row_too_wide);
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  Image tallest = ref_pattern(1, 10000, 3);
  Blurred passed = mist_horz(s, tallest, {"0", "0"});
  EXPECT_EQ(passed.result.status, 0) << passed.result.out;
  EXPECT_EQ(passed.image.pixels, tallest.pixels);
}

// The degree check comes after the first transposition, on T's sizes.
TEST(MistHorz, ThePromptAndTheDegreeRefusals) {
  Image in = ref_pattern(6, 4, 8);
  Scratch s;
  Blurred retyped = mist_horz(s, in, {"4", "1", "1"}, "2\n");
  EXPECT_EQ(retyped.result.out,
            size_line(6, 4) + degree_retry + stars(6) + stars(6) + end_lines(4, 6));
  EXPECT_EQ(retyped.image.pixels, reference(in, {2, 1, 0, 100, 0}, true).pixels);
  Blurred refused = mist_horz(s, in, {"4", "1"}, "4\n");
  EXPECT_EQ(refused.result.status, 1);
  EXPECT_EQ(refused.result.out, size_line(6, 4) + degree_retry + degree_start_over);
  Scratch t;
  Blurred negative = mist_horz(t, in, {"1", "-2"});
  EXPECT_EQ(negative.result.status, 1);
  EXPECT_EQ(negative.result.out, size_line(6, 4) + degree_out_of_range("-2"));
  EXPECT_FALSE(fs::exists(t.path("out.bmp")));
}

TEST(MistHorz, ASecondDegreeBeyondTheImageStaysInside) {
  Image in = ref_pattern(3, 5, 6);
  for (bool wrap : {false, true}) {
    Scratch s;
    Blurred got = mist_horz(s, in, {"1.5", "23.5", wrap ? "1" : "0"});
    EXPECT_EQ(got.image.pixels,
              back(ref_twice<uint64_t>(to_side(in), {1.5, 23.5, 0, 100, 0}, wrap)).pixels);
  }
}

TEST(MistHorz, FilesThatCannotBeOpened) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(ref_pattern(3, 3)));
  ToolResult unwritable =
      run_in(s, "mist_horz", {s.path("in.bmp"), s.path("no/out.bmp"), "1", "1"});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.out, "\ncan't open " + s.path("no/out.bmp") + "\n");
  ToolResult no_temp = run(ToolCall{"mist_horz",
                                    {s.path("in.bmp"), s.path("out.bmp"), "1", "1"},
                                    "",
                                    {{"TMPDIR", s.path("missing-folder")}}});
  EXPECT_EQ(no_temp.status, 1);
  EXPECT_EQ(no_temp.out, size_line(3, 3));
  EXPECT_EQ(no_temp.err, "Can't open temp0000.bmp !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));
}

}  // namespace
}  // namespace bmp::test
