#include "draw/curves.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace bmp {
namespace {

// Values at s = 0.25 worked out by hand from the shapes' formulas.
TEST(CurveValue, EachFlagAtAQuarter) {
  const double tolerance = 1e-4;  // PI_LITERAL is not pi: values differ from exact in the 1e-10s
  EXPECT_DOUBLE_EQ(curve_value(CurveFlag::liner, 0.25, 0), 0.25);
  EXPECT_NEAR(curve_value(CurveFlag::ease_in_out, 0.25, 0), 0.1464,
              tolerance);                                                     // (sin 315° + 1) / 2
  EXPECT_NEAR(curve_value(CurveFlag::ease_out, 0.25, 0), 0.3827, tolerance);  // sin 22.5°
  EXPECT_NEAR(curve_value(CurveFlag::ease_in, 0.25, 0), 0.0761, tolerance);   // 1 - sin 67.5°
  EXPECT_NEAR(curve_value(CurveFlag::raised_cosine, 0.25, 0), 0.5, 1e-9);     // (sin 360° + 1) / 2
  EXPECT_NEAR(curve_value(CurveFlag::sine_hump, 0.25, 0), 0.7071, tolerance);  // sin 45°
  EXPECT_DOUBLE_EQ(curve_value(CurveFlag::power, 0.5, 2), 0.25);
  EXPECT_DOUBLE_EQ(curve_value(CurveFlag::one_minus_power, 0.5, 2), 0.75);
}

TEST(CurveValue, EndsOfTheShapes) {
  const double tolerance = 1e-9;
  for (CurveFlag rising :
       {CurveFlag::ease_in_out, CurveFlag::ease_out, CurveFlag::ease_in, CurveFlag::power}) {
    EXPECT_NEAR(curve_value(rising, 0, 2), 0, tolerance);
    EXPECT_NEAR(curve_value(rising, 1, 2), 1, tolerance);
  }
  for (CurveFlag hump : {CurveFlag::raised_cosine, CurveFlag::sine_hump}) {
    EXPECT_NEAR(curve_value(hump, 0, 0), 0, tolerance);
    EXPECT_NEAR(curve_value(hump, 1, 0), 0, tolerance);
    EXPECT_NEAR(curve_value(hump, 0.5, 0), 1, tolerance);
  }
  EXPECT_DOUBLE_EQ(curve_value(CurveFlag::one_minus_power, 0, 2), 1);
}

TEST(CurveValue, TheSineUsesThePiLiteral) {
  // sin(180°) with pi written as 3.141592654 is not 0 but sin(-4.1e-10).
  EXPECT_DOUBLE_EQ(sine_hump(1.0), std::sin(3.141592654 * 180 / 180));
  EXPECT_NE(sine_hump(1.0), 0.0);
}

// A row at a time, the rises are the single-value shapes bit for bit: runs
// of one value (which share a sine), the ends, values outside 0..1 and rows
// long enough for the vector loops and their remainders.
TEST(SineRiseRow, IsEaseInOutAndRaisedCosineBitForBit) {
  std::vector<double> u;
  for (int i = 0; i < 37; ++i) u.push_back(i / 36.0);
  for (int i = 0; i < 9; ++i) u.push_back(0.0);
  for (int i = 0; i < 5; ++i) u.push_back(1.0);
  for (double v : {-0.0, -0.25, 1.5, 1e-300, 0.1, 0.1, 0.1, 0.7}) u.push_back(v);
  for (double turn : {180.0, 360.0}) {
    for (size_t n : {size_t{1}, size_t{7}, u.size()}) {
      std::vector<double> row(u.begin(), u.begin() + static_cast<std::ptrdiff_t>(n));
      sine_rise_row(turn, row);
      for (size_t i = 0; i < n; ++i) {
        const double expected = turn == 180 ? ease_in_out(u[i]) : raised_cosine(u[i]);
        ASSERT_EQ(std::bit_cast<uint64_t>(row[i]), std::bit_cast<uint64_t>(expected))
            << turn << " at " << i << ": " << u[i];
      }
    }
  }
}

// Every flag a row at a time is curve_value bit for bit, over the same kinds
// of rows: runs of one value, the ends, values just beyond them.
TEST(CurveRow, IsCurveValueBitForBit) {
  std::vector<double> u;
  for (int i = 0; i < 41; ++i) u.push_back(i / 40.0);
  for (int i = 0; i < 6; ++i) u.push_back(0.0);
  for (int i = 0; i < 6; ++i) u.push_back(1.0);
  for (double v : {-0.0, 1e-300, 0.3, 0.3, 0.3, std::nextafter(1.0, 2.0), -1e-17, 0.999}) {
    u.push_back(v);
  }
  for (int flag = 0; flag <= 7; ++flag) {
    for (double k : {2.0, 0.5, 0.0}) {
      const CurveFlag curve = *curve_flag_of(flag);
      for (size_t n : {size_t{1}, size_t{9}, u.size()}) {
        std::vector<double> row(u.begin(), u.begin() + static_cast<std::ptrdiff_t>(n));
        curve_row(curve, k, row);
        for (size_t i = 0; i < n; ++i) {
          ASSERT_EQ(std::bit_cast<uint64_t>(row[i]),
                    std::bit_cast<uint64_t>(curve_value(curve, u[i], k)))
              << "flag " << flag << " K " << k << " at " << i << ": " << u[i];
        }
      }
    }
  }
}

TEST(CurveFlagOf, OnlyExactWholeFlagsSelectAShape) {
  EXPECT_EQ(curve_flag_of(0.0), CurveFlag::liner);
  EXPECT_EQ(curve_flag_of(7.0), CurveFlag::sine_hump);
  EXPECT_FALSE(curve_flag_of(1.5));
  EXPECT_FALSE(curve_flag_of(8.0));
  EXPECT_FALSE(curve_flag_of(-1.0));
  EXPECT_TRUE(needs_power_constant(4.0));
  EXPECT_TRUE(needs_power_constant(5.0));
  EXPECT_FALSE(needs_power_constant(4.5));
}

}  // namespace
}  // namespace bmp
