// disc, run as its own process: images checked against the plain per-pixel
// evaluation of the soft ellipse, values worked out by hand, and refusals.
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

const std::string usage = banner("DISC UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: COMMAND INFILE OUTFILE X_c Y_c X_半径 Y_半径 R1 G1 B1\n"
                          "       \t\t\t\t    X_boke Y_boke 透明度(%) (flag)\n"
                          "半径は外枠\n"
                          "\n"
                          "--- flag ---\n"
                          "0 --- one way\n"
                          "1 --- turn\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

Image picture(int width, int height) {
  return make_image(width, height, [](int x, int y) {
    return Pixel{uint8_t(x * 37 + y * 11), uint8_t(200 - x * 9 - y * 13), uint8_t(x * y * 7 + 5)};
  });
}

struct DiscCall {
  Ellipse e;
  double red, green, blue, trans;
  int flag;
};

// The table of the rule: one way fills the inside, turn draws the ring.
Image expected_disc(const Image& in, const DiscCall& d) {
  const double m = d.trans / 100, k = 1 - m;
  const double colour[3] = {d.blue, d.green, d.red};
  return paint_ellipse(in, d.e, colour, [&](const ZoneAt& z, double v, double col) {
    if (z.zone == Zone::outside) return v;
    if (d.flag == 0) {
      if (z.zone == Zone::inside) return col * k + m * v;
      return m * v + (col + (v - col) * z.a1) * k;
    }
    if (z.zone == Zone::inside) return v;
    return m * v + (col + (v - col) * (1 - z.a2)) * k;
  });
}

std::vector<std::string> disc_args(const Scratch& s, const DiscCall& d) {
  return {s.path("in.bmp"),      s.path("out.bmp"), arg(d.e.x_c),    arg(d.e.y_c),
          arg(d.e.x_radius),     arg(d.e.y_radius), arg(d.red),      arg(d.green),
          arg(d.blue),           arg(d.e.x_boke),   arg(d.e.y_boke), arg(d.trans),
          std::to_string(d.flag)};
}

std::string size_line(int w, int h) {
  return "X_size = " + std::to_string(w) + " Y_size = " + std::to_string(h) + " 1670万色\n";
}

TEST(Disc, OtherArgumentCountsPrintTheUsageAndALoneArgumentIsRefused) {
  for (int count : {0, 2, 9, 14}) {
    ToolResult got = run("disc", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
  ToolResult lone = run("disc", {"in.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "\nWrong Paramater !\n");
}

TEST(Disc, RandomEllipsesFollowThePlainEvaluation) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> centre(-5, 45), radius(1, 30), band(-3, 12),
      colour(-40, 300), trans(-20, 120);
  for (int n = 0; n < 40; ++n) {
    DiscCall d{{centre(random), centre(random), radius(random), radius(random), band(random),
                band(random)},
               colour(random),
               colour(random),
               colour(random),
               trans(random),
               n % 3 == 0};
    if (n % 5 == 0) d.e.x_c = std::round(d.e.x_c), d.e.y_c = std::round(d.e.y_c);
    d.e.x_radius = std::max(d.e.x_radius, d.e.x_boke + 0.5);
    d.e.y_radius = std::max(d.e.y_radius, d.e.y_boke + 0.5);
    Scratch s;
    Image in = picture(41, 37);
    write_file(s.path("in.bmp"), encode_bmp24(in, 0x77));
    ToolResult got = run("disc", disc_args(s, d));
    ASSERT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(got.out, size_line(41, 37) + progress_lines(37));
    EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_disc(in, d)),
              "")
        << n;
  }
}

TEST(Disc, TheShortFormsTakeTheirDefaults) {
  Scratch s;
  Image in = picture(30, 20);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  const std::vector<std::string> head{
      s.path("in.bmp"), s.path("out.bmp"), "14", "9", "10", "7", "200.7", "30", "90"};
  auto with = [&](std::vector<std::string> rest) {
    std::vector<std::string> args = head;
    args.insert(args.end(), rest.begin(), rest.end());
    EXPECT_EQ(run("disc", args).status, 0);
    return decode_bmp24(read_file(s.path("out.bmp")));
  };
  auto want = [&](double bx, double by, double trans) {
    return expected_disc(in, {{14, 9, 10, 7, bx, by}, 200.7, 30, 90, trans, 0});
  };
  // 11: the band is 2.0 wide and the tenth argument is 透明度.
  EXPECT_EQ(first_difference(with({"40"}), want(2, 2, 40)), "");
  EXPECT_EQ(first_difference(with({"3", "4"}), want(3, 4, 0)), "");
  EXPECT_EQ(first_difference(with({"3", "4", "25"}), want(3, 4, 25)), "");
  // 透明度 0 paints trunc(colour) inside: red 200.7 writes 200.
  Image solid = with({"3", "4", "0"});
  EXPECT_EQ(solid.at(14, 10), (Pixel{90, 30, 200}));
  EXPECT_EQ(solid.at(0, 0), in.at(0, 0));
}

TEST(Disc, LargeImagesMatchThePlainEvaluation) {
  // Enough pixels for the rows to be shared among threads.
  Scratch s;
  Image in = picture(400, 300);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  for (int flag : {0, 1}) {
    const DiscCall d{{190.5, 160, 150, 100, 20, 35}, 255, 0, 128, 30, flag};
    ASSERT_EQ(run("disc", disc_args(s, d)).status, 0);
    EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_disc(in, d)),
              "")
        << flag;
  }
}

TEST(Disc, EllipsesWithoutAnInnerEllipseOrCentreAreRefused) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(picture(6, 5)));
  const std::vector<std::vector<std::string>> tails{
      {"3", "3", "4", "4", "1", "2", "3", "4", "1"},    // band as wide as X_半径
      {"3", "3", "4", "4", "1", "2", "3", "1", "5"},    // band wider than Y_半径
      {"3", "3", "nan", "4", "1", "2", "3", "1", "1"},  // NaN semi-axis
      {"nan", "3", "4", "4", "1", "2", "3", "1", "1"},  // NaN centre
  };
  for (const auto& tail : tails) {
    std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
    args.insert(args.end(), tail.begin(), tail.end());
    ToolResult got = run("disc", args);
    EXPECT_EQ(got.status, 1) << tail[2];
    EXPECT_EQ(got.out.rfind(size_line(6, 5), 0), 0u) << got.out;
    EXPECT_GT(got.out.size(), size_line(6, 5).size());
    EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  }
}

}  // namespace
}  // namespace bmp::test
