// The graded row blur engine, run in-process on small images and compared
// byte for byte with the direct implementation of tests/defocus/blur_reference.hpp.
#include "defocus/graded_blur.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/bmp_io.hpp"
#include "tests/defocus/blur_reference.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp {
namespace {

using test::Bytes;
using test::Image;
using test::Pixel;
using test::RefGrade;

GradeProfile profile_of(const RefGrade& g, int height) {
  return grade_profile(grading_of(g.profile), g.d1, g.d2, g.start, g.end, height);
}

// One pass of the engine from the image's file bytes (row ends holding junk)
// into a file, read back; checks the rows are reported in order.
Image engine_pass(const Image& source, const GradeProfile& profile, EdgeMode edges) {
  test::Scratch scratch;
  Bytes file = test::encode_bmp24(source, 0x5a);
  ImageRows rows(file, bmp24_layout(source.width, source.height), "source");
  auto out = OutputFile::create_direct(scratch.path("out.bmp"), "out");
  write_bmp24_header(*out, source.width, source.height);
  std::vector<int32_t> done;
  graded_box_blur_pass(rows, *out, profile, edges, [&](int32_t row) { done.push_back(row); });
  out->commit();
  std::vector<int32_t> expected_done;
  for (int32_t r = 0; r < source.height; ++r) expected_done.push_back(r);
  EXPECT_EQ(done, expected_done);
  return test::decode_bmp24(test::read_file(scratch.path("out.bmp")));
}

std::string describe(const Image& image, const RefGrade& g, bool wrap) {
  return std::to_string(image.width) + "x" + std::to_string(image.height) + " d1 " +
         std::to_string(g.d1) + " d2 " + std::to_string(g.d2) + " start " +
         std::to_string(g.start) + " end " + std::to_string(g.end) + " profile " +
         std::to_string(g.profile) + (wrap ? " wrap" : " clamp");
}

void expect_same_as_reference(const Image& image, const RefGrade& g, bool wrap) {
  Image got =
      engine_pass(image, profile_of(g, image.height), wrap ? EdgeMode::wrap : EdgeMode::clamp);
  Image want = test::ref_pass<uint64_t>(image, g, wrap);
  ASSERT_EQ(got.width, want.width);
  ASSERT_EQ(got.height, want.height);
  for (int r = 0; r < image.height; ++r) {
    for (int c = 0; c < image.width; ++c) {
      const Pixel& a = got.at(c, r);
      const Pixel& b = want.at(c, r);
      ASSERT_TRUE(a == b) << describe(image, g, wrap) << " at column " << c << " row " << r
                          << ": got " << int(a.b) << "," << int(a.g) << "," << int(a.r) << " want "
                          << int(b.b) << "," << int(b.g) << "," << int(b.r);
    }
  }
}

TEST(BoundaryRow, TheProductIsTruncatedNotRounded) {
  struct Case {
    int32_t height;
    double percent;
    int32_t row;
  };
  const Case cases[] = {
      {100, 80, 19},  // 100 × 0.19999999999999996
      {100, 20, 80}, {100, 60, 40}, {100, 0, 100}, {100, 100, 0}, {7, 50, 3},  // 3.5
      {3, 33.4, 1},                                                            // 1.998
      {10, 150, -5},                                                           // beyond the bottom
  };
  for (const Case& c : cases) {
    EXPECT_EQ(boundary_row(c.height, c.percent), c.row)
        << c.height << " rows, " << c.percent << " %";
  }
  GradeProfile p = grade_profile(Grading::turn, 4, 1, 20, 60, 100);
  EXPECT_EQ(p.start_row, 80);
  EXPECT_EQ(p.end_row, 40);
}

TEST(GradeDegree, OneWayRampsFromTheEndLineToTheStartLine) {
  // start 20 %, end 60 % of 100 rows: end_row 40, start_row 80.
  GradeProfile p = grade_profile(Grading::one_way, 9.0, 1.0, 20, 60, 100);
  EXPECT_EQ(grade_degree(0, p), 1.0);
  EXPECT_EQ(grade_degree(39, p), 1.0);
  EXPECT_EQ(grade_degree(40, p), 1.0);  // (8 / 40) × 0 + 1
  EXPECT_EQ(grade_degree(60, p), 5.0);  // (8 / 40) × 20 + 1
  EXPECT_EQ(grade_degree(79, p), (8.0 / 40) * 39 + 1);
  EXPECT_EQ(grade_degree(80, p), 9.0);
  EXPECT_EQ(grade_degree(99, p), 9.0);
  // The whole height: the top row gets D2 + (D1 − D2) × (H − 1) / H.
  GradeProfile whole = grade_profile(Grading::one_way, 9.0, 1.0, 0, 100, 100);
  EXPECT_EQ(grade_degree(0, whole), 1.0);
  EXPECT_EQ(grade_degree(99, whole), (8.0 / 100) * 99 + 1);
}

TEST(GradeDegree, TurnPutsD2InTheMiddleOfTheBand) {
  GradeProfile p = grade_profile(Grading::turn, 9.0, 1.0, 20, 60, 100);
  EXPECT_EQ(grade_degree(39, p), 9.0);
  EXPECT_EQ(grade_degree(80, p), 9.0);
  EXPECT_EQ(grade_degree(0, p), 9.0);
  // Row 40: angle (360 / −40) × −40 = 360, K = (sin 630° + 1) / 2, about 0.
  EXPECT_NEAR(grade_degree(40, p), 9.0, 1e-9);
  // Row 60: angle 180, K = (sin 450° + 1) / 2, about 1.
  EXPECT_NEAR(grade_degree(60, p), 1.0, 1e-9);
  // Row 50: angle 270, K = (sin 540° + 1) / 2, about one half.
  EXPECT_NEAR(grade_degree(50, p), 5.0, 1e-8);
  // The pi literal shows: K at row 60 is (sin(450 × 3.141592654 / 180) + 1) / 2.
  const double k = (std::sin(450 * 3.141592654 / 180) + 1) / 2;
  EXPECT_EQ(grade_degree(60, p), (1.0 - 9.0) * k + 9.0);
}

TEST(GradeDegree, NoRampWhenStartIsNotAboveEnd) {
  for (double start : {50.0, 70.0}) {
    GradeProfile one_way = grade_profile(Grading::one_way, 9.0, 1.0, start, 50, 10);
    GradeProfile turn = grade_profile(Grading::turn, 9.0, 1.0, start, 50, 10);
    for (int32_t row = 0; row < 10; ++row) {
      EXPECT_EQ(grade_degree(row, one_way), row < 5 ? 1.0 : 9.0) << start << " row " << row;
      EXPECT_EQ(grade_degree(row, turn), 9.0) << start << " row " << row;
    }
  }
}

TEST(BoxAverage, TruncatedMeanOfTheBox) {
  EXPECT_EQ(box_average(9 * 255, 1), 255);
  EXPECT_EQ(box_average(8, 1), 0);
  EXPECT_EQ(box_average(17, 1), 1);
  EXPECT_EQ(box_average(200, 0), 200);
  EXPECT_EQ(box_average(25 * 100 - 1, 2), 99);
  // Radius 2052: the box sum of white is 255 × 4105² = 4 297 033 875, past
  // 2^32; the mean is still white.
  EXPECT_EQ(box_average(uint64_t{255} * 4105 * 4105, 2052), 255);
  EXPECT_EQ(box_average(uint64_t{255} * 4105 * 4105 - 1, 2052), 254);
}

TEST(BoxAverage, HugeBoxesGiveTheFloorOfTheTrueMean) {
  // (2 × 4 000 000 + 1)² is about 6.4e13: the sum 200 × n − 1 is no longer a
  // double, and dividing it as one would give 200.
  const uint64_t side = 8000001;
  const uint64_t n = side * side;
  EXPECT_EQ(box_average(200 * n - 1, 4000000), 199);
  EXPECT_EQ(box_average(200 * n, 4000000), 200);
  const uint64_t top = 2 * uint64_t{16777217} + 1;
  EXPECT_EQ(box_average(255 * top * top, 16777217), 255);
}

TEST(TwoBoxBlend, WeightsTheOuterBoxByTheFraction) {
  // 101 × 0.3 + 101 × 0.7 is 30.299999999999997 + 70.69999999999999 =
  // 100.99999999999999: a uniform level can lose one.
  EXPECT_EQ(two_box_blend(101, 101, 0.3, 0), 100);
  EXPECT_EQ(two_box_blend(100, 100, 0.3, 0), 100);
  EXPECT_EQ(two_box_blend(40, 200, 3.0, 3), 200);  // a whole degree is the inner box
  EXPECT_EQ(two_box_blend(40, 200, 0.5, 0), 120);
  EXPECT_EQ(two_box_blend(10, 30, 2.25, 2), 25);  // 10 × 0.25 + 30 × 0.75
}

// Every pixel of small images, for both edge modes, against the reference.
TEST(GradedPass, MatchesTheDirectFormulaOnSmallImages) {
  const RefGrade grades[] = {
      test::ref_even(0),      test::ref_even(0.5),    test::ref_even(1),      test::ref_even(1.25),
      test::ref_even(2.75),   test::ref_even(3),      {2.5, 0.25, 0, 100, 0}, {0, 3.5, 0, 100, 0},
      {3.75, 0.5, 20, 60, 0}, {1.5, 2.25, 25, 75, 1}, {0.75, 3.0, 0, 100, 1}, {2.0, 0.5, 60, 20, 0},
      {2.0, 0.5, 60, 20, 1},  {1.0, 2.5, 50, 50, 0},  {3.25, 0, 10, 90, 1},
  };
  for (int width = 1; width <= 5; ++width) {
    for (int height : {1, 2, 3, 4, 7}) {
      Image image = test::ref_pattern(width, height, static_cast<unsigned>(width * 10 + height));
      for (const RefGrade& g : grades) {
        for (bool wrap : {false, true}) expect_same_as_reference(image, g, wrap);
      }
    }
  }
}

// Radii that change from row to row by more than a row, up and down.
TEST(GradedPass, SteepRampsAndBandsOnALargerImage) {
  Image image = test::ref_pattern(23, 41, 7);
  const RefGrade grades[] = {
      {18.5, 0, 0, 100, 0},    {0, 18.5, 0, 100, 0},  {15.25, 0.5, 30, 70, 1},
      {0.5, 15.25, 30, 70, 1}, {9.0, 2.0, 40, 40, 0}, {12.6, 3.3, 10, 95, 0},
  };
  for (const RefGrade& g : grades) {
    for (bool wrap : {false, true}) expect_same_as_reference(image, g, wrap);
  }
}

// Degrees past the image's size: clamped boxes repeat the edges, wrapped
// boxes go round the image as often as they reach.
TEST(GradedPass, BoxesReachingPastTheImageStayInside) {
  const RefGrade grades[] = {
      test::ref_even(4),    test::ref_even(9.5),     test::ref_even(40.25),
      {0, 31.5, 0, 100, 0}, {57.75, 0.5, 0, 100, 1}, {300, 0, 50, 50, 0},
  };
  for (int width : {1, 2, 3, 5}) {
    for (int height : {1, 3, 4}) {
      Image image = test::ref_pattern(width, height, static_cast<unsigned>(width + 5 * height));
      for (const RefGrade& g : grades) {
        for (bool wrap : {false, true}) expect_same_as_reference(image, g, wrap);
      }
    }
  }
}

// Radius 2100 on a tiny image: the specified 32-bit sums would wrap.
TEST(GradedPass, WideSumsGiveTheTrueMean) {
  Image white = test::solid_image(3, 2, Pixel{255, 255, 255});
  for (EdgeMode edges : {EdgeMode::clamp, EdgeMode::wrap}) {
    Image got = engine_pass(white, grade_profile(Grading::one_way, 2100, 2100, 0, 100, 2), edges);
    for (const Pixel& p : got.pixels) EXPECT_EQ(p, (Pixel{255, 255, 255}));
  }
  Image image = test::ref_pattern(2, 3, 3);
  for (bool wrap : {false, true})
    expect_same_as_reference(image, RefGrade{2100.5, 2052, 0, 100, 0}, wrap);
}

TEST(GradedPass, TheLargestDegreesKeepAUniformImage) {
  Image grey = test::solid_image(3, 2, Pixel{200, 100, 7});
  for (double degree : {max_blur_degree, max_blur_degree - 0.5}) {
    for (EdgeMode edges : {EdgeMode::clamp, EdgeMode::wrap}) {
      Image got =
          engine_pass(grey, grade_profile(Grading::one_way, degree, degree, 0, 100, 2), edges);
      for (const Pixel& p : got.pixels) EXPECT_EQ(p, (Pixel{200, 100, 7})) << degree;
    }
  }
}

TEST(GradedPass, DegreeZeroCopiesTheImage) {
  Image image = test::ref_pattern(5, 4, 11);
  for (EdgeMode edges : {EdgeMode::clamp, EdgeMode::wrap}) {
    Image got = engine_pass(image, grade_profile(Grading::turn, 0, 0, 20, 80, 4), edges);
    EXPECT_EQ(got.pixels, image.pixels);
  }
}

// The corner pixel of a radius-1 box: clamp counts it four times (rows 0, 0,
// 1 and columns 0, 0, 1); wrap takes the far row and column instead.
TEST(GradedPass, CornerBoxOfRadiusOne) {
  Image image = test::make_image(3, 3, [](int c, int r) {
    uint8_t v = static_cast<uint8_t>(10 * (3 * r + c));  // 0 .. 80
    return Pixel{v, v, v};
  });
  Image clamp =
      engine_pass(image, grade_profile(Grading::one_way, 1, 1, 0, 100, 3), EdgeMode::clamp);
  // (4 × 0 + 2 × 10 + 2 × 30 + 40) / 9 = 120 / 9 → 13
  EXPECT_EQ(clamp.at(0, 0).b, 13);
  Image wrap = engine_pass(image, grade_profile(Grading::one_way, 1, 1, 0, 100, 3), EdgeMode::wrap);
  // Every pixel once: 360 / 9 = 40.
  EXPECT_EQ(wrap.at(0, 0).b, 40);
}

}  // namespace
}  // namespace bmp
