// The fractional box against a plain, slow sum written here from its
// definition: every sample of the (2M + 1)² window, rows outer and columns
// inner, weight × value in double, then trunc(sum / (2r + 1)²).
#include "defocus/fractional_box/fractional_box.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <vector>

#include "core/parallel.hpp"
#include "core/temp_files.hpp"
#include "tests/defocus/fractional_box_reference.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp {
namespace {

using test::Image;
using test::Pixel;

// A test picture and its file bytes (row ends holding junk), read through
// ImageRows as the tools read their files.
struct TestImage {
  Image image;
  test::Bytes file;
  explicit TestImage(Image picture)
      : image(std::move(picture)), file(test::encode_bmp24(image, 0xee)) {}
  int width() const { return image.width; }
  int height() const { return image.height; }
  ImageRows source() const {
    return ImageRows(file, bmp24_layout(image.width, image.height), "test image");
  }
};

// A picture whose channel c at (x, y) is fill(x, y, c), called in that order.
template <class Fill>
TestImage filled(int width, int height, Fill fill) {
  return TestImage(test::make_image(width, height, [&](int x, int y) {
    Pixel p;
    p.b = static_cast<uint8_t>(fill(x, y, 0));
    p.g = static_cast<uint8_t>(fill(x, y, 1));
    p.r = static_cast<uint8_t>(fill(x, y, 2));
    return p;
  }));
}

std::array<uint8_t, 3> reference(const TestImage& image, bool wrap, int x, int y, double r) {
  const Pixel p = test::ref_fractional_box(image.image, x, y, r, wrap);
  return {p.b, p.g, p.r};
}

EdgeMode mode_of(bool wrap) { return wrap ? EdgeMode::wrap : EdgeMode::clamp; }

// Every pixel of `image` with radius radius_at(x, y), through average_row,
// against the reference; reports the first difference.
template <class RadiusAt>
void expect_all_equal(const TestImage& image, bool wrap, RadiusAt radius_at, double max_radius,
                      const std::string& what) {
  FractionalBox box(image.source(), mode_of(wrap), max_radius);
  std::vector<double> radii(static_cast<size_t>(image.width()));
  std::vector<uint8_t> row(static_cast<size_t>(3 * image.width()));
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) radii[static_cast<size_t>(x)] = radius_at(x, y);
    box.average_row(y, radii, row);
    for (int x = 0; x < image.width(); ++x) {
      std::array<uint8_t, 3> want = reference(image, wrap, x, y, radii[static_cast<size_t>(x)]);
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(row[static_cast<size_t>(3 * x + c)], want[c])
            << what << (wrap ? " wrap" : " clamp") << " at (" << x << ", " << y << ") channel " << c
            << " radius " << radii[static_cast<size_t>(x)];
      }
    }
  }
}

// The paths the box may take: AVX2 lanes (where the processor has them) and
// the plain loops; each gives the same bytes.
constexpr int vector_lanes[] = {8, 4, 0};

TEST(FractionalBox, RadiusZeroCopiesEveryPixel) {
  std::mt19937 random(7);
  TestImage image = filled(6, 5, [&](int, int, int) { return random() % 256; });
  for (EdgeMode mode : {EdgeMode::clamp, EdgeMode::wrap}) {
    FractionalBox box(image.source(), mode, 0);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 6; ++x) {
        std::array<uint8_t, 3> got = box.fractional_box_average(x, y, 0.0);
        EXPECT_EQ(got, (std::array<uint8_t, 3>{image.image.at(x, y).b, image.image.at(x, y).g,
                                               image.image.at(x, y).r}));
      }
    }
  }
}

// r = 1.5: M = 2, f = 0.5, a 5 × 5 window weighing 1 on the inner 3 × 3, 0.5 on
// the ring and 0.25 at the corners, over 16. One pixel of 160 in the middle of
// a black 9 × 9 image spreads as 160 / 16 = 10 where it falls inside, 80 / 16
// = 5 on the ring and trunc(40 / 16) = 2 at the corners.
TEST(FractionalBox, RadiusOneAndAHalfWeighsTheRingByHalfAndTheCornersByAQuarter) {
  TestImage image =
      filled(9, 9, [](int x, int y, int c) { return x == 4 && y == 4 && c == 1 ? 160 : 0; });
  FractionalBox box(image.source(), EdgeMode::clamp, 1.5);
  const int expected[5][5] = {
      {2, 5, 5, 5, 2}, {5, 10, 10, 10, 5}, {5, 10, 10, 10, 5}, {5, 10, 10, 10, 5}, {2, 5, 5, 5, 2}};
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 9; ++x) {
      const int dx = x - 4, dy = y - 4;
      const bool near = std::abs(dx) <= 2 && std::abs(dy) <= 2;
      const int want = near ? expected[dy + 2][dx + 2] : 0;
      EXPECT_EQ(box.fractional_box_average(x, y, 1.5)[1], want) << x << ", " << y;
      EXPECT_EQ(box.fractional_box_average(x, y, 1.5)[0], 0);
    }
  }
  // A uniform image keeps its level: the weights add up to (2r + 1)² = 16.
  TestImage grey = filled(4, 3, [](int, int, int c) { return 100 + c; });
  FractionalBox flat(grey.source(), EdgeMode::wrap, 1.5);
  EXPECT_EQ(flat.fractional_box_average(1, 1, 1.5), (std::array<uint8_t, 3>{100, 101, 102}));
}

// At the edges clamp repeats the edge pixels and wrap takes the opposite side.
TEST(FractionalBox, EdgeModesAtACorner) {
  // A 4 × 4 image, black but for 16 at the top right pixel (3, 3).
  TestImage image = filled(4, 4, [](int x, int y, int) { return x == 3 && y == 3 ? 16 : 0; });
  // Radius 1 (M = 2, f = 0) at (0, 0): clamp reaches columns and rows 0..1
  // only; wrap reaches column 3 and row 3 as offsets -1, so the pixel counts
  // once over (2 + 1)² = 9: trunc(16 / 9) = 1.
  FractionalBox clamp(image.source(), EdgeMode::clamp, 1);
  FractionalBox wrap(image.source(), EdgeMode::wrap, 1);
  EXPECT_EQ(clamp.fractional_box_average(0, 0, 1.0)[0], 0);
  EXPECT_EQ(wrap.fractional_box_average(0, 0, 1.0)[0], 1);
  // Radius 1 at (3, 3) under clamp: the pixel itself and its repeats outward,
  // rows and columns 2..4 mapped to 2, 3, 3: it counts 2 × 2 = 4 times: 64 / 9 = 7.
  EXPECT_EQ(clamp.fractional_box_average(3, 3, 1.0)[0], 7);
}

TEST(FractionalBox, MatchesThePlainSumOnRandomImages) {
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> size(1, 23);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int round = 0; round < 120; ++round) {
    const int width = size(random), height = size(random);
    const int kind = round % 4;
    TestImage image = filled(width, height, [&](int x, int y, int c) {
      switch (kind) {
        case 0:
          return static_cast<int>(random() % 256);  // noise
        case 1:
          return (x * 7 + y * 3 + c * 50) & 255;  // ramps: box averages land on whole numbers
        case 2:
          return static_cast<int>(random() % 2) * 255;  // black and white
        default:
          return 200 + static_cast<int>(random() % 3) - c;  // near-flat
      }
    });
    const double largest = 1 + 3.0 * std::max(width, height) * unit(random);
    const double fixed = largest * unit(random);
    const double whole = std::floor(fixed);
    const std::string what = "round " + std::to_string(round);
    for (bool wrap : {false, true}) {
      // One fractional radius, one whole radius, and radii that vary per pixel
      // (zero among them).
      expect_all_equal(
          image, wrap, [&](int, int) { return fixed; }, largest, what + " fixed");
      expect_all_equal(
          image, wrap, [&](int, int) { return whole; }, largest, what + " whole");
      std::vector<double> varying(static_cast<size_t>(width * height));
      for (double& r : varying) r = unit(random) < 0.1 ? 0.0 : largest * unit(random);
      expect_all_equal(
          image, wrap, [&](int x, int y) { return varying[static_cast<size_t>(y * width + x)]; },
          largest, what + " varying");
    }
  }
}

// A uniform image makes the exact sum a whole number at every pixel, so the
// loop's rounding alone decides the byte: with r = 0.3 most grey levels come
// out one lower.
TEST(FractionalBox, UniformImagesWhereRoundingDecidesTheByte) {
  int lowered = 0;
  for (int level = 0; level < 256; ++level) {
    TestImage image = filled(5, 4, [&](int, int, int) { return level; });
    lowered += reference(image, false, 2, 2, 0.3)[0] == level - 1;
    for (double r : {0.3, 0.7, 1.1, 1.3, 2.9, 3.7, 0.1 + 0.2, 5.55, 1e-300}) {
      for (bool wrap : {false, true}) {
        expect_all_equal(
            image, wrap, [&](int, int) { return r; }, r,
            "level " + std::to_string(level) + " r " + std::to_string(r));
      }
    }
  }
  EXPECT_GT(lowered, 128) << "the case is meant to land on the rounding";
}

// Fractions of few binary digits sum exactly in any order; just beyond that
// (a longer odd part, or partial sums too large for the last digit) the
// rounding is back. Uniform and near-uniform images at such radii.
TEST(FractionalBox, RadiiWithShortBinaryFractions) {
  const double radii[] = {0.5,
                          0.75,
                          2.125,
                          1 + std::ldexp(1.0, -20),
                          2 - std::ldexp(1.0, -20),
                          1 + std::ldexp(3.0, -12),
                          1.5 + std::ldexp(1.0, -31),
                          3 + std::ldexp((1 << 22) - 1, -22),
                          3 + std::ldexp((1 << 22) + 1, -23)};
  for (int level : {1, 77, 128, 200, 254, 255}) {
    for (int width : {3, 8, 17}) {
      // Uniform, and for the widest one level lower at every fifth sample.
      TestImage image = filled(width, 7, [&](int x, int y, int c) {
        return level - (width == 17 && (x + y + c) % 5 == 0);
      });
      for (double r : radii) {
        for (bool wrap : {false, true}) {
          expect_all_equal(
              image, wrap, [&](int, int) { return r; }, r,
              "level " + std::to_string(level) + " r " + std::to_string(r));
        }
      }
    }
  }
}

// With a tiny fraction the ring adds almost nothing, so the running sum is
// still small when the first whole values of an inner row arrive, and one of
// them can carry it over several powers of two in a single rounding.
TEST(FractionalBox, TinyFractionsOnNearWhiteImages) {
  std::mt19937 random(4);
  for (double r : {3 + 3.6598255594719534e-11, 3 + 1e-9, 4.10773341526510194, 5 + 1e-12,
                   6 + std::ldexp(1.0, -40), 1e-9, 0.10773341526510194}) {
    for (int round = 0; round < 6; ++round) {
      TestImage image =
          filled(7 + round, 9, [&](int, int, int) { return 255 - static_cast<int>(random() % 3); });
      for (bool wrap : {false, true}) {
        expect_all_equal(
            image, wrap, [&](int, int) { return r; }, r, "near white r " + std::to_string(r));
      }
    }
  }
}

// A uniform image whose first window rows add next to nothing (a fraction just
// above a whole radius): the first whole value of an inner row carries the
// running sum over many powers of two in one addition, which rounds once.
// The pairs listed are ones where rounding at each power of two in turn would
// be off by one; more pairs at random. Checked at one pixel and along a row.
TEST(FractionalBox, OneValueOverManyPowersOfTwo) {
  struct Case {
    int level;
    double radius;
  };
  std::vector<Case> cases = {
      {114, 4.0142774008345441}, {4, 3.0004556188351899},   {101, 3.0075878618281422},
      {137, 4.000001666988183},  {246, 5.0046167428317858}, {148, 3.0000000473886868},
      {77, 3.0075693183971453},  {70, 3.0000078075997081},  {72, 4.0013460041768667}};
  std::mt19937 random(1);
  for (int i = 0; i < 20000; ++i) {
    const int level = 1 + static_cast<int>(random() % 255);
    // An odd 32-bit number times 2^-32 .. 2^-69: below 1, often far below.
    const double tiny =
        std::ldexp(static_cast<double>(random() | 1), -static_cast<int>(32 + random() % 38));
    cases.push_back({level, 3 + i % 4 + tiny});
  }
  // Under clamp every window of a uniform image adds the same values in the
  // same order: a whole row, its windows side by side, comes out as the one
  // pixel the reference works out.
  std::vector<double> radii(40);
  std::vector<uint8_t> row(3 * radii.size());
  for (const Case& c : cases) {
    TestImage image = filled(40, 15, [&](int, int, int) { return c.level; });
    FractionalBox box(image.source(), EdgeMode::clamp, c.radius);
    const std::array<uint8_t, 3> want = reference(image, false, 7, 7, c.radius);
    ASSERT_EQ(box.fractional_box_average(7, 7, c.radius), want)
        << "level " << c.level << " radius " << c.radius;
    std::fill(radii.begin(), radii.end(), c.radius);
    for (int lanes : vector_lanes) {
      limit_box_lanes(lanes);
      box.average_row(7, radii, row);
      for (size_t i = 0; i < row.size(); ++i) {
        ASSERT_EQ(row[i], want[i % 3])
            << "level " << c.level << " radius " << c.radius << " byte " << i << " lanes " << lanes;
      }
    }
    limit_box_lanes(8);
  }
}

// Linear ramps also average to whole numbers; a larger image, radii up to 10,
// and a radius per pixel as the graded tools give it.
TEST(FractionalBox, RampsWithGradedRadii) {
  TestImage image = filled(60, 150, [](int x, int y, int c) {
    return c == 0 ? (128 + 3 * y) & 255 : (c == 1 ? (7 * x + 3 * y) & 255 : x * 255 / 60);
  });
  for (bool wrap : {false, true}) {
    expect_all_equal(
        image, wrap, [](int x, int y) { return 10.0 * (x + 2 * y) / 360.0; }, 10, "graded");
    expect_all_equal(
        image, wrap, [](int x, int) { return 2.0 + x / 60.0; }, 3, "graded from 2");
  }
}

// Rows wide enough for several windows side by side, where most means are
// whole numbers and the loop's rounding decides: neighbouring pixels whose
// windows differ in half-width, fraction or path (black runs that leave the
// running sum at 0, tiny fractions whose first whole value crosses many
// powers of two at once, half-widths up to 3 whose runs go one by one, large
// sums whose runs cross a power of two, sums made exactly),
// windows at the left and right edges and the first and last rows, both
// edge modes.
TEST(FractionalBox, WideRowsWhereTheRoundingDecides) {
  struct Picture {
    const char* name;
    int (*fill)(int x, int y, int c);
  };
  const Picture pictures[] = {
      {"ramps", [](int x, int y, int c) { return (3 * x + 5 * y + 60 * c) & 255; }},
      {"uniform", [](int, int, int c) { return 128 + 61 * c; }},
      {"black then white columns", [](int x, int, int c) { return x % 29 < 13 ? 0 : 255 - c; }},
      {"black bottom rows", [](int x, int y, int c) { return y < 9 ? 0 : (x + c) % 5 + 200; }},
  };
  struct Radii {
    const char* name;
    double (*at)(int x, int y);
  };
  const Radii radii[] = {
      {"4.3", [](int, int) { return 4.3; }},
      {"2.6", [](int, int) { return 2.6; }},
      {"0.45", [](int, int) { return 0.45; }},
      {"a hair above 6", [](int, int) { return 6 + 3.6598255594719534e-11; }},
      {"11.0196", [](int, int) { return 255.5 / 255 * 11; }},
      {"graded", [](int x, int y) { return 0.2 + 9.7 * ((x * 13 + y * 7) % 97) / 97.0; }},
      {"steps of 0.37", [](int x, int) { return 1 + 0.37 * (x % 23); }},
      {"one half-width, fractions apart",
       [](int x, int y) { return 5.05 + 0.9 * ((x * 7 + y) % 10) / 10.0; }},
      // Sums past 255 whose whole runs cross a power of two, where the
      // rounding there decides a byte.
      {"rising across to 10.75", [](int x, int y) { return 12 * (x + 2.0 * y) / 143 + 0.01; }},
      // Whole radii and fractions of few digits: sums the estimates make
      // exactly.
      {"a whole 5", [](int, int) { return 5.0; }},
      {"whole and quarter steps", [](int x, int) { return 2 + 0.25 * (x / 9 % 5); }},
  };
  for (int lanes : vector_lanes) {
    limit_box_lanes(lanes);
    for (int width : {46, 83}) {
      for (const Picture& picture : pictures) {
        TestImage image = filled(width, 24, picture.fill);
        for (const Radii& r : radii) {
          for (bool wrap : {false, true}) {
            expect_all_equal(
                image, wrap, r.at, 12,
                std::string(picture.name) + " r " + r.name + " lanes " + std::to_string(lanes));
          }
        }
      }
    }
  }
  limit_box_lanes(8);
}

// Windows whose rows are far longer than in the tools' usual radii (up to
// 143 columns), beside each other in the lanes: the rows' additions taken
// in pieces must still be made in the loop's order. On a ramp and on a flat
// grey the means are whole numbers, so the loop's rounding decides.
TEST(FractionalBox, LongWindowRowsInLanes) {
  const TestImage images[] = {filled(190, 12, [](int x, int, int c) { return x + 20 * c; }),
                              filled(190, 12, [](int, int, int c) { return 100 + c; })};
  for (int lanes : vector_lanes) {
    limit_box_lanes(lanes);
    for (const TestImage& image : images) {
      for (double r : {33.4, 40.7, 70.2}) {
        expect_all_equal(
            image, false, [r](int x, int) { return r + 0.001 * (x % 5); }, 71,
            "r " + std::to_string(r) + " lanes " + std::to_string(lanes));
      }
    }
  }
  limit_box_lanes(8);
}

// Runs of weight-1 values that cross several powers of two at once, once the
// sum is past 255: a dim bottom of the window, then a bright row, each
// crossing rounding the sum's low bits. Every 23 rows repeat one window's
// rows, whose values less 128 are opposite about its middle row, so that the
// weighted mean is 128 whatever the fraction and the roundings decide bytes;
// at radius 10.219439317953862 (found by search) those of the later
// crossings do.
TEST(FractionalBox, RunsThatCrossSeveralPowersOfTwoAtOnce) {
  const int offsets[11] = {-127, -110, 127, -40, 90, -7, 33, -101, 64, -3, 18};  // rows 0 .. 10
  auto value = [&](int y) {
    const int i = y % 23 - 11;  // the row against the window's middle
    return 128 + (i < 0 ? offsets[i + 11] : i > 0 ? -offsets[11 - i] : 0);
  };
  const TestImage image = filled(96, 92, [&](int, int y, int) { return value(y); });
  auto radius_at = [](int x, int) {
    return x % 3 == 0 ? 10.219439317953862 : 10.02 + 0.96 * ((x * 37) % 97) / 97.0;
  };
  for (int lanes : vector_lanes) {
    limit_box_lanes(lanes);
    expect_all_equal(image, false, radius_at, 11, "lanes " + std::to_string(lanes));
  }
  limit_box_lanes(8);
}

// Taller images go through the tables a band of rows at a time, each band
// with its margins above and below (mapped at the image's top and bottom).
TEST(FractionalBox, TallImagesBandByBand) {
  std::mt19937 random(31);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int height : {70, 97, 150, 211}) {
    for (int width : {1, 5, 13}) {
      TestImage image = filled(width, height, [&](int x, int y, int c) {
        return c == 2 ? static_cast<int>(random() % 256) : (x * 9 + y * 5 + c) & 255;
      });
      for (bool wrap : {false, true}) {
        const std::string what = std::to_string(width) + " x " + std::to_string(height);
        expect_all_equal(
            image, wrap, [](int, int) { return 2.7; }, 2.7, what + " 2.7");
        expect_all_equal(
            image, wrap, [&](int, int) { return 6 * unit(random); }, 6, what + " up to 6");
      }
    }
  }
}

// Rows asked in any order give the same bytes, and so do radii beyond the
// largest one declared (the tables grow for them).
TEST(FractionalBox, RowsInAnyOrderAndRadiiBeyondTheDeclaredLargest) {
  std::mt19937 random(5);
  TestImage image = filled(9, 160, [&](int, int, int) { return random() % 256; });
  for (double declared : {3.5, 0.0}) {
    const EdgeMode mode = declared == 0 ? EdgeMode::wrap : EdgeMode::clamp;
    FractionalBox box(image.source(), mode, declared);
    for (int i = 0; i < 400; ++i) {
      const int x = static_cast<int>(random() % 9), y = static_cast<int>(random() % 160);
      const double r = (random() % 36) / 10.0;
      EXPECT_EQ(box.fractional_box_average(x, y, r),
                reference(image, mode == EdgeMode::wrap, x, y, r))
          << x << ", " << y << " r " << r;
    }
  }
}

// Windows many times the image's size: clamp repeats the edges, wrap goes round
// as often as needed; 64-bit tables take over where 32 bits could overflow.
TEST(FractionalBox, RadiiFarBeyondTheImage) {
  std::mt19937 random(99);
  TestImage image = filled(3, 2, [&](int, int, int) { return random() % 256; });
  for (bool wrap : {false, true}) {
    expect_all_equal(
        image, wrap, [](int x, int y) { return 7.25 + x + 10 * y; }, 30, "beyond");
    expect_all_equal(
        image, wrap, [](int, int) { return 2100.37; }, 2100.37, "64-bit tables");
  }
}

// Just below a whole number r + 1 rounds up; the window keeps the half-width
// trunc(r) + 1 that its weights add up to, so a uniform level stays within one.
TEST(FractionalBox, RadiusAHairBelowAWholeNumber) {
  const double r = std::nextafter(2.0, 0.0);
  EXPECT_EQ(r_out(r), 3) << "r + 1 rounds up to 3";
  EXPECT_EQ(box_window(r).half_width, 2);
  TestImage image = filled(9, 9, [](int, int, int) { return 200; });
  FractionalBox box(image.source(), EdgeMode::clamp, r);
  const uint8_t got = box.fractional_box_average(4, 4, r)[0];
  EXPECT_TRUE(got == 199 || got == 200) << int{got};
  expect_all_equal(
      image, true, [&](int, int) { return r; }, r, "hair below 2");
}

}  // namespace
}  // namespace bmp

namespace bmp {
namespace {

// A pass large enough to be shared among threads: its rows, written in order,
// are those of the reference, whatever thread made them. Each thread's table
// follows its rows down; radii beyond the largest declared make it grow; an
// image about as high as its windows reach is served by one whole-image table.
TEST(FractionalBox, APassSharedAmongThreadsWritesTheSameBytes) {
  struct Case {
    int width, height;
    double declared;  // the largest radius the box is told of
    double spread;    // radii from 0.3 to 0.3 + spread
  };
  const Case cases[] = {{320, 260, 2.7, 2.4}, {320, 260, 0.5, 5.2}, {1700, 40, 12.5, 12.2}};
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> level(0, 255);
  for (const Case& c : cases) {
    TestImage image = filled(c.width, c.height, [&](int x, int y, int channel) {
      return (x * 3 + y * 5 + channel * 40) % 256 / 2 + level(random) / 2;  // ramps with noise
    });
    auto radius_at = [&](int x, int y) { return 0.3 + c.spread * ((x * 7 + y * 3) % 100) / 100.0; };
    for (bool wrap : {false, true}) {
      const std::string what = std::to_string(c.width) + " x " + std::to_string(c.height) +
                               (wrap ? " wrap" : " clamp") + " declared " +
                               std::to_string(c.declared);
      test::Scratch scratch;
      {
        auto out = OutputFile::create(scratch.path("pass.bmp"), "pass.bmp");
        write_bmp24_header(*out, image.width(), image.height());
        FractionalBox box(image.source(), mode_of(wrap), c.declared);
        std::vector<int32_t> reported;
        fractional_box_pass(
            box, image.source(), *out,
            [&](int32_t y, std::span<double> radii) {
              for (size_t x = 0; x < radii.size(); ++x) {
                radii[x] = radius_at(static_cast<int>(x), y);
              }
            },
            [&](int32_t y) { reported.push_back(y); });
        out->commit();
        ASSERT_EQ(reported.size(), static_cast<size_t>(image.height())) << what;
        for (size_t y = 0; y < reported.size(); ++y) {
          ASSERT_EQ(reported[y], static_cast<int32_t>(y)) << what;
        }
      }
      test::Image got = test::decode_bmp24(test::read_file(scratch.path("pass.bmp")));
      test::Image want = test::ref_fractional_pass(image.image, radius_at, wrap);
      ASSERT_EQ(got.pixels.size(), want.pixels.size()) << what;
      for (size_t i = 0; i < want.pixels.size(); ++i) {
        ASSERT_EQ(got.pixels[i], want.pixels[i]) << what << " pixel " << i;
      }
    }
  }
}

// Both passes at once, on images tall enough for many runs and several rings
// of them: the output holds the second pass as the reference makes it, and
// progress runs down the first pass's rows and then the second's, with one
// worker or many. The first pass's rows stay in memory: temp0000 is made and
// left empty. Wrapping edges and windows near the image's height take the
// two plain passes, whose temp0000 holds the first pass.
TEST(FractionalBox, BothPassesAtOnceWriteWhatTwoPassesWrite) {
  struct Case {
    int width, height;
    double declared, spread;  // radii from 0.3 to 0.3 + spread
    bool wrap;
    RadiiCost cost;
    bool at_once;
  };
  const Case cases[] = {{64, 1400, 3.5, 3.2, false, RadiiCost::dear, true},
                        {67, 1100, 2.6, 2.3, false, RadiiCost::cheap, true},
                        {70, 1300, 12.5, 12.2, false, RadiiCost::dear, true},
                        {64, 1000, 3.5, 3.2, true, RadiiCost::dear, false},
                        {300, 60, 3.5, 3.2, false, RadiiCost::dear, false},
                        // Rows wide enough to go in several strips of columns.
                        {1500, 200, 6.5, 6.2, false, RadiiCost::dear, true},
                        {1500, 200, 6.5, 6.2, true, RadiiCost::cheap, false}};
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> level(0, 255);
  for (const Case& c : cases) {
    TestImage image = filled(c.width, c.height, [&](int x, int y, int channel) {
      return (x * 3 + y * 5 + channel * 40) % 256 / 2 + level(random) / 2;
    });
    auto radius_at = [&](int x, int y) { return 0.3 + c.spread * ((x * 7 + y * 3) % 100) / 100.0; };
    const test::Image once = test::ref_fractional_pass(image.image, radius_at, c.wrap);
    const test::Image twice = test::ref_fractional_pass(once, radius_at, c.wrap);
    for (unsigned workers : {1u, 0u}) {
      const std::string what = std::to_string(c.width) + " x " + std::to_string(c.height) +
                               (c.wrap ? " wrap" : " clamp") + " workers " +
                               std::to_string(workers);
      limit_workers(workers);
      test::Scratch scratch;
      TempFileChain temps;
      std::vector<int32_t> reported;
      {
        auto out = OutputFile::create(scratch.path("out.bmp"), "out.bmp");
        fractional_box_blur_twice(
            image.source(), temps, *out, mode_of(c.wrap), c.declared,
            [&](int32_t y, std::span<double> radii) {
              for (size_t x = 0; x < radii.size(); ++x) {
                radii[x] = radius_at(static_cast<int>(x), y);
              }
            },
            c.cost, [&](int32_t y) { reported.push_back(y); });
        out->commit();
      }
      limit_workers(0);
      const std::vector<uint8_t> first_file = test::read_file(temps.temp_bmp_path(0));
      if (c.at_once) {
        ASSERT_TRUE(first_file.empty()) << what << ": temp0000";
      } else {
        ASSERT_EQ(test::decode_bmp24(first_file).pixels, once.pixels) << what << ": temp0000";
      }
      const test::Image second = test::decode_bmp24(test::read_file(scratch.path("out.bmp")));
      ASSERT_EQ(second.pixels, twice.pixels) << what << ": output";
      ASSERT_EQ(reported.size(), 2 * static_cast<size_t>(c.height)) << what;
      for (size_t k = 0; k < reported.size(); ++k) {
        ASSERT_EQ(reported[k], static_cast<int32_t>(k % static_cast<size_t>(c.height))) << what;
      }
    }
  }
}

// A pass that fails half way reports what two plain passes report before
// the failure: the rows of every band of 8 MiB of rows (here 1398 rows of
// 2000 pixels) before the failing row's band, the second pass's rows only
// after all the first pass's, and nothing of a band that fails. Rows are
// made a few at a time: one failing just past a band's start (1399) still
// lets the rows before it count as made. The last runs are shorter (here
// from row 1568 on with many workers): a failure there (1700) is met alike.
TEST(FractionalBox, BothPassesAtOnceFailAsTwoPassesFail) {
  struct Case {
    int pass;  // the pass whose radii fail
    int32_t row;
    int32_t first_rows, second_rows;  // reported before the failure
  };
  const Case cases[] = {{1, 0, 0, 0},       {1, 1500, 1398, 0}, {2, 1500, 1800, 1398},
                        {2, 30, 1800, 0},   {1, 1399, 1398, 0}, {2, 1399, 1800, 1398},
                        {1, 1398, 1398, 0}, {1, 1700, 1398, 0}, {2, 1700, 1800, 1398}};
  const int width = 2000, height = 1800;
  TestImage image =
      filled(width, height, [](int x, int y, int c) { return (x + 2 * y + c) % 256; });
  for (const Case& c : cases) {
    for (unsigned workers : {1u, 0u}) {
      limit_workers(workers);
      std::vector<int> calls(height, 0);  // row_radii calls per row
      std::vector<int32_t> reported;
      bool failed = false;
      {
        test::Scratch scratch;
        TempFileChain temps;
        auto out = OutputFile::create(scratch.path("out.bmp"), "out.bmp");
        try {
          fractional_box_blur_twice(
              image.source(), temps, *out, EdgeMode::clamp, 1.5,
              [&](int32_t y, std::span<double> radii) {
                if (++calls[static_cast<size_t>(y)] == c.pass && y == c.row) {
                  throw std::runtime_error("radii refused");
                }
                std::fill(radii.begin(), radii.end(), 0.5 + (y % 3) * 0.5);
              },
              RadiiCost::cheap, [&](int32_t y) { reported.push_back(y); });
        } catch (const std::runtime_error&) {
          failed = true;
        }
      }
      limit_workers(0);
      const std::string what = "pass " + std::to_string(c.pass) + " row " + std::to_string(c.row) +
                               " workers " + std::to_string(workers);
      ASSERT_TRUE(failed) << what;
      std::vector<int32_t> want;
      for (int32_t y = 0; y < c.first_rows; ++y) want.push_back(y);
      for (int32_t y = 0; y < c.second_rows; ++y) want.push_back(y);
      ASSERT_EQ(reported, want) << what;
    }
  }
}

}  // namespace
}  // namespace bmp
