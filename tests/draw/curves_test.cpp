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

// The bounds hold every value the curve takes over a range, for every flag
// and power, at the knots, between them and at the ends; they are close for
// short ranges, and ranges they cannot bound are not held.
TEST(CurveBounds, HoldTheCurveOverEachRange) {
  const double knot = 1.0 / 4096;
  for (int flag = 0; flag <= 7; ++flag) {
    for (double k : {2.0, 0.5, 1.0, 0.0, 3.7, 40.0}) {
      const CurveFlag curve = *curve_flag_of(flag);
      const CurveBounds bounds(curve, k);
      std::vector<double> low, high;
      for (int i = 0; i < 400; ++i) {
        // Within one knot spacing: from a knot, a third or two thirds past it.
        const double from = (i * 37 % 4096 + (i / 3 % 3) * 0.3) * knot;
        const double width = i % 3 == 0 ? 0 : i % 3 == 1 ? 1e-9 : knot / 3;
        low.push_back(from);
        high.push_back(from + width);
      }
      for (double end : {0.0, 1.0, knot, 1 - knot}) {
        low.push_back(end);
        high.push_back(end);
      }
      std::vector<double> c_low(low.size()), c_high(low.size());
      std::vector<uint8_t> held(low.size());
      bounds.bounds_row(low, high, c_low, c_high, held);
      for (size_t i = 0; i < low.size(); ++i) {
        const bool power = curve == CurveFlag::power || curve == CurveFlag::one_minus_power;
        const bool steep_at_zero = power && k < 2 && k != 0 && k != 1 && low[i] < knot;
        if (steep_at_zero) {
          EXPECT_FALSE(held[i]) << flag << " K " << k << " at " << low[i];
          continue;
        }
        ASSERT_TRUE(held[i]) << flag << " K " << k << " at " << low[i];
        // Close where the curve bends gently (powers from 2 to 4 here).
        if (high[i] - low[i] <= 1e-9 && (!power || (k >= 2 && k <= 4))) {
          EXPECT_LT(c_high[i] - c_low[i], 1e-6) << flag << " K " << k << " at " << low[i];
        }
        for (int j = 0; j <= 16; ++j) {
          const double s = j == 16 ? high[i] : low[i] + (high[i] - low[i]) * j / 16;
          const double c = curve_value(curve, s, k);
          ASSERT_TRUE(c_low[i] <= c && c <= c_high[i]) << flag << " K " << k << " at " << s << ": "
                                                       << c_low[i] << " " << c << " " << c_high[i];
        }
      }
    }
  }
  // Ranges across a knot, beyond 0..1, reversed or undefined are not held.
  const CurveBounds bounds(CurveFlag::ease_in_out, 0);
  const std::vector<double> low{0.5 - knot / 2, -1e-17, 0.99, 0.3, NAN};
  const std::vector<double> high{0.5 + knot / 2, 0.1 * knot, 1 + 1e-16, 0.2, 0.4};
  std::vector<double> c_low(low.size()), c_high(low.size());
  std::vector<uint8_t> held(low.size(), 1);
  bounds.bounds_row(low, high, c_low, c_high, held);
  for (size_t i = 0; i < low.size(); ++i) EXPECT_FALSE(held[i]) << i;
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
