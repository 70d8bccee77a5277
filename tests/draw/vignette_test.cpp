// vignette, run as its own process: images checked against the plain
// per-pixel evaluation of the soft ellipse, each form's readings, and the
// counts refused after the input's size line.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/draw/gradient_model.hpp"
#include "tests/draw/soft_ellipse_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("VIGNETTE UTILITY(BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: COMMAND Infile Filename X_c Y_c X_半径 Y_半径 X_boke Y_boke\n"
                          "\t\t\t\t\t\t\tred green blue (透明度)\n"
                          "       COMMAND Infile Filename X_boke Y_boke red green blue (透明度)\n"
                          "半径は外枠\n"
                          "透過度無 --- 0    全透過 --- 100\n"
                          "\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

Image picture(int width, int height) {
  return make_image(width, height, [](int x, int y) {
    return Pixel{uint8_t(x * 37 + y * 11), uint8_t(200 - x * 9 - y * 13), uint8_t(x * y * 7 + 5)};
  });
}

struct VignetteCall {
  Ellipse e;
  int red, green, blue;
  double trans;
  int flag;
};

// The table of the rule: one way keeps the inside and fills the outside,
// turn draws the ring.
Image expected_vignette(const Image& in, const VignetteCall& v) {
  const double m = v.trans / 100, k = 1 - m;
  const double colour[3] = {double(v.blue), double(v.green), double(v.red)};
  return paint_ellipse(in, v.e, colour, [&](const ZoneAt& z, double px, double col) {
    if (z.zone == Zone::inside) return px;
    if (v.flag == 0) {
      if (z.zone == Zone::outside) return px * m + col * k;
      return (px * (1 - z.a1) + col * z.a1) * k + px * m;
    }
    if (z.zone == Zone::outside) return px;
    return (px * (1 - z.a2) + col * z.a2) * k + px * m;
  });
}

std::string size_line(int w, int h) {
  return "X_size = " + std::to_string(w) + " Y_size = " + std::to_string(h) + " 1670万色\n";
}

TEST(Vignette, OtherArgumentCountsPrintTheUsage) {
  for (int count : {0, 5, 10, 15}) {
    ToolResult got = run("vignette", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(Vignette, CountsTwoAndFifteenAreRefusedAfterTheSizeLine) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(picture(5, 4)));
  const std::vector<std::string> lone{s.path("in.bmp")};
  std::vector<std::string> fifteen{s.path("in.bmp"), s.path("out.bmp")};
  fifteen.resize(14, "1");
  for (const auto& args : {lone, fifteen}) {
    ToolResult got = run("vignette", args);
    EXPECT_EQ(got.status, 1) << args.size();
    EXPECT_EQ(got.out, size_line(5, 4) + "\nWrong Paramater !\n");
    EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  }
}

TEST(Vignette, RandomEllipsesFollowThePlainEvaluation) {
  std::mt19937 random(9);
  std::uniform_real_distribution<double> centre(-5, 45), radius(1, 30), band(-3, 12);
  std::uniform_int_distribution<int> colour(-40, 300), trans(-20, 120);
  for (int n = 0; n < 40; ++n) {
    VignetteCall v{{centre(random), centre(random), radius(random), radius(random), band(random),
                    band(random)},
                   colour(random),
                   colour(random),
                   colour(random),
                   double(trans(random)),
                   n % 3 == 0 ? 1 : 0};
    if (n % 5 == 0) v.e.x_c = std::round(v.e.x_c), v.e.y_c = std::round(v.e.y_c);
    v.e.x_radius = std::max(v.e.x_radius, v.e.x_boke + 0.5);
    v.e.y_radius = std::max(v.e.y_radius, v.e.y_boke + 0.5);
    Scratch s;
    Image in = picture(41, 37);
    write_file(s.path("in.bmp"), encode_bmp24(in, 0x77));
    ToolResult got =
        run("vignette", {s.path("in.bmp"), s.path("out.bmp"), arg(v.e.x_c), arg(v.e.y_c),
                         arg(v.e.x_radius), arg(v.e.y_radius), arg(v.e.x_boke), arg(v.e.y_boke),
                         std::to_string(v.red), std::to_string(v.green), std::to_string(v.blue),
                         arg(v.trans), std::to_string(v.flag)});
    ASSERT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(got.out, size_line(41, 37) + progress_lines(37));
    EXPECT_EQ(
        first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_vignette(in, v)), "")
        << n;
  }
}

TEST(Vignette, EachFormReadsItsArgumentsAsWritten) {
  // 101 × 51: the short forms centre the ellipse at column 50, row 25 from
  // the top, with semi-axes 50 and 25 (the integer halves).
  Scratch s;
  Image in = picture(101, 51);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  const Ellipse halves{50, 25, 50, 25, 6, 4};
  const Ellipse given{40, 20, 30, 15, 5, 3};
  struct Case {
    std::vector<std::string> args;
    VignetteCall want;
  };
  const Case cases[] = {
      {{"6", "4", "10", "200", "30"}, {halves, 10, 200, 30, 0, 0}},
      {{"6", "4", "10", "200", "30", "37.9"}, {halves, 10, 200, 30, 37.9, 0}},
      {{"6", "4", "10.8", "200", "30", "37.9", "1.7"}, {halves, 10, 200, 30, 37.9, 1}},
      {{"40", "20", "30", "15", "5", "3", "10", "200", "30"}, {given, 10, 200, 30, 0, 0}},
      {{"40", "20", "30", "15", "5", "3", "10", "200", "30", "37.9"}, {given, 10, 200, 30, 37, 0}},
      {{"40", "20", "30", "15", "5", "3", "10", "200", "30", "37.9", "2"},
       {given, 10, 200, 30, 37, 2}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ToolResult got = run("vignette", args);
    ASSERT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(
        first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_vignette(in, c.want)),
        "")
        << args.size();
  }
}

TEST(Vignette, LargeImagesMatchThePlainEvaluation) {
  Scratch s;
  Image in = picture(400, 300);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  for (int flag : {0, 1}) {
    const VignetteCall v{{200, 150, 200, 150, 60, 40}, 0, 0, 0, 20, flag};
    ASSERT_EQ(run("vignette", {s.path("in.bmp"), s.path("out.bmp"), "60", "40", "0", "0", "0", "20",
                               std::to_string(flag)})
                  .status,
              0);
    EXPECT_EQ(
        first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_vignette(in, v)), "")
        << flag;
  }
}

TEST(Vignette, ABandAsWideAsItsSemiAxisIsRefused) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(picture(10, 8)));
  ToolResult got = run("vignette", {s.path("in.bmp"), s.path("out.bmp"), "5", "2", "1", "2", "3"});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, size_line(10, 8) + "No inner ellipse: semi-axes 0 and 2 !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));
}

}  // namespace
}  // namespace bmp::test
