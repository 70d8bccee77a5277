// mist_even, run as its own process: two uniform passes, compared with the
// direct formula; its usage, degree check, messages and temporary file.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/defocus/blur_reference.hpp"
#include "tests/defocus/defocus_cli.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage =
    edge_only_usage("MIST_EVEN UTILITY (BMP FILE VERSION) (X_size < 10000)\n",
                    "COMMAND DATA(3-byte) OUTFILE(3-byte) ぼかし度(0.0 - size) (flag)\n");

Blurred mist_even(const Scratch& s, const Image& in, const std::vector<std::string>& numbers,
                  const std::string& input = "") {
  return run_blur("mist_even", s, in, numbers, input);
}

std::string success_out(const Image& in) {
  return size_line(in.width, in.height) + stars(in.height) + stars(in.height) +
         end_lines(in.width, in.height);
}

TEST(MistEven, AnyOtherArgumentCountPrintsTheUsage) {
  for (int count : {0, 1, 2, 5, 6}) {  // arguments after the program name
    ToolResult got = run("mist_even", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

// Widths 1 to 5, one row and more, whole and fractional degrees below the
// smaller side, both edge modes; the flag defaults to clamp.
TEST(MistEven, BlursAsTheFormulaSays) {
  for (int width = 1; width <= 5; ++width) {
    for (int height : {1, 2, 5}) {
      const int side = std::min(width, height);
      Image in = ref_pattern(width, height, static_cast<unsigned>(3 * width + height));
      for (double degree : {0.0, 0.5, side - 0.25, double(side - 1), 0.75 * side}) {
        for (const std::vector<std::string>& flag : {std::vector<std::string>{}, {"1"}}) {
          const bool wrap = !flag.empty() && flag[0] != "0";
          std::vector<std::string> numbers{std::to_string(degree)};
          numbers.insert(numbers.end(), flag.begin(), flag.end());
          Scratch s;
          Blurred got = mist_even(s, in, numbers);
          ASSERT_EQ(got.result.status, 0) << got.result.out;
          EXPECT_EQ(got.result.out, success_out(in));
          EXPECT_EQ(got.image.pixels, ref_twice(in, ref_even(degree), wrap).pixels)
              << width << "x" << height << " degree " << degree << (wrap ? " wrap" : " clamp");
        }
      }
    }
  }
}

// The flag: omitted or 0 clamps, any other value wraps.
TEST(MistEven, TheFlagChoosesTheEdges) {
  Image in = ref_pattern(4, 5, 9);
  const std::pair<std::string, bool> flags[] = {
      {"0", false}, {"-7", true}, {"2", true}, {"x", false}};
  for (const auto& [flag, wrap] : flags) {
    Scratch s;
    EXPECT_EQ(mist_even(s, in, {"2.5", flag}).image.pixels,
              ref_twice(in, ref_even(2.5), wrap).pixels)
        << flag;
  }
}

TEST(MistEven, HandWorkedResults) {
  Scratch s;
  Image in = ref_pattern(6, 5, 12);
  EXPECT_EQ(mist_even(s, in, {"0"}).image.pixels, in.pixels) << "degree 0 copies";
  // 101 × 0.3 + 101 × 0.7 = 100.99999999999999.
  Image level = solid_image(3, 3, Pixel{101, 101, 101});
  EXPECT_EQ(mist_even(s, level, {"0.3", "1"}).image.pixels,
            solid_image(3, 3, Pixel{100, 100, 100}).pixels);
  // A degree of 1 on a single bright pixel in wrap mode: each pass spreads it
  // over its 3 × 3 box, 90 / 9 = 10, then 10 / 9 = 1 at distance two.
  Image dot = solid_image(7, 7, Pixel{0, 0, 0});
  dot.at(3, 3) = Pixel{90, 90, 90};
  Image twice = mist_even(s, dot, {"1", "1"}).image;
  EXPECT_EQ(twice.at(3, 3).b, 10);  // 9 × 10 / 9
  EXPECT_EQ(twice.at(2, 2).b, 4);   // 4 × 10 / 9
  EXPECT_EQ(twice.at(1, 1).b, 1);   // 10 / 9
  EXPECT_EQ(twice.at(0, 0).b, 0);
}

// The test is r_out = trunc(d + 1) against both sides: 4.5 passes on 5 × 5,
// 5 takes the prompt.
TEST(MistEven, TheDegreeCheckTestsTheOuterRadius) {
  Image in = ref_pattern(5, 5, 4);
  Scratch s;
  Blurred passed = mist_even(s, in, {"4.5"});
  EXPECT_EQ(passed.result.out, success_out(in));
  EXPECT_EQ(passed.image.pixels, ref_twice(in, ref_even(4.5), false).pixels);

  Blurred retyped = mist_even(s, in, {"5", "1"}, "3\n");
  EXPECT_EQ(retyped.result.out,
            size_line(5, 5) + degree_retry + stars(5) + stars(5) + end_lines(5, 5));
  EXPECT_EQ(retyped.image.pixels, ref_twice(in, ref_even(3), true).pixels);

  for (const std::string typed : {"5\n", "x\n", ""}) {
    Blurred refused = mist_even(s, in, {"5"}, typed);
    EXPECT_EQ(refused.result.status, 1) << typed;
    EXPECT_EQ(refused.result.out, size_line(5, 5) + degree_retry + degree_start_over) << typed;
  }
  Blurred negative = mist_even(s, in, {"5"}, "-1\n");
  EXPECT_EQ(negative.result.out, size_line(5, 5) + degree_retry + degree_out_of_range("-1"));
}

// Degree 2052 on a 2053-square white image passes the size test; its box sum
// 255 × 4105² = 4 297 033 875 is past 2^32, where the specified 32-bit sums
// would wrap to 2066 and blacken the picture.
TEST(MistEven, WideSumsKeepAWhiteImageWhite) {
  Scratch s;
  Image white = solid_image(2053, 2053, Pixel{255, 255, 255});
  Blurred got = mist_even(s, white, {"2052"});
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.image.pixels, white.pixels);
}

// NaN would pass the outer-radius test (trunc(NaN + 1) reads as 0) and a
// negative degree too; both are refused, like an infinite one.
TEST(MistEven, DegreesThatAreNoSizeAreRefused) {
  Image in = ref_pattern(4, 4, 1);
  for (const std::string degree : {"nan", "-0.5", "-3", "inf"}) {
    Scratch s;
    Blurred got = mist_even(s, in, {degree, "1"});
    EXPECT_EQ(got.result.status, 1) << degree;
    EXPECT_EQ(got.result.out, size_line(4, 4) + degree_out_of_range(degree)) << degree;
    EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << degree;
  }
}

TEST(MistEven, WidthCheckAndTemporaryFile) {
  Scratch s;
  Blurred wide = mist_even(s, ref_pattern(10001, 2, 2), {"0"});
  EXPECT_EQ(wide.result.status, 1);
  EXPECT_EQ(wide.result.out, size_line(10001, 2) + row_too_wide);
  Image widest = ref_pattern(10000, 2, 2);
  EXPECT_EQ(mist_even(s, widest, {"0.5", "1"}).image.pixels,
            ref_twice(widest, ref_even(0.5), true).pixels);

  write_file(s.path("in.bmp"), encode_bmp24(ref_pattern(3, 3)));
  ToolResult no_temp = run(ToolCall{"mist_even",
                                    {s.path("in.bmp"), s.path("out.bmp"), "1"},
                                    "",
                                    {{"TMPDIR", s.path("missing-folder")}}});
  EXPECT_EQ(no_temp.status, 1);
  EXPECT_EQ(no_temp.out, size_line(3, 3));
  EXPECT_EQ(no_temp.err, "Can't open temp0000.bmp !\n");
  EXPECT_EQ(decode_bmp24(read_file(s.path("out.bmp"))).pixels,
            ref_twice(widest, ref_even(0.5), true).pixels)
      << "the earlier Outfile is left as it was";

  ToolResult missing = run_in(s, "mist_even", {s.path("none.bmp"), s.path("out.bmp"), "1"});
  EXPECT_EQ(missing.out, "\ncan't open " + s.path("none.bmp") + "\n");
  EXPECT_EQ(missing.status, 1);
}

}  // namespace
}  // namespace bmp::test
