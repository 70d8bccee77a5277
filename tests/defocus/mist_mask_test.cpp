// mist_mask, run as its own process: two fractional-box passes whose degree
// per pixel comes from the FILTER's luminance, compared with the direct
// formula; its usage, degree check, refusals, messages and temporary file.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/defocus/blur_reference.hpp"
#include "tests/defocus/defocus_cli.hpp"
#include "tests/defocus/fractional_box_reference.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage =
    edge_only_usage("FILTER DEFOCUS UTILITY (BMP FILE VERSION) (X_size < 10000)\n",
                    "COMMAND FILTER(3-byte) DATA(3-byte) OUTFILE(3-byte) ボカシ度 Flag\n");

// The degree under a FILTER pixel: L / 255 × D, L the luminance before its
// truncation.
double filter_degree(const Pixel& p, double degree) {
  const double luminance = p.r * 77 / 255.0 + p.g * 150 / 255.0 + p.b * 28 / 255.0 + 0.5;
  return luminance / 255 * degree;
}

Image expected(const Image& filter, const Image& data, double degree, bool wrap) {
  return ref_fractional_twice(
      data, [&](int x, int y) { return filter_degree(filter.at(x, y), degree); }, wrap);
}

// Runs mist_mask FILTER DATA OUTFILE with `numbers` after the file names.
Blurred mist_mask(const Scratch& s, const Image& filter, const Image& data,
                  const std::vector<std::string>& numbers, const std::string& input = "") {
  write_file(s.path("filter.bmp"), encode_bmp24(filter, 0x77));
  write_file(s.path("data.bmp"), encode_bmp24(data, 0xcc));
  std::vector<std::string> args{s.path("filter.bmp"), s.path("data.bmp"), s.path("out.bmp")};
  args.insert(args.end(), numbers.begin(), numbers.end());
  Blurred got{run_in(s, "mist_mask", args, input), {}};
  if (got.result.status == 0) got.image = decode_bmp24(read_file(s.path("out.bmp")));
  EXPECT_TRUE(s.tmp_entries().empty()) << "mist_mask left temporary files behind";
  return got;
}

std::string headers(const Image& filter, const Image& data) {
  return size_line(filter.width, filter.height) + size_line(data.width, data.height);
}

std::string success_out(const Image& filter, const Image& data) {
  return headers(filter, data) + stars(data.height) + stars(data.height) +
         end_lines(data.width, data.height);
}

Image grey(int width, int height, uint8_t level) {
  return solid_image(width, height, Pixel{level, level, level});
}

TEST(MistMask, AnyOtherArgumentCountPrintsTheUsage) {
  for (int count : {0, 1, 2, 3, 4, 6}) {  // arguments after the program name
    ToolResult got = run("mist_mask", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
    EXPECT_EQ(got.err, "") << count;
  }
}

// Black, white, mid-grey, mixed and random filters, widths 1 to 5, whole and
// fractional degrees below DATA's smaller side, both edge modes.
TEST(MistMask, BlursAsTheFormulaSays) {
  for (int width = 1; width <= 5; ++width) {
    for (int height : {1, 3, 6}) {
      const Image data = ref_pattern(width, height, static_cast<unsigned>(7 * width + height));
      const int side = std::min(width, height);
      const Image filters[] = {
          grey(width, height, 0),
          grey(width, height, 255),
          grey(width, height, 127),
          make_image(width, height,
                     [](int x, int y) {
                       return (x + y) % 2 ? Pixel{255, 255, 255} : Pixel{};
                     }),
          ref_pattern(width, height, 99),
      };
      for (const Image& filter : filters) {
        const double degrees[] = {0.7, side - 0.25, double(side - 1), 0.5 * side};
        for (int i = 0; i < 4; ++i) {
          const std::string flag = i % 2 ? "1" : "0";  // each degree kind once per mode
          const double degree = degrees[(i + width) % 4];
          Scratch s;
          Blurred got = mist_mask(s, filter, data, {std::to_string(degree), flag});
          ASSERT_EQ(got.result.status, 0) << got.result.out;
          EXPECT_EQ(got.result.out, success_out(filter, data));
          EXPECT_EQ(got.image.pixels, expected(filter, data, degree, flag == "1").pixels)
              << width << "x" << height << " degree " << degree << " flag " << flag;
        }
      }
    }
  }
}

TEST(MistMask, HandWorkedResults) {
  Scratch s;
  const Image data = ref_pattern(6, 5, 12);
  EXPECT_EQ(mist_mask(s, ref_pattern(6, 5, 3), data, {"0", "1"}).image.pixels, data.pixels)
      << "degree 0 copies, whatever the filter";

  // Mid-grey 127 has the luminance 127.5: half the degree. With D = 2 that is
  // 1: a plain 3 × 3 box (ring weight 0). One pixel of 90 spreads as 10 over
  // its box, and the second pass gives 10 × (the overlap) / 9.
  Image dot = solid_image(7, 7, Pixel{});
  dot.at(3, 3) = Pixel{90, 90, 90};
  Image twice = mist_mask(s, grey(7, 7, 127), dot, {"2", "0"}).image;
  EXPECT_EQ(twice.at(3, 3).g, 10);  // 9 × 10 / 9
  EXPECT_EQ(twice.at(4, 3).g, 6);   // 6 × 10 / 9
  EXPECT_EQ(twice.at(4, 4).g, 4);   // 4 × 10 / 9
  EXPECT_EQ(twice.at(5, 4).g, 2);   // 2 × 10 / 9
  EXPECT_EQ(twice.at(5, 5).g, 1);   // 10 / 9
  EXPECT_EQ(twice.at(6, 6).g, 0);

  // Black has the luminance 0.5; with D = 255 the radius is 0.5: a 3 × 3
  // window weighing 1 in the middle, 0.5 on the sides and 0.25 at the corners,
  // over 4. One pixel of 160: 40, 20, 10 after the first pass; then 22 in the
  // middle (40 + 4 × 0.5 × 20 + 4 × 0.25 × 10 = 90, over 4), 15, 10, 3, 2.
  Image spot = solid_image(257, 257, Pixel{});
  spot.at(128, 128) = Pixel{0, 160, 0};
  Image blurred = mist_mask(s, grey(257, 257, 0), spot, {"255", "0"}).image;
  const int want[3][3] = {{22, 15, 3}, {15, 10, 2}, {3, 2, 0}};
  for (int dy = 0; dy < 3; ++dy) {
    for (int dx = 0; dx < 3; ++dx) {
      EXPECT_EQ(blurred.at(128 + dx, 128 + dy).g, want[dy][dx]) << dx << ", " << dy;
      EXPECT_EQ(blurred.at(128 - dx, 128 - dy).g, want[dy][dx]) << -dx << ", " << -dy;
    }
  }
  EXPECT_EQ(blurred.at(128, 128).b, 0);

  // White with D = 3 gives 3.0058823529411764: nearly a 7 × 7 box, with a
  // faint 9 × 9 ring; a uniform level stays within one of itself.
  Image level = grey(9, 9, 200);
  Image white_blur = mist_mask(s, grey(9, 9, 255), level, {"3", "1"}).image;
  for (const Pixel& p : white_blur.pixels) EXPECT_TRUE(p.r == 200 || p.r == 199) << int{p.r};
}

// The flag goes through truncation: 0.5 and text read as 0 (clamp); any other
// whole value wraps.
TEST(MistMask, TheFlagChoosesTheEdges) {
  const Image data = ref_pattern(5, 4, 5);
  const Image filter = ref_pattern(5, 4, 6);
  const std::pair<std::string, bool> flags[] = {
      {"0", false}, {"0.5", false}, {"x", false}, {"-1", true}, {"3", true}};
  for (const auto& [flag, wrap] : flags) {
    Scratch s;
    EXPECT_EQ(mist_mask(s, filter, data, {"3.5", flag}).image.pixels,
              expected(filter, data, 3.5, wrap).pixels)
        << flag;
  }
}

// A FILTER larger than DATA: DATA pixel (x, y) takes FILTER pixel (x, y) of
// the same stored row, from the bottom left.
TEST(MistMask, ALargerFilterLendsItsBottomLeftCorner) {
  const Image data = ref_pattern(4, 3, 8);
  const Image filter = ref_pattern(7, 6, 9);
  Scratch s;
  Blurred got = mist_mask(s, filter, data, {"2.5", "1"});
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.result.out, success_out(filter, data));
  EXPECT_EQ(got.image.pixels, expected(filter, data, 2.5, true).pixels);
}

// A FILTER narrower or lower than DATA would leave pixels without a degree.
TEST(MistMask, AFilterSmallerThanTheDataIsRefused) {
  const Image data = ref_pattern(4, 3, 8);
  for (const Image& filter : {ref_pattern(3, 3, 1), ref_pattern(4, 2, 1), ref_pattern(1, 1, 1)}) {
    Scratch s;
    Blurred got = mist_mask(s, filter, data, {"1", "0"});
    EXPECT_EQ(got.result.status, 1);
    EXPECT_EQ(got.result.out, headers(filter, data) + "Filter image " + s.path("filter.bmp") +
                                  " is smaller than " + s.path("data.bmp") + " !\n");
    EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  }
}

// The degree must be smaller than DATA's width and height (FILTER's size does
// not count); one prompt for a whole degree, then the start-over message.
TEST(MistMask, TheDegreeCheckTestsTheDataSize) {
  const Image data = ref_pattern(6, 4, 4);
  const Image filter = ref_pattern(9, 9, 5);
  Scratch s;
  Blurred below = mist_mask(s, filter, data, {"3.99", "0"});
  EXPECT_EQ(below.result.out, success_out(filter, data));
  EXPECT_EQ(below.image.pixels, expected(filter, data, 3.99, false).pixels);

  Blurred retyped = mist_mask(s, filter, data, {"4", "1"}, "2\n");
  EXPECT_EQ(retyped.result.out,
            headers(filter, data) + degree_retry + stars(4) + stars(4) + end_lines(6, 4));
  EXPECT_EQ(retyped.image.pixels, expected(filter, data, 2, true).pixels);

  for (const std::string typed : {"4\n", "7\n", "x\n", ""}) {
    Blurred refused = mist_mask(s, filter, data, {"6", "0"}, typed);
    EXPECT_EQ(refused.result.status, 1) << typed;
    EXPECT_EQ(refused.result.out, headers(filter, data) + degree_retry + degree_start_over)
        << typed;
  }
  Blurred typed_negative = mist_mask(s, filter, data, {"5", "0"}, "-1\n");
  EXPECT_EQ(typed_negative.result.out,
            headers(filter, data) + degree_retry + degree_out_of_range("-1"));
}

TEST(MistMask, DegreesThatAreNoSizeAreRefused) {
  const Image data = ref_pattern(4, 4, 1);
  for (const std::string degree : {"nan", "-0.5", "-3", "inf", "-inf"}) {
    Scratch s;
    Blurred got = mist_mask(s, data, data, {degree, "1"});
    EXPECT_EQ(got.result.status, 1) << degree;
    EXPECT_EQ(got.result.out, headers(data, data) + degree_out_of_range(degree)) << degree;
    EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << degree;
  }
}

TEST(MistMask, FilesThatCannotBeOpenedOrRead) {
  Scratch s;
  const Image image = ref_pattern(3, 3, 2);
  write_file(s.path("good.bmp"), encode_bmp24(image));
  auto call = [&](const std::string& filter, const std::string& data, const std::string& out) {
    return run_in(s, "mist_mask", {filter, data, out, "1", "0"});
  };
  const std::string missing = s.path("none.bmp");
  for (const auto& [got, name] :
       {std::pair{call(missing, s.path("good.bmp"), s.path("out.bmp")), missing},
        std::pair{call(s.path("good.bmp"), missing, s.path("out.bmp")), missing},
        std::pair{call(s.path("good.bmp"), s.path("good.bmp"), s.path("no/out.bmp")),
                  s.path("no/out.bmp")}}) {
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, "\ncan't open " + name + "\n");
  }
  // FILTER's header is tested first, DATA's second.
  write_file(s.path("bad.bmp"), Bytes{'B', 'X', 0, 0});
  EXPECT_EQ(call(s.path("bad.bmp"), s.path("good.bmp"), s.path("out.bmp")).out, "Wrong Format !\n");
  EXPECT_EQ(call(s.path("good.bmp"), s.path("bad.bmp"), s.path("out.bmp")).out,
            size_line(3, 3) + "Wrong Format !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));
}

TEST(MistMask, WidthCheckAndTemporaryFile) {
  Scratch s;
  Blurred wide = mist_mask(s, grey(10001, 2, 0), grey(10001, 2, 9), {"1", "0"});
  EXPECT_EQ(wide.result.status, 1);
  EXPECT_EQ(wide.result.out, headers(grey(10001, 2, 0), grey(10001, 2, 9)) + row_too_wide);
  const Image widest = ref_pattern(10000, 2, 2);
  const Image filter = ref_pattern(10000, 2, 3);
  EXPECT_EQ(mist_mask(s, filter, widest, {"1.5", "1"}).image.pixels,
            expected(filter, widest, 1.5, true).pixels);

  const Image small = ref_pattern(3, 3, 1);
  write_file(s.path("filter.bmp"), encode_bmp24(small));
  write_file(s.path("data.bmp"), encode_bmp24(small));
  expect_no_temp_file(s, "mist_mask",
                      {s.path("filter.bmp"), s.path("data.bmp"), s.path("out.bmp"), "1", "0"},
                      headers(small, small));
  EXPECT_EQ(decode_bmp24(read_file(s.path("out.bmp"))).pixels,
            expected(filter, widest, 1.5, true).pixels)
      << "the earlier OUTFILE is left as it was";
}

}  // namespace
}  // namespace bmp::test
