// ramp_over, run as its own process: the region's gradient checked against
// the plain per-pixel model, the transparency by hand, and the files it
// leaves (none but Outfile).
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/draw/gradient_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage =
    banner("RAMP_OVER UTILITY(for BMP FILE VERSION)\n") +
    "\n"
    "USAGE: COMMAND Infile Outfile X_size Y_size X_ori Y_ori R1 G1 B1 R2 G2 B2\n"
    "\t\t\t\t\t\t角度 flag start end (trans)\n"
    "       COMMAND Infile Outfile X_size Y_size X_ori Y_ori R1 G1 B1 R2 G2 B2\n"
    "\t\t\t\t\t\t角度 flag (trans)\n"
    "       COMMAND Infile Outfile X_size Y_size X_ori Y_ori R1 G1 B1 (trans)\n"
    "\n" +
    curve_table("7  = (sin   0-180)早遅早\n") +
    "\n"
    "WARNING for BMP FILE ONLY\n";

Image picture(int width, int height) {
  return make_image(width, height, [](int x, int y) {
    return Pixel{uint8_t(x * 37 + y * 11), uint8_t(200 - x * 9 - y * 13), uint8_t(x * y * 7 + 5)};
  });
}

struct Region {
  int width, height, x_ori, y_ori;
};

// The region's X_size Y_size X_ori Y_ori and the gradient's colours, degree,
// flag, start and end (the 17-count form), then trans.
std::vector<std::string> full_args(const Scratch& s, const Region& r, const GradientCall& g,
                                   double trans) {
  std::vector<std::string> args{s.path("in.bmp"),        s.path("out.bmp"),
                                std::to_string(r.width), std::to_string(r.height),
                                std::to_string(r.x_ori), std::to_string(r.y_ori)};
  std::vector<std::string> rest = gradient_args(g);
  args.insert(args.end(), rest.begin(), rest.end());
  args.push_back(arg(trans));
  return args;
}

// The image with the region's gradient blended in by trans, each region pixel
// inside the image taking the gradient pixel at its own place in the region.
Image expected_over(const Image& in, const Region& r, const GradientCall& g, double trans) {
  GradientCall area = g;
  area.width = r.width;
  area.height = r.height;
  Image gradient = expected_gradient(area);
  Image out = in;
  double m = trans / 100;
  auto mix = [&](uint8_t pixel, uint8_t grad) {
    return static_cast<uint8_t>(static_cast<int>(pixel * m + grad * (1 - m)));
  };
  for (int y = 0; y < in.height; ++y) {
    for (int x = 0; x < in.width; ++x) {
      int j = x - r.x_ori;
      int k = y - (in.height - r.y_ori - r.height);  // stored row of the region
      if (j < 0 || j >= r.width || k < 0 || k >= r.height) continue;
      const Pixel& gp = gradient.at(j, k);
      Pixel& p = out.at(x, y);
      p = {mix(p.b, gp.b), mix(p.g, gp.g), mix(p.r, gp.r)};
    }
  }
  return out;
}

std::string closing(int w, int h, const Region& r) {
  char lines[128];
  std::snprintf(lines, sizeof lines, "\nThis size is %4d * %4d\nThis size is %4d * %4d\n\n", w, h,
                r.width, r.height);
  return lines;
}

std::string size_line(int w, int h) {
  return "X_size = " + std::to_string(w) + " Y_size = " + std::to_string(h) + " 1670万色\n";
}

TEST(RampOver, OtherArgumentCountsPrintTheUsage) {
  for (int count : {0, 1, 8, 11, 12, 13, 18}) {
    ToolResult got = run("ramp_over", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(RampOver, ARegionInsideIsReplacedByItsOwnGradient) {
  // A region 3 wide (the temporary file's rows end with 3 zero bytes) on an
  // image 7 wide, one row below the top.
  Scratch s;
  Image in = picture(7, 6);
  write_file(s.path("in.bmp"), encode_bmp24(in, 0xee));
  const Region r{3, 4, 2, 1};
  const GradientCall g{0, 0, {255, 255, 255}, {0, 0, 0}, 0};
  ToolResult got = run_in(s, "ramp_over", full_args(s, r, g, 0));
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(got.out, size_line(7, 6) + progress_lines(4) + progress_lines(6) + closing(7, 6, r));
  Image out = decode_bmp24(read_file(s.path("out.bmp")));
  EXPECT_EQ(first_difference(out, expected_over(in, r, g, 0)), "");
  // By hand: the region covers stored rows 1 to 4 (h - Y_ori - Y_size = 1),
  // grey trunc(255 × k / 4) on its row k; the rest is untouched.
  const uint8_t greys[] = {0, 63, 127, 191};
  for (int k = 0; k < 4; ++k) {
    const uint8_t grey = greys[k];
    for (int x = 2; x < 5; ++x) EXPECT_EQ(out.at(x, 1 + k), (Pixel{grey, grey, grey})) << x << k;
  }
  EXPECT_EQ(out.at(1, 2), in.at(1, 2));
  EXPECT_EQ(out.at(5, 2), in.at(5, 2));
  EXPECT_EQ(out.at(3, 0), in.at(3, 0));
  EXPECT_EQ(out.at(3, 5), in.at(3, 5));
  EXPECT_TRUE(s.tmp_entries().empty());
}

TEST(RampOver, TheWholeImageAtTransparencyZeroIsRampsImage) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(picture(6, 5)));
  ToolResult over = run_in(s, "ramp_over",
                           {s.path("in.bmp"), s.path("out.bmp"), "6", "5", "0", "0", "250", "20",
                            "130", "10", "240", "60", "200", "1", "10", "80", "0"});
  ASSERT_EQ(over.status, 0) << over.out;
  ToolResult ramp = run("ramp", {s.path("ramp.bmp"), "6", "5", "250", "20", "130", "10", "240",
                                 "60", "200", "1", "10", "80"});
  ASSERT_EQ(ramp.status, 0);
  EXPECT_EQ(read_file(s.path("out.bmp")), read_file(s.path("ramp.bmp")));
}

TEST(RampOver, EachFormMatchesThePlainComputation) {
  struct Case {
    const char* title;
    Region region;
    GradientCall gradient;
    double trans;
  };
  const Case cases[] = {
      {"degree 45, curve 2", {5, 4, 1, 0}, {0, 0, {200, 30, 90}, {20, 220, 160}, 45, 2}, 0},
      {"degree -90, band", {4, 5, 3, 1}, {0, 0, {255, 0, 0}, {0, 0, 255}, -90, 0, 0, 20, 70}, 25},
      {"degree 135, curve 6", {6, 3, 0, 3}, {0, 0, {0, 255, 0}, {255, 0, 255}, 135, 6}, 60},
      {"degree 180, curve 3", {3, 6, 4, 0}, {0, 0, {10, 20, 30}, {240, 230, 220}, 180, 3}, 0},
  };
  for (const Case& c : cases) {
    Scratch s;
    Image in = picture(8, 6);
    write_file(s.path("in.bmp"), encode_bmp24(in));
    ToolResult got = run_in(s, "ramp_over", full_args(s, c.region, c.gradient, c.trans));
    ASSERT_EQ(got.status, 0) << c.title << ": " << got.out;
    EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))),
                               expected_over(in, c.region, c.gradient, c.trans)),
              "")
        << c.title;
  }
}

TEST(RampOver, TheShortFormsTakeTheirDefaults) {
  Scratch s;
  Image in = picture(5, 4);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  const std::vector<std::string> head{s.path("in.bmp"), s.path("out.bmp"), "3", "2", "1", "1"};
  auto with = [&](std::vector<std::string> rest) {
    std::vector<std::string> args = head;
    args.insert(args.end(), rest.begin(), rest.end());
    ToolResult got = run_in(s, "ramp_over", args);
    EXPECT_EQ(got.status, 0) << got.out;
    return decode_bmp24(read_file(s.path("out.bmp")));
  };
  const Region r{3, 2, 1, 1};
  const GradientCall one_colour{0, 0, {40, 80, 120}, {40, 80, 120}};
  // 10: colour 1 over the region, no transparency; 11: with trans.
  EXPECT_EQ(first_difference(with({"40", "80", "120"}), expected_over(in, r, one_colour, 0)), "");
  EXPECT_EQ(first_difference(with({"40", "80", "120", "30"}), expected_over(in, r, one_colour, 30)),
            "");
  // 15 and 16: colour 2, degree and flag, start 0 and end 100.
  const GradientCall two{0, 0, {255, 0, 60}, {0, 255, 120}, 90, 1};
  EXPECT_EQ(first_difference(with({"255", "0", "60", "0", "255", "120", "90", "1"}),
                             expected_over(in, r, two, 0)),
            "");
  EXPECT_EQ(first_difference(with({"255", "0", "60", "0", "255", "120", "90", "1", "45"}),
                             expected_over(in, r, two, 45)),
            "");
  // 17: start and end, trans 0.
  GradientCall banded = two;
  banded.start = 30;
  banded.end = 60;
  EXPECT_EQ(first_difference(with({"255", "0", "60", "0", "255", "120", "90", "1", "30", "60"}),
                             expected_over(in, r, banded, 0)),
            "");
}

TEST(RampOver, TransparencyWorkedByHand) {
  Scratch s;
  Image in = solid_image(2, 2, Pixel{200, 100, 10});
  write_file(s.path("in.bmp"), encode_bmp24(in));
  auto over = [&](const std::string& trans) {
    ToolResult got =
        run_in(s, "ramp_over",
               {s.path("in.bmp"), s.path("out.bmp"), "2", "2", "0", "0", "100", "50", "20", trans});
    EXPECT_EQ(got.status, 0) << got.out;
    return decode_bmp24(read_file(s.path("out.bmp"))).at(1, 1);
  };
  // trunc(in × m + colour × (1 - m)) per channel; colour (r 100, g 50, b 20).
  EXPECT_EQ(over("0"), (Pixel{20, 50, 100}));
  EXPECT_EQ(over("100"), (Pixel{200, 100, 10}));
  EXPECT_EQ(over("50"), (Pixel{110, 75, 55}));
  // Beyond 0..100 only the low 8 bits are kept: b 400 - 20 = 380, r 20 - 100 = -80.
  EXPECT_EQ(over("200"), (Pixel{124, 150, 176}));
  EXPECT_TRUE(s.tmp_entries().empty());
}

TEST(RampOver, ARegionPartlyOutsideIsClippedInPlace) {
  const Region regions[] = {
      {5, 4, -2, -1},   // over the top left corner
      {5, 4, 4, 3},     // over the bottom right corner
      {12, 9, -3, -2},  // over the whole image and beyond
      {3, 2, 9, 1},     // wholly outside: nothing changes
  };
  const GradientCall g{0, 0, {255, 200, 0}, {0, 50, 255}, 30, 1};
  for (const Region& r : regions) {
    Scratch s;
    Image in = picture(6, 5);
    write_file(s.path("in.bmp"), encode_bmp24(in));
    ToolResult got = run_in(s, "ramp_over", full_args(s, r, g, 0));
    ASSERT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(got.out,
              size_line(6, 5) + progress_lines(r.height) + progress_lines(5) + closing(6, 5, r));
    EXPECT_EQ(
        first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_over(in, r, g, 0)),
        "")
        << r.x_ori << ", " << r.y_ori;
  }
}

TEST(RampOver, ARegionOfNegativeSizeCoversNothing) {
  Scratch s;
  Image in = picture(4, 3);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  ToolResult got = run_in(
      s, "ramp_over", {s.path("in.bmp"), s.path("out.bmp"), "-2", "2", "0", "0", "9", "9", "9"});
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(got.out, size_line(4, 3) + progress_lines(2) + progress_lines(3) +
                         closing(4, 3, Region{-2, 2, 0, 0}));
  EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(in));
}

// Regions on rows made in pieces (a region across the boundary of two), and
// on an image large enough to be shared among threads.
TEST(RampOver, LongRowsAndLargeImagesMatchThePlainComputation) {
  struct Case {
    int width, height;
    Region region;
    GradientCall gradient;
  };
  const Case cases[] = {
      {90000, 2, {10000, 3, 80000, -1}, {0, 0, {255, 0, 90}, {10, 250, 0}, -70, 2, 0, 10, 90}},
      {1500, 900, {1600, 800, -50, 60}, {0, 0, {255, 255, 255}, {0, 0, 0}, 30, 1}},
  };
  for (const Case& c : cases) {
    Scratch s;
    Image in = picture(c.width, c.height);
    write_file(s.path("in.bmp"), encode_bmp24(in));
    ToolResult got = run_in(s, "ramp_over", full_args(s, c.region, c.gradient, 30));
    ASSERT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))),
                               expected_over(in, c.region, c.gradient, 30)),
              "")
        << c.width << " x " << c.height;
  }
}

TEST(RampOver, AFlagOutsideTheTableFailsInThePassOverTheRegion) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(picture(5, 4)));
  write_file(s.path("out.bmp"), {'o', 'l', 'd'});
  std::vector<std::string> args = full_args(s, {2, 2, 0, 0}, {0, 0, {1, 2, 3}, {4, 5, 6}, 0, 8}, 0);
  ToolResult got = run_in(s, "ramp_over", args);
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, size_line(5, 4) + "Wrong Flags ! \n");
  EXPECT_EQ(read_file(s.path("out.bmp")), (Bytes{'o', 'l', 'd'}));
  EXPECT_TRUE(s.tmp_entries().empty());
}

TEST(RampOver, ThePowerConstantIsAskedBeforeTheInputIsRead) {
  Scratch s;
  Image in = picture(5, 4);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  const Region r{4, 3, 1, 0};
  GradientCall g{0, 0, {255, 255, 255}, {0, 0, 0}, 90, 4, 3};
  ToolResult got = run_in(s, "ramp_over", full_args(s, r, g, 0), "3\n");
  ASSERT_EQ(got.status, 0);
  EXPECT_EQ(got.out, power_prompt + size_line(5, 4) + progress_lines(3) + progress_lines(4) +
                         closing(5, 4, r));
  EXPECT_EQ(
      first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_over(in, r, g, 0)), "");

  ToolResult none = run_in(s, "ramp_over", full_args(s, r, g, 0), "");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, power_prompt + "Wrong power constant !\n");
}

TEST(RampOver, InputsThatFail) {
  Scratch s;
  ToolResult missing = run_in(
      s, "ramp_over", {s.path("none.bmp"), s.path("out.bmp"), "1", "1", "0", "0", "1", "2", "3"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "\ncan't open source file " + s.path("none.bmp") + "\n");

  write_file(s.path("bad.bmp"), {'B', 'X', 0, 0});
  ToolResult bad = run_in(
      s, "ramp_over", {s.path("bad.bmp"), s.path("out.bmp"), "1", "1", "0", "0", "1", "2", "3"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "Wrong Format !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));
}

// The gradient goes from the first pass to the second without a file: no
// temporary folder is needed, and none is made.
TEST(RampOver, TheGradientNeedsNoTemporaryFolder) {
  Scratch s;
  Image in = picture(6, 5);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  const Region r{4, 3, 1, 1};
  const GradientCall g{0, 0, {255, 200, 0}, {0, 50, 255}, 30, 1};
  ToolCall call{"ramp_over", full_args(s, r, g, 20), "", {{"TMPDIR", s.path("no-such-folder")}}};
  ToolResult got = run(call);
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(got.out, size_line(6, 5) + progress_lines(3) + progress_lines(5) + closing(6, 5, r));
  EXPECT_EQ(got.err, "");
  EXPECT_EQ(
      first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_over(in, r, g, 20)),
      "");
  EXPECT_FALSE(fs::exists(s.path("no-such-folder")));
}

// A region whose gradient image would not fit a file's size fields is
// refused, by the name of the image that holds the gradient.
TEST(RampOver, ARegionTooLargeForAnImageIsRefused) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(picture(5, 4)));
  write_file(s.path("out.bmp"), {'o', 'l', 'd'});
  // 3 × 40000 bytes a row, 40000 rows: more than 2^32 bytes.
  for (const char* flag : {"1", "9"}) {
    ToolResult got = run_in(s, "ramp_over",
                            {s.path("in.bmp"), s.path("out.bmp"), "40000", "40000", "0", "0", "9",
                             "9", "9", "1", "1", "1", "0", flag});
    EXPECT_EQ(got.status, 1) << flag;
    EXPECT_EQ(got.out, size_line(5, 4) + "Image too large: temp0000.bmp !\n") << flag;
    EXPECT_EQ(read_file(s.path("out.bmp")), (Bytes{'o', 'l', 'd'})) << flag;
  }
  EXPECT_TRUE(s.tmp_entries().empty());
}

}  // namespace
}  // namespace bmp::test
