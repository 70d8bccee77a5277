// annulus, run as its own process on files the tests write, against a plain
// per-sub-sample model of the ring warp.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/geometry/geometry_check.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("ANNULUS UTILITY BMP FILE VERSION\n") +
                          "\n"
                          "USAGE: Command Infile Outfile X_size Y_size 大半径 小半径 角度 回数\n"
                          "\t\t\t\t\t\t       (red green blue)\n"
                          "\n"
                          "for BMP FILE Only\n";

struct Ring {
  int x = 0, y = 0;
  double outer = 0, inner = 0, angle = 0, turns = 1;
  Pixel background{255, 255, 255};
};

// The turned angle brought into 0..360: the integer-division step above
// 360 (below 2^31), and otherwise the exact remainder made non-negative.
double brought_in(double theta) {
  if (theta > 360 && theta < 2147483648.0) return theta - (int(theta) / 360) * 360;
  if (theta >= 0 && theta < 360) return theta;
  double r = std::fmod(theta, 360.0);
  if (r < 0) r += 360;
  return r == 360 ? 0 : r;
}

Image ring_model(const Image& in, const Ring& g) {
  const int cx = g.x / 2, cy = g.y / 2;
  const double pi = 3.141592654;
  return make_image(g.x, g.y, [&](int i, int j) {
    int sum[3] = {0, 0, 0};
    const double subs[4][2] = {{0.3, 0.3}, {0.7, 0.3}, {0.3, 0.7}, {0.7, 0.7}};
    for (const auto& o : subs) {
      const double ax = std::fabs(cx - i + o[0]), ay = std::fabs(cy - j + o[1]);
      const double r = std::sqrt(ax * ax + ay * ay);
      Pixel s = g.background;
      if (g.inner < r && r < g.outer - 2.0) {
        const int row = int((r - g.inner) / (g.outer - g.inner) * in.height);
        double a;
        if (i < cx && j < cy) {
          a = std::atan(ax / ay) * 180 / pi;
        } else if (i >= cx && j < cy) {
          a = std::atan(ay / ax) * 180 / pi + 270;
        } else if (i >= cx && j >= cy) {
          a = std::atan(ax / ay) * 180 / pi + 180;
        } else {
          a = std::atan(ay / ax) * 180 / pi + 90;
        }
        const double theta = brought_in(a * g.turns + g.angle);
        s = in.at(int(theta / 360 * in.width), row);
      }
      sum[0] += s.b;
      sum[1] += s.g;
      sum[2] += s.r;
    }
    return Pixel{uint8_t(sum[0] / 4.0), uint8_t(sum[1] / 4.0), uint8_t(sum[2] / 4.0)};
  });
}

std::string real(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

std::vector<std::string> numbers(const Ring& g, bool colour) {
  std::vector<std::string> n{std::to_string(g.x), std::to_string(g.y), real(g.outer),
                             real(g.inner),       real(g.angle),       real(g.turns)};
  if (colour) {
    for (int v : {g.background.r, g.background.g, g.background.b}) n.push_back(std::to_string(v));
  }
  return n;
}

void expect_ring(const Image& in, const Ring& g, bool colour = false) {
  SCOPED_TRACE(testing::Message() << in.width << "x" << in.height << " ring " << g.x << "x" << g.y
                                  << " R " << g.outer << "/" << g.inner << " angle " << g.angle
                                  << " turns " << g.turns);
  GeometryRun got = run_on("annulus", {encode_bmp24(in, 0x44)}, numbers(g, colour));
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.result.out,
            plain_size_line(in.width, in.height) + progress_lines("[%04d]\r", 0, g.y));
  EXPECT_EQ(got.output, encode_bmp24(ring_model(in, g)));
}

TEST(Annulus, AnyOtherArgumentCountPrintsTheUsage) {
  expect_usage("annulus", usage, {0, 1, 7, 9, 10, 12});
}

TEST(Annulus, TheExampleRing) {
  const Image in = random_image(8, 8, 1);
  const Ring g{200, 200, 100, 50, 0, 1};
  expect_ring(in, g);
  GeometryRun got = run_on("annulus", {encode_bmp24(in)}, numbers(g, false));
  const Image out = decode_bmp24(got.output);
  EXPECT_EQ(out.at(100, 100), (Pixel{255, 255, 255})) << "inside the inner circle";
  EXPECT_EQ(out.at(0, 0), (Pixel{255, 255, 255})) << "outside the ring";
  // Just below the centre and outside the inner circle: the input's bottom
  // row, its left edge (angle about 1.4 degrees of 360 on 8 columns).
  EXPECT_EQ(out.at(99, 48), in.at(0, 0));
}

TEST(Annulus, TurnsAndAnglesIncludingNegativeOnes) {
  const Image in = random_image(13, 7, 2);
  for (double turns : {1.0, 0.5, 2.0, -1.0, 0.0}) {
    for (double angle : {0.0, 90.0, -45.0, 360.0, 720.5, 3e9, -1e10}) {
      expect_ring(in, {41, 40, 20, 5, angle, turns});
    }
  }
}

TEST(Annulus, BackgroundsFromTheUsageLineOrder) {
  const Image in = random_image(5, 5, 3);
  Ring g{21, 21, 10, 3, 0, 1, Pixel{30, 20, 10}};  // red 10, green 20, blue 30
  expect_ring(in, g, true);
  // The low 8 bits: 256 gives 0, -1 gives 255.
  GeometryRun got =
      run_on("annulus", {encode_bmp24(in)}, {"3", "2", "1", "0", "0", "1", "256", "-1", "0"});
  EXPECT_EQ(got.output, encode_bmp24(solid_image(3, 2, Pixel{0, 255, 0})));
}

TEST(Annulus, OddSidesAndSmallImages) {
  for (int x = 1; x <= 5; ++x)
    expect_ring(random_image(x, 3, uint32_t(x)), {x + 8, 9, 6, 1, 10, 1});
  expect_ring(random_image(9, 4, 4), {201, 31, 40, 8, 0, 1});
}

TEST(Annulus, WithoutARingTheInputMayBeEmpty) {
  // Rout − 2 ≤ Rin: background only, whatever the input.
  expect_ring(Image{0, 0, {}}, {6, 5, 10, 8, 0, 1});
  expect_ring(Image{0, 3, {}}, {0, 4, 10, 1, 0, 1});
}

TEST(Annulus, RefusalsLeaveNoOutput) {
  const Bytes in = encode_bmp24(random_image(4, 4, 5));
  struct Case {
    Bytes in;
    std::vector<std::string> numbers;
    std::string message;  // "%s" for the file named
    int file;             // 0: the input, 1: the output
  };
  const Case cases[] = {
      {in, {"-1", "5", "10", "1", "0", "1"}, "Negative size in %s !\n", 1},
      {in, {"5", "-5", "10", "1", "0", "1"}, "Negative size in %s !\n", 1},
      {in, {"5", "5", "nan", "1", "0", "1"}, "Number out of range: nan !\n", 0},
      {in, {"5", "5", "10", "1", "inf", "1"}, "Number out of range: inf !\n", 0},
      {in, {"5", "5", "10", "1", "0", "-infinity"}, "Number out of range: -infinity !\n", 0},
      {in, {"9", "9", "10", "1", "0", "1e308"}, "Turned angle out of range !\n", 0},
      {encode_bmp24(Image{0, 2, {}}), {"9", "9", "10", "1", "0", "1"}, "No pixels in %s !\n", 0},
  };
  for (const Case& c : cases) {
    GeometryRun got = run_on("annulus", {c.in}, c.numbers);
    SCOPED_TRACE(c.message);
    EXPECT_EQ(got.result.status, 1);
    std::string message = c.message;
    if (size_t at = message.find("%s"); at != std::string::npos) {
      message.replace(at, 2, got.paths[static_cast<size_t>(c.file)]);
    }
    // Rows finished before the fault may have shown their progress.
    EXPECT_NE(got.result.out.find(message), std::string::npos) << got.result.out;
    EXPECT_EQ(got.result.out.substr(got.result.out.size() - message.size()), message);
    EXPECT_FALSE(got.has_output);
  }
  Bytes wrong = in;
  wrong[1] = 'm';
  GeometryRun bad = run_on("annulus", {wrong}, {"5", "5", "10", "1", "0", "1"});
  EXPECT_EQ(bad.result.out, "Wrong Format !\n");
}

TEST(Annulus, LargeAndRandomRingsMatchTheModel) {
  expect_ring(random_image(97, 61, 6), {420, 300, 200, 40, 33.3, 1.75});
  std::mt19937 gen(14);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 20; ++i) {
    const Image in = random_image(1 + int(gen() % 30), 1 + int(gen() % 30), gen());
    const Ring g{1 + int(gen() % 60), 1 + int(gen() % 60),   5 + unit(gen) * 35,
                 unit(gen) * 20,      unit(gen) * 800 - 400, unit(gen) * 6 - 3};
    expect_ring(in, g);
  }
}

}  // namespace
}  // namespace bmp::test
