// The HLS conversions: colours worked by hand, the remembered hue, the folds
// and clamps, and every angle's channel against the plain model.
#include "pixel/hls.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/pixel/hls_model.hpp"

namespace bmp {
namespace {

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(Hls, ColoursWorkedByHand) {
  struct Case {
    int r, g, b;
    double hue, lightness, saturation;
  };
  const Case cases[] = {
      {255, 0, 0, 0.0, 0.5, 1.0},
      {0, 255, 0, 120.0, 0.5, 1.0},
      {0, 0, 255, 240.0, 0.5, 1.0},
      {255, 255, 0, 60.0, 0.5, 1.0},
      {0, 255, 255, 180.0, 0.5, 1.0},
      {255, 0, 255, 300.0, 0.5, 1.0},
      // 200, 100, 50: max - min = 150/255, L = 250/255 / 2, S = 150 / 250.
      {200, 100, 50, 20.0, 125 / 255.0, 0.6},
  };
  for (const Case& c : cases) {
    HlsConversion conversion;
    const Hls hls = conversion.rgb_to_hls(c.r / 255.0, c.g / 255.0, c.b / 255.0);
    EXPECT_NEAR(hls.hue, c.hue, 1e-12) << c.r << " " << c.g << " " << c.b;
    EXPECT_NEAR(hls.lightness, c.lightness, 1e-15);
    EXPECT_NEAR(hls.saturation, c.saturation, 1e-15);
  }
}

TEST(Hls, AGreyKeepsTheHueOfTheLastColour) {
  HlsConversion conversion;
  const Hls first_grey = conversion.rgb_to_hls(0.4, 0.4, 0.4);
  EXPECT_EQ(first_grey.hue, 0.0) << "nothing converted yet";
  EXPECT_EQ(first_grey.lightness, 0.4);
  EXPECT_EQ(first_grey.saturation, 0.0);
  conversion.rgb_to_hls(0.0, 1.0, 0.0);  // green: 120
  EXPECT_EQ(conversion.rgb_to_hls(1.0, 1.0, 1.0).hue, 120.0);
  EXPECT_EQ(conversion.remembered_hue(), 120.0);
  conversion.rgb_to_hls(0.0, 0.0, 1.0);  // blue overwrites it
  EXPECT_EQ(conversion.rgb_to_hls(0.0, 0.0, 0.0).hue, 240.0);
}

TEST(Hls, HuesFoldAndLightnessAndSaturationClamp) {
  auto same = [](const Rgb& a, const Rgb& b) {
    return same_bits(a.red, b.red) && same_bits(a.green, b.green) && same_bits(a.blue, b.blue);
  };
  EXPECT_TRUE(same(hls_to_rgb(-30.0, 0.4, 0.7), hls_to_rgb(330.0, 0.4, 0.7)));
  EXPECT_TRUE(same(hls_to_rgb(720.0, 0.4, 0.7), hls_to_rgb(0.0, 0.4, 0.7)));
  EXPECT_TRUE(same(hls_to_rgb(360.0, 0.4, 0.7), hls_to_rgb(0.0, 0.4, 0.7)));
  EXPECT_TRUE(same(hls_to_rgb(100.0, 1.3, 0.7), (Rgb{1.0, 1.0, 1.0})));
  EXPECT_TRUE(same(hls_to_rgb(100.0, 0.3, -0.2), (Rgb{0.3, 0.3, 0.3})));
  EXPECT_TRUE(same(hls_to_rgb(100.0, -0.5, 0.5), (Rgb{0.0, 0.0, 0.0})));
  // Red's hue: upper at 120 degrees on, lower for green and blue. S = 1:
  // lower = 0 and upper = 2L.
  EXPECT_TRUE(same(hls_to_rgb(0.0, 0.25, 1.0), (Rgb{0.5, 0.0, 0.0})));
}

TEST(Hls, HueValueTakesItsStepsAtTheirBounds) {
  EXPECT_EQ(hue_value(60.0, 0.2, 0.9), 0.9);
  EXPECT_EQ(hue_value(240.0, 0.2, 0.9), 0.2);
  EXPECT_EQ(hue_value(30.0, 0.2, 0.8), (0.8 - 0.2) * 30.0 / 60.0 + 0.2);
  // At 180 the falling slope: find bounds where it is not upper to the bit.
  std::mt19937 rng(1);
  int differing = 0;
  for (int i = 0; i < 1000; ++i) {
    const double lower = (rng() % 1000) / 1000.0;
    const double upper = lower + (rng() % 1000) / 1000.0 * (1.0 - lower);
    const double slope = (upper - lower) * (240.0 - 180.0) / 60.0 + lower;
    EXPECT_TRUE(same_bits(hue_value(180.0, lower, upper), slope));
    differing += slope != upper;
  }
  EXPECT_GT(differing, 0) << "no bounds tell the two readings apart";
}

TEST(Hls, EveryAngleMatchesThePlainModel) {
  // Beyond +-720 the library's fmod folds; within it the exact shortcut.
  const test::HlsModel model;
  std::mt19937 rng(3);
  std::vector<double> angles = {0.0,   -0.0,   60.0,   180.0,   240.0,          359.99999999999994,
                                360.0, -360.0, 480.0,  719.999, 720.0,          -720.0,
                                1e300, -1e300, 1e-300, -1e-300, 360.0 * 3 + 0.5};
  for (int i = 0; i < 20000; ++i) angles.push_back((rng() % 4000000) / 1000.0 - 2000.0);
  for (double h : angles) {
    for (auto [lower, upper] : {std::pair{0.1, 0.7}, std::pair{0.0, 1.0}, std::pair{0.33, 0.34}}) {
      EXPECT_TRUE(same_bits(hue_value(h, lower, upper), model.channel(h, lower, upper))) << h;
    }
  }
}

TEST(Hls, ThePixelStepOfTheWorkedColourAndOfGreys) {
  HlsConversion conversion;
  auto unchanged = [](Hls&) {};
  uint8_t worked[3] = {50, 100, 200};  // blue, green, red
  hls_pixel_step(conversion, worked, unchanged);
  EXPECT_EQ(worked[2], 200);
  EXPECT_EQ(worked[1], 99);
  EXPECT_EQ(worked[0], 49);
  for (int v = 0; v < 256; ++v) {
    uint8_t grey[3] = {uint8_t(v), uint8_t(v), uint8_t(v)};
    hls_pixel_step(conversion, grey, unchanged);
    EXPECT_EQ(grey[0], v);
    EXPECT_EQ(grey[1], v);
    EXPECT_EQ(grey[2], v);
  }
}

}  // namespace
}  // namespace bmp
