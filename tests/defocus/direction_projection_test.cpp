#include "defocus/direction_projection.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace bmp {
namespace {

constexpr double pi_literal = 3.141592654;
// PI_LITERAL is not pi, so hand-worked values (with the true pi) agree only
// to about 1e-9.
constexpr double near = 1e-8;

TEST(ReducedAngle, TakesOffWholeHalfTurns) {
  struct Case {
    double degree, a;
  };
  const Case cases[] = {{200, 20}, {-200, -20},    {180, 0},   {-180, 0},      {359.5, 179.5},
                        {540, 0},  {30.25, 30.25}, {-90, -90}, {179.9, 179.9}, {-179.5, -179.5},
                        {360, 0},  {370, 10},      {-360, 0},  {0, 0},         {-0.5, -0.5}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(reduced_angle(c.degree), c.a) << c.degree;
}

TEST(ReducedAngle, AgreesToTheBitWithTheWholeNumberDivision) {
  // a = degree - 180 × q, q = trunc(degree) / 180 in 32-bit whole numbers.
  std::vector<double> degrees;
  for (double d = -1500; d <= 1500; d += 0.375) degrees.push_back(d);
  for (double d : {1e9 + 0.1, -2e9 - 0.7, 2147483647.0, -2147483648.5, 123456.789, -0.0001}) {
    degrees.push_back(d);
  }
  for (double degree : degrees) {
    int32_t q = static_cast<int32_t>(degree) / 180;
    double literal = degree - 180 * q;
    EXPECT_EQ(reduced_angle(degree), literal) << degree;
  }
}

TEST(ReversedDirection, OddHalfTurnsReverse) {
  for (double degree : {180.0, -180.0, 200.0, 359.5, -359.5, 540.0, -540.0, 900.0}) {
    EXPECT_TRUE(reversed_direction(degree)) << degree;
  }
  // Below 180 in magnitude nothing is reversed; 360 and beyond count again
  // from 0, so a full turn draws like no turn.
  for (double degree : {0.0, 179.9, -179.9, 90.0, -90.0, 360.0, 370.0, -360.0, -370.0, 720.0}) {
    EXPECT_FALSE(reversed_direction(degree)) << degree;
  }
}

TEST(DirectionExtent, IsTheHeightAtZeroAndTheWidthAtNinety) {
  EXPECT_NEAR(direction_extent(0, 5, 3), 3, near);
  EXPECT_NEAR(direction_extent(90, 5, 3), 5, near);
  EXPECT_NEAR(direction_extent(-90, 5, 3), 5, near);
  EXPECT_NEAR(direction_extent(-10, 5, 3),
              5 * std::sin(10 * M_PI / 180) + 3 * std::cos(10 * M_PI / 180), 1e-7);
  // At 30 degrees the extent is W sin 30 + H cos 30.
  EXPECT_NEAR(direction_extent(30, 4000, 3000), 2000 + 3000 * std::sqrt(3) / 2, 1e-5);
  // Every table row on a square reaches the diagonal.
  for (double a : {45.0, -45.0, 135.0, -135.0}) {
    EXPECT_NEAR(direction_extent(a, 4, 4), 4 * std::sqrt(2), 1e-7) << a;
  }
}

// t on a 4 × 4 area, worked out from the corner distances by hand.
TEST(ProjectPosition, HandWorkedValuesOnASquare) {
  struct Case {
    double degree;
    int32_t x, y;
    double t;
  };
  const Case cases[] = {
      {0, 2, 3, 0.75},  // t = y / H
      {0, 0, 0, 0},     // the first pixel, at distance W - 1 on the bottom edge
      {0, 3, 0, 0},
      {90, 3, 0, 0.75},                            // bottom row: t = x / W
      {90, 0, 0, 0.25},                            // except the first pixel, at 1 / W
      {90, 0, 1, std::sin(135 * M_PI / 180) / 4},  // the angle takes x + 1: not 0
      {-90, 3, 0, 0.25},                           // from the right edge: t = (W - x) / W
      {-90, 0, 0, 0.75},                           // the first pixel counts as x = 1
      {-90, 0, 1, 1},
      {45, 3, 0, 3.0 / 8},                                  // (x + y) / 8 on the bottom row
      {45, 1, 1, std::sin(std::atan(0.5) + M_PI / 4) / 4},  // x + 1 again: under the plain 1 / 4
      {-45, 0, 3, 7.0 / 8},                                 // ((W - x) + y) / 8
      {-45, 3, 0, 1.0 / 8},
      {135, 3, 0, 7.0 / 8},  // (x + (H - y)) / 8
      {135, 0, 0, 5.0 / 8},  // the first pixel counts as x = 1
      {135, 0, 3, 1.0 / 8},
      {-135, 0, 0, 7.0 / 8},  // ((W - x) + (H - y)) / 8, first pixel as x = 1
      {-135, 3, 3, 2.0 / 8},
  };
  for (const Case& c : cases) {
    DirectionPass pass(c.degree, 0, 100, 4, 4);
    EXPECT_NEAR(pass.position_at(c.x, c.y), c.t, near)
        << "degree " << c.degree << " at (" << c.x << ", " << c.y << ")";
  }
}

TEST(ProjectPosition, AOnePixelWideAreaHasADefinedFirstPixel) {
  for (double degree : {0.0, -30.0, -89.0}) {
    DirectionPass pass(degree, 0, 100, 1, 3);
    EXPECT_EQ(pass.position_at(0, 0), 0) << degree;
    // Above it the angle is atan(y / 0) = 90 degrees: defined, no change.
    EXPECT_FALSE(std::isnan(pass.position_at(0, 1))) << degree;
  }
  DirectionPass zero(0, 0, 100, 1, 3);
  EXPECT_NEAR(zero.position_at(0, 1), 1.0 / 3, near);
  EXPECT_NEAR(zero.position_at(0, 2), 2.0 / 3, near);
}

// The projection written out plainly from its definition, operation by
// operation, to pin the bits of t (the order decides truncated colours).
double direct_t(double degree, int x, int y, int W, int H) {
  int32_t q = static_cast<int32_t>(degree) / 180;
  double a = degree - 180 * q;
  double w = W, h = H;
  double A;
  if (a > -90 && a < 0) {
    A = std::atan(h / w) * 180 / pi_literal - a;
  } else if (a > -180 && a <= -90) {
    A = std::atan(w / h) * 180 / pi_literal - (a + 90);
  } else if (a >= 0 && a <= 90) {
    A = std::atan(h / w) * 180 / pi_literal + a;
  } else {
    A = (a - 90) + std::atan(w / h) * 180 / pi_literal;
  }
  double E = std::sin(A * pi_literal / 180) * std::sqrt(w * w + h * h);
  double u = (x == 0 && y == 0) ? 1 : x;
  double P;
  if (a > -90 && a <= 0) {
    double phi = std::atan(y / (w - u)) * 180 / pi_literal;
    P = std::sin((phi - a) * pi_literal / 180) * std::sqrt(1.0 * y * y + (w - u) * (w - u));
  } else if (a > -180 && a <= -90) {
    double phi = std::atan((w - u) / (h - y)) * 180 / pi_literal;
    P = std::sin((phi - (a + 90)) * pi_literal / 180) *
        std::sqrt((w - u) * (w - u) + (h - y) * (h - y));
  } else if (a > 0 && a <= 90) {
    double phi = std::atan(y / (x + 1.0)) * 180 / pi_literal;
    P = std::sin((phi + a) * pi_literal / 180) * std::sqrt(u * u + 1.0 * y * y);
  } else {
    double phi = std::atan(u / (h - y)) * 180 / pi_literal;
    P = std::sin(((a - 90) + phi) * pi_literal / 180) * std::sqrt(u * u + (h - y) * (h - y));
  }
  return P / E;
}

TEST(ProjectPosition, MatchesTheDefinitionToTheBit) {
  const double degrees[] = {0,   30,  45,   90,     90.5, 135,  179.9, -0.25,
                            -45, -90, -120, -179.5, 200,  -200, 33.3};
  for (double degree : degrees) {
    for (auto [W, H] : {std::pair{7, 5}, std::pair{5, 9}, std::pair{2, 2}}) {
      DirectionPass pass(degree, 0, 100, W, H);
      for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
          ASSERT_EQ(pass.position_at(x, y), direct_t(degree, x, y, W, H))
              << "degree " << degree << " on " << W << " x " << H << " at (" << x << ", " << y
              << ")";
        }
      }
    }
  }
}

TEST(BandFraction, StartAndEndPlaceTheBand) {
  // start 20, end 60: lo 0.4, hi 0.8.
  const double lo = 0.4, hi = 0.8;
  EXPECT_EQ(band_fraction(0.3, lo, hi, 20, 60, false), 0);
  EXPECT_DOUBLE_EQ(band_fraction(0.6, lo, hi, 20, 60, false), 0.5);
  EXPECT_EQ(band_fraction(0.4, lo, hi, 20, 60, false), 0);
  EXPECT_DOUBLE_EQ(band_fraction(0.8, lo, hi, 20, 60, false), 1);
  EXPECT_EQ(band_fraction(0.9, lo, hi, 20, 60, false), 1);
  EXPECT_EQ(band_fraction(0.3, lo, hi, 20, 60, true), 1);
  EXPECT_DOUBLE_EQ(band_fraction(0.6, lo, hi, 20, 60, true), 0.5);
  EXPECT_EQ(band_fraction(0.9, lo, hi, 20, 60, true), 0);
  // The defaults give s = t.
  EXPECT_EQ(band_fraction(0.37, 0, 1, 0, 100, false), 0.37);
}

TEST(BandFraction, StartBeyondEndJumpsAtLo) {
  // start 60, end 20: lo 0.8, hi 0.4, nothing lies between.
  EXPECT_EQ(band_fraction(0.5, 0.8, 0.4, 60, 20, false), 0);
  EXPECT_EQ(band_fraction(0.79, 0.8, 0.4, 60, 20, false), 0);
  EXPECT_EQ(band_fraction(0.8, 0.8, 0.4, 60, 20, false), 1);
  EXPECT_EQ(band_fraction(0.85, 0.8, 0.4, 60, 20, false), 1);
}

TEST(BandFraction, AnEmptyBandGivesZeroAtItsEdgeNotNaN) {
  const double edge = (100 - 30.0) / 100;
  EXPECT_EQ(band_fraction(edge, edge, edge, 30, 30, false), 0);
  EXPECT_EQ(band_fraction(edge, edge, edge, 30, 30, true), 1);
  EXPECT_EQ(band_fraction(std::nextafter(edge, 0), edge, edge, 30, 30, false), 0);
  EXPECT_EQ(band_fraction(std::nextafter(edge, 1), edge, edge, 30, 30, false), 1);
}

TEST(DirectionPass, ComputesItsConstantsOnce) {
  DirectionPass pass(200, 25, 75, 8, 6);
  EXPECT_DOUBLE_EQ(pass.angle, 20);
  EXPECT_TRUE(pass.reversed);
  EXPECT_DOUBLE_EQ(pass.lo, 0.25);
  EXPECT_DOUBLE_EQ(pass.hi, 0.75);
  EXPECT_EQ(pass.extent, direction_extent(20, 8, 6));
  std::vector<double> row(8);
  pass.band_row(3, row);
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(row[static_cast<size_t>(x)],
              band_fraction(project_position(pass.angle, pass.extent, x, 3, 8, 6), 0.25, 0.75, 25,
                            75, true));
  }
}

TEST(DirectionPass, AFullTurnDrawsLikeNoTurn) {
  for (auto [turned, plain] :
       {std::pair{360.0, 0.0}, std::pair{370.0, 10.0}, std::pair{-360.0, 0.0},
        std::pair{540.0, 180.0}, std::pair{-370.0, -10.0}}) {
    DirectionPass a(turned, 10, 90, 6, 5);
    DirectionPass b(plain, 10, 90, 6, 5);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 6; ++x) EXPECT_EQ(a.band_at(x, y), b.band_at(x, y)) << turned;
    }
  }
  // Degree 180 grades like 0 with s reversed: the band lies at the bottom.
  DirectionPass down(180, 0, 100, 4, 4);
  EXPECT_NEAR(down.band_at(1, 0), 1, near);
  EXPECT_NEAR(down.band_at(1, 3), 0.25, near);
}

// A whole row at once, and outside the band without the trigonometry: every
// pixel's s is still band_at's, bit for bit, for every angle range, band and
// shape, and for bands whose ends fall right on pixels.
TEST(DirectionPass, BandRowIsBandAtEverywhere) {
  const double degrees[] = {-179.5, -135, -90,  -60, -0.0, 0,   1e-9, 30,  45,
                            89.9,   90,   90.1, 135, 179,  200, 359,  -200};
  const std::pair<double, double> bands[] = {{0, 100}, {30, 60},   {50, 50}, {80, 20},
                                             {0, 0},   {100, 100}, {25, 75}};
  const std::pair<int, int> sizes[] = {{7, 5}, {64, 48}, {300, 200}, {1, 9}, {9, 1}, {2, 2}};
  for (double degree : degrees) {
    for (auto [start, end] : bands) {
      for (auto [width, height] : sizes) {
        DirectionPass pass(degree, start, end, width, height);
        std::vector<double> row(static_cast<size_t>(width));
        for (int y = 0; y < height; ++y) {
          pass.band_row(y, row);
          for (int x = 0; x < width; ++x) {
            ASSERT_EQ(std::bit_cast<uint64_t>(row[static_cast<size_t>(x)]),
                      std::bit_cast<uint64_t>(pass.band_at(x, y)))
                << degree << " band " << start << ".." << end << " " << width << " x " << height
                << " at (" << x << ", " << y << ")";
          }
        }
      }
    }
  }
}

// A row made in pieces: each piece's s is band_at's at the piece's own
// columns, the first pixel of the bottom row included only in the piece that
// holds it.
TEST(DirectionPass, BandRowInPiecesIsBandAtEverywhere) {
  const double degrees[] = {-135, -30, 0, 30, 90, 120, 200};
  const std::pair<double, double> bands[] = {{0, 100}, {30, 60}, {80, 20}};
  const int width = 37;
  const int height = 6;
  for (double degree : degrees) {
    for (auto [start, end] : bands) {
      DirectionPass pass(degree, start, end, width, height);
      for (int y = 0; y < height; ++y) {
        for (auto [first, count] : {std::pair{0, 5}, std::pair{1, 7}, std::pair{13, 24},
                                    std::pair{36, 1}, std::pair{20, 0}}) {
          std::vector<double> piece(static_cast<size_t>(count));
          pass.band_row(y, first, piece);
          for (int j = 0; j < count; ++j) {
            ASSERT_EQ(std::bit_cast<uint64_t>(piece[static_cast<size_t>(j)]),
                      std::bit_cast<uint64_t>(pass.band_at(first + j, y)))
                << degree << " band " << start << ".." << end << " piece from " << first << " at ("
                << first + j << ", " << y << ")";
          }
        }
      }
    }
  }
}

// The bounds of a row hold band_at's s, are equal only where they give it,
// and are narrow; bands whose ends fall right on pixels and narrow bands
// (whose quotient may pass 1 just below their end) included.
TEST(DirectionPass, BandBoundsRowHoldBandAt) {
  const double degrees[] = {-179.5, -135, -90, -60, 0, 1e-9, 30, 45, 89.9, 90, 135, 179, 200, -200};
  const std::pair<double, double> bands[] = {{0, 100}, {30, 60},         {50, 50},  {80, 20},
                                             {25, 75}, {40, 40.0000001}, {-20, 130}};
  const std::pair<int, int> sizes[] = {{7, 5}, {64, 48}, {300, 200}, {2, 2}};
  for (double degree : degrees) {
    for (auto [start, end] : bands) {
      for (auto [width, height] : sizes) {
        DirectionPass pass(degree, start, end, width, height);
        std::vector<double> low(static_cast<size_t>(width - 1));
        std::vector<double> high(low.size());
        for (int y = 0; y < height; ++y) {
          ASSERT_TRUE(pass.band_bounds_row(y, 1, low, high));
          for (int x = 1; x < width; ++x) {
            const double a = low[static_cast<size_t>(x - 1)];
            const double b = high[static_cast<size_t>(x - 1)];
            const double s = pass.band_at(x, y);
            // Bindings are copied in by name: not every compiler captures them.
            const auto where = [&, start = start, end = end, width = width, height = height] {
              return std::to_string(degree) + " band " + std::to_string(start) + ".." +
                     std::to_string(end) + " " + std::to_string(width) + " x " +
                     std::to_string(height) + " at (" + std::to_string(x) + ", " +
                     std::to_string(y) + ")";
            };
            ASSERT_TRUE(a <= s && s <= b) << where() << ": " << a << " " << s << " " << b;
            // Bands of a fair width: the bounds are as close as the rough t.
            if (end - start >= 30) {
              ASSERT_LT(b - a, 1e-6) << where();
            }
            if (a == b) {
              ASSERT_EQ(s, a) << where();
            }
          }
        }
      }
    }
  }
  // A narrow band whose end lies on a pixel's t: there s may pass 1 by the
  // rounding of lo and hi, and the bounds still hold it.
  DirectionPass probe(30, 0, 100, 64, 48);
  const double t = probe.position_at(10, 7);
  double start = 100 - 100 * t;
  while ((100 - start) / 100 < t) start = std::nextafter(start, -1.0);
  int found = 0;
  for (int k = 1; k <= 4000; ++k) {
    for (bool reversed : {false, true}) {
      DirectionPass pass(reversed ? 210 : 30, start, start + k * 1e-8, 64, 48);
      const double s = pass.band_at(10, 7);
      if (s <= 1 && s >= 0) continue;
      ++found;
      std::vector<double> low(1), high(1);
      ASSERT_TRUE(pass.band_bounds_row(7, 10, low, high));
      EXPECT_TRUE(low[0] <= s && s <= high[0]) << k << ": " << low[0] << " " << s << " " << high[0];
    }
  }
  EXPECT_GT(found, 0);
  // An empty piece writes nothing.
  EXPECT_TRUE(DirectionPass(30, 0, 100, 9, 9).band_bounds_row(0, 0, {}, {}));
  // No rough positions for an area one pixel wide or high.
  std::vector<double> low(1), high(1);
  EXPECT_FALSE(DirectionPass(30, 0, 100, 1, 9).band_bounds_row(2, 0, low, high));
  EXPECT_FALSE(DirectionPass(30, 0, 100, 9, 1).band_bounds_row(0, 0, low, high));
}

}  // namespace
}  // namespace bmp
