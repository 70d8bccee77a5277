// The rotation engine: margins, frames, windows, the inverse mapping and the
// kernels' means, checked against values worked out by hand.
#include "geometry/rotation.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <type_traits>
#include <vector>

#include "core/failure.hpp"
#include "tests/geometry/rotation_reference.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp {
namespace {

struct FrameCase {
  double angle;
  int32_t ex, ey, a, b, auto_width, auto_height;
};

// A 640 x 480 input: M = 640, S = 1280, L = 320, B = 400.
TEST(RotationFrame, TheMarginTableOfA640By480Input) {
  const FrameCase cases[] = {
      {0, -1, -1, 321, 401, 638, 478},    {1, 6, 7, 314, 393, 652, 494},
      {30, 79, 129, 241, 271, 798, 738},  {45, 77, 157, 243, 243, 794, 794},
      {90, -81, 79, 401, 321, 478, 638},  {135, 77, 157, 243, 243, 794, 794},
      {180, -1, -1, 321, 401, 638, 478},  {270, -81, 79, 401, 321, 478, 638},
      {-90, -81, 79, 401, 321, 478, 638}, {359, 6, 7, 314, 393, 652, 494},
      {360, -1, -1, 321, 401, 638, 478},  {720, -1, -1, 321, 401, 638, 478},
      {-360, -1, -1, 321, 401, 638, 478},
  };
  for (const FrameCase& c : cases) {
    RotationFrame f = rotation_frame(640, 480, compute_rotation_margins(c.angle, 640, 480));
    EXPECT_EQ(f.centre, 640);
    EXPECT_EQ(f.side, 1280);
    EXPECT_EQ(f.left, 320);
    EXPECT_EQ(f.bottom, 400);
    EXPECT_EQ(f.margins, (RotationMargins{c.ex, c.ey})) << c.angle;
    EXPECT_EQ(f.grown_column, c.a) << c.angle;
    EXPECT_EQ(f.grown_row, c.b) << c.angle;
    EXPECT_EQ(f.auto_width, c.auto_width) << c.angle;
    EXPECT_EQ(f.auto_height, c.auto_height) << c.angle;
  }
}

TEST(RotationFrame, ASquareAt45DegreesAndOddSides) {
  RotationFrame f = rotation_frame(100, 100, compute_rotation_margins(45, 100, 100));
  EXPECT_EQ(f.margins, (RotationMargins{22, 22}));
  EXPECT_EQ(f.grown_column, 28);
  EXPECT_EQ(f.grown_row, 28);
  EXPECT_EQ(f.auto_width, 144);
  EXPECT_EQ(f.auto_height, 144);

  RotationFrame odd = rotation_frame(641, 481, RotationMargins{});
  EXPECT_EQ(odd.side, 1282);
  EXPECT_EQ(odd.left, 320);
  EXPECT_EQ(odd.bottom, 400);
}

TEST(RotationFrame, EvenSidesLoseTwoPixelsAtTheRightAngles) {
  for (auto [x, y] : {std::pair{8, 6}, {6, 8}, {100, 40}, {2, 2}}) {
    for (double angle : {0.0, 180.0}) {
      RotationFrame f = rotation_frame(x, y, compute_rotation_margins(angle, x, y));
      EXPECT_EQ(f.auto_width, x - 2) << x << "x" << y << " at " << angle;
      EXPECT_EQ(f.auto_height, y - 2) << x << "x" << y << " at " << angle;
    }
    for (double angle : {90.0, 270.0, -90.0}) {
      RotationFrame f = rotation_frame(x, y, compute_rotation_margins(angle, x, y));
      EXPECT_EQ(f.auto_width, y - 2) << x << "x" << y << " at " << angle;
      EXPECT_EQ(f.auto_height, x - 2) << x << "x" << y << " at " << angle;
    }
  }
}

TEST(RotationFrame, BoundingBoxMarginsUseThePlusTwoRuleAtRightAnglesToo) {
  // 640 x 480 at 0 and 180: the box is the input itself, half(0) + 2.
  EXPECT_EQ(bounding_box_margins(0, 640, 480), (RotationMargins{2, 2}));
  EXPECT_EQ(bounding_box_margins(180, 640, 480), (RotationMargins{2, 2}));
  // At 90 and 270 the box is 480 x 640: half(480 - 640) + 2, half(640 - 480) + 2.
  EXPECT_EQ(bounding_box_margins(90, 640, 480), (RotationMargins{-78, 82}));
  EXPECT_EQ(bounding_box_margins(-90, 640, 480), (RotationMargins{-78, 82}));
  for (double angle : {1.0, 30.0, 45.0, 135.0, 359.0, -45.0}) {
    EXPECT_EQ(bounding_box_margins(angle, 640, 480), compute_rotation_margins(angle, 640, 480));
  }
}

TEST(RotationWindow, OriginIsTheInputsOwnAreaShiftedForOddSides) {
  struct Case {
    int32_t x, y;
    double angle;
  };
  for (const Case& c : {Case{640, 480, 30},
                        {641, 481, 30},
                        {7, 6, 90},
                        {6, 7, 1},
                        {9, 9, 45},
                        {5, 5, 0},
                        {3, 2, 270}}) {
    RotationFrame f = rotation_frame(c.x, c.y, compute_rotation_margins(c.angle, c.x, c.y));
    const int32_t px = c.x % 2, py = c.y % 2;
    EXPECT_EQ(rotation_window(f, SizeMode::origin),
              (PixelWindow{f.left + px, f.left + px + c.x, f.bottom + py, f.bottom + py + c.y}))
        << c.x << "x" << c.y << " at " << c.angle;
    EXPECT_EQ(
        rotation_window(f, SizeMode::auto_size),
        (PixelWindow{f.grown_column, f.side - f.grown_column, f.grown_row, f.side - f.grown_row}));
  }
}

TEST(RotationWindow, TinyImagesWhoseWindowMissesTheirSizeAreRefused) {
  // 1 x 1 at 30 degrees: ex = ey = 2, a = b = half(-3) = -1, so the origin
  // window runs from column 2 to 1: no pixel at all.
  RotationFrame f = rotation_frame(1, 1, compute_rotation_margins(30, 1, 1));
  EXPECT_EQ(rotation_window(f, SizeMode::origin), (PixelWindow{2, 1, 2, 1}));
  EXPECT_THROW(check_window(rotation_window(f, SizeMode::origin), 1, 1, "in.bmp"), ToolFailure);
  EXPECT_NO_THROW(check_window(rotation_window(f, SizeMode::auto_size), 4, 4, "in.bmp"));
  // 1 x 1 at 90 degrees: the grown box has no column (W_a = 0).
  RotationFrame right = rotation_frame(1, 1, compute_rotation_margins(90, 1, 1));
  EXPECT_EQ(right.auto_width, 0);
  try {
    check_window(rotation_window(right, SizeMode::auto_size), 0, 0, "in.bmp");
    ADD_FAILURE() << "an empty window passed";
  } catch (const ToolFailure& failure) {
    EXPECT_STREQ(failure.what(), "Image too small to turn: in.bmp !\n");
  }
}

TEST(TurnSize, RefusedOnlyWhereTheFileWouldNotFitItsSizeField) {
  // 24-bit: 37836 x 37836 gives 54 + 37836 x 113508 = 4294688742 bytes, which
  // fits; 37838 x 37838 does not. One row of 1431655745 pixels takes
  // 54 + 4294967235 + 1 = 4294967290 bytes; of 1431655747, 4294967298.
  // 4-byte: 32766 x 32766 fits (4294443146), 32768 x 32768 does not.
  EXPECT_NO_THROW(check_turned_size(37836, 37836, 3, "in.bmp"));
  EXPECT_THROW(check_turned_size(37838, 37838, 3, "in.bmp"), ToolFailure);
  EXPECT_NO_THROW(check_turned_size(1431655745, 1, 3, "in.bmp"));
  EXPECT_THROW(check_turned_size(1431655747, 1, 3, "in.bmp"), ToolFailure);
  EXPECT_NO_THROW(check_turned_size(32766, 32766, 4, "in.bmp"));
  try {
    check_turned_size(32768, 32768, 4, "in.bmp");
    ADD_FAILURE() << "a 32768 x 32768 4-byte image passed";
  } catch (const ToolFailure& failure) {
    EXPECT_STREQ(failure.what(), "Image too large to turn: in.bmp !\n");
  }
  EXPECT_NO_THROW(check_turned_size(0, 0, 3, "in.bmp"));
  EXPECT_NO_THROW(check_turned_size(-2, 5, 3, "in.bmp")) << "left to the window check";
}

TEST(TurnSize, FramesPassTheir32BitIntegersOnlyBeyondALargerSideOf2To30) {
  // S = 2M must stay 8 below 2^31 - 1 = 2147483647.
  EXPECT_NO_THROW(check_frame_size(1073741819, 1, "in.bmp"));
  EXPECT_NO_THROW(check_frame_size(1, 1073741819, "in.bmp"));
  EXPECT_THROW(check_frame_size(1073741820, 1, "in.bmp"), ToolFailure);
  EXPECT_THROW(check_frame_size(3, 1073741820, "in.bmp"), ToolFailure);
}

// The canvas as the kernels see it, never made: sampled over a window that
// reaches beyond the canvas on every side, at angles that cross it every
// way, against the model's canvas pixel (c, r) = input pixel
// (clamp(c - L, 0, X - 1), clamp(r - B, 0, Y - 1)) (or the fill colour
// outside the input for the solid canvas), and the fill colour beyond it.
class CanvasSampling : public testing::Test {
 protected:
  template <int bpp>
  test::Bytes turned(const ImageRows& input, const Canvas& canvas, const PixelWindow& window,
                     double angle, SampleSet samples) {
    const std::string path = scratch.path("turned.bin");
    {
      auto out = OutputFile::create_direct(path, "turned.bin");
      const Turn turn{canvas.frame.centre, canvas.frame.centre, angle, samples,
                      canvas.fill,         canvas.placement()};
      sample_turn<bpp>(input, window, turn, *out, [](int32_t) {});
      out->commit();
    }
    return test::read_file(path);
  }
  test::Scratch scratch;
};

TEST_F(CanvasSampling, EdgeAndSolidCanvasesOfBothPixelSizesMatchTheModel) {
  namespace reference = test::reference;
  const std::pair<SampleSet, const reference::Offsets*> sets[] = {
      {SampleSet::one_sample, &reference::one_sample},
      {SampleSet::eight_samples, &reference::eight_samples}};
  for (auto [w, h] : {std::pair{3, 2}, {5, 3}, {4, 4}, {2, 7}, {1, 1}, {0, 3}, {9, 0}}) {
    const test::Image image = test::make_image(w, h, [](int c, int r) {
      return test::Pixel{uint8_t(c), uint8_t(r), uint8_t(10 * c + r)};
    });
    const test::Image4 image4 = test::make_image4(w, h, [](int c, int r) {
      return test::Pixel4{uint8_t(100 + c), uint8_t(r), uint8_t(c ^ r), 6};
    });
    const test::Bytes file = test::encode_bmp24(image, 0xee);  // junk row ends are never read
    const test::Bytes file4 = test::encode_bmp4(image4);
    const ImageRows rows(file, bmp24_layout(w, h), "in.bmp");
    const ImageRows rows4(file4, bmp32_layout(w, h), "in.bmp");
    const RotationFrame frame = rotation_frame(w, h, RotationMargins{});
    const reference::Frame f = reference::frame(w, h, {0, 0});
    const int32_t S = frame.side;
    const PixelWindow window{-3, S + 3, -2, S + 4};
    const reference::Window model_window{-3, S + 3, -2, S + 4};
    const FillColour colour = FillColour::of(9, 8, 7, 4);
    for (bool solid : {false, true}) {
      const Canvas canvas =
          solid ? build_solid_canvas(rows, frame, colour) : build_edge_canvas(rows, frame);
      const Canvas canvas4 =
          solid ? build_solid_canvas(rows4, frame, colour) : build_edge_canvas(rows4, frame);
      for (double angle : {0.0, 33.0, 90.0, 180.0, 251.0}) {
        for (const auto& [set, set_offsets] : sets) {
          const reference::Offsets* offsets = set_offsets;  // a lambda below takes it
          SCOPED_TRACE(testing::Message() << w << "x" << h << (solid ? " solid " : " edge ")
                                          << angle << " degrees, " << offsets->size());
          auto model = [&](const reference::Grid& input, reference::Channels fill) {
            std::optional<reference::Channels> inside;
            if (solid) inside = fill;
            return reference::turn(reference::canvas(input, f, inside), model_window, f.M, f.M,
                                   angle, *offsets, solid ? fill : reference::Channels{});
          };
          const test::Image want = reference::to_image(
              model(reference::from_image(image), reference::Channels{7, 8, 9, 0}));
          const test::Bytes want_file = test::encode_bmp24(want);
          EXPECT_EQ(turned<3>(rows, canvas, window, angle, set),
                    test::Bytes(want_file.begin() + 54, want_file.end()));
          const test::Image4 want4 = reference::to_image4(
              model(reference::from_image4(image4), reference::Channels{4, 9, 8, 7}));
          const test::Bytes want_file4 = test::encode_bmp4(want4);
          EXPECT_EQ(turned<4>(rows4, canvas4, window, angle, set),
                    test::Bytes(want_file4.begin() + 122, want_file4.end()));
        }
      }
    }
  }
}

TEST(RotateSourcePosition, AtZeroDegreesTheCentreColumnAndRowAppearTwice) {
  const TurnAngle zero = turn_angle(0);
  const SampleOffset o{0.2, 0.2};
  const int32_t cx = 5, cy = 7;
  for (int32_t j = 0; j < 10; ++j) {
    SourcePosition p = rotate_source_position(j, cy, cx, cy, o, zero);
    EXPECT_EQ(p.sx, j <= cx ? j : j - 1) << j;
    EXPECT_EQ(p.sy, cy);
  }
  for (int32_t i = 0; i < 14; ++i) {
    EXPECT_EQ(rotate_source_position(cx, i, cx, cy, o, zero).sy, i <= cy ? i : i - 1) << i;
  }
}

TEST(RotateSourcePosition, CosineOf90DegreesIsNotZero) {
  // t = 90 x 3.141592654 / 180 lies about 2.05e-10 beyond a right angle, so
  // cos t is about -2.05e-10 and sin t rounds to 1. With offset (0.95, 0.5)
  // at j = cx, i = cy + 2: dx = 0.45, dy = 2, and cos t dx + dy falls just
  // short of 2: sx = cx + 1, where an exact 0 would give cx + 2.
  const TurnAngle t = turn_angle(90);
  EXPECT_LT(t.cos_t, -2.0e-10);
  EXPECT_GT(t.cos_t, -2.1e-10);
  EXPECT_EQ(t.sin_t, 1.0);
  EXPECT_EQ(rotate_source_position(10, 12, 10, 10, SampleOffset{0.95, 0.5}, t),
            (SourcePosition{11, 10}));
  // dx = -0.55 instead: the product is positive and 2 + 1.1e-10 truncates to 2.
  EXPECT_EQ(rotate_source_position(9, 12, 10, 10, SampleOffset{0.95, 0.5}, t),
            (SourcePosition{12, 10}));
}

TEST(SampleSets, OffsetsInFetchOrder) {
  auto eight = sample_offsets(SampleSet::eight_samples);
  ASSERT_EQ(eight.size(), 8u);
  EXPECT_EQ(eight[4].ox, 0.5);
  EXPECT_EQ(eight[4].oy, 0.05);
  EXPECT_EQ(eight[7].ox, 0.05);
  ASSERT_EQ(sample_offsets(SampleSet::four_samples).size(), 4u);
  EXPECT_EQ(sample_offsets(SampleSet::four_samples)[1].ox, 0.8);
  EXPECT_EQ(sample_offsets(SampleSet::one_sample)[0].oy, 0.2);
}

// Kernel means on a 4 x 4 source at 0 degrees about (2, 2): the output pixel
// at (3, 3) reads, with four samples, source pixels (2,2), (3,2), (2,3),
// (3,3) once each; with eight samples (2,2) once, (3,2) and (2,3) twice and
// (3,3) three times.
class KernelMean : public testing::Test {
 protected:
  // One output pixel from a source whose pixel (column, row) has bytes p(c, r).
  template <int bpp>
  std::vector<uint8_t> one_pixel(SampleSet samples,
                                 const std::function<std::array<uint8_t, bpp>(int, int)>& p,
                                 FillColour fill = {}) {
    const int64_t header = bpp == 3 ? 54 : 122;
    const int64_t row = bpp == 3 ? 12 : 16;  // 4 pixels, no padding either way
    std::vector<uint8_t> file(static_cast<size_t>(header + 4 * row), 0);
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) {
        auto bytes = p(c, r);
        std::copy(bytes.begin(), bytes.end(), file.begin() + header + r * row + bpp * c);
      }
    }
    ImageRows grid(file, bpp == 3 ? bmp24_layout(4, 4) : bmp32_layout(4, 4), "source");
    std::string path = scratch.path("out.bin");
    {
      auto out = OutputFile::create_direct(path, "out.bin");
      sample_turn<bpp>(grid, PixelWindow{3, 4, 3, 4}, Turn{2, 2, 0, samples, fill, {}}, *out,
                       [](int32_t) {});
      out->commit();
    }
    return test::read_file(path);
  }
  test::Scratch scratch;
};

TEST_F(KernelMean, FourSamplesOf0_0_0_255Give63) {
  auto got = one_pixel<3>(SampleSet::four_samples, [](int c, int r) -> std::array<uint8_t, 3> {
    const bool far = c == 3 && r == 3;
    return {uint8_t(far ? 255 : 0), uint8_t(c == 2 && r == 2 ? 255 : 0), 200};
  });
  // blue 255 / 4, green 255 / 4, red 800 / 4; then 1 zero byte (width 1).
  EXPECT_EQ(got, (std::vector<uint8_t>{63, 63, 200, 0}));
}

TEST_F(KernelMean, EightSamplesWeighTheirPixelsOneTwoTwoThree) {
  auto got = one_pixel<3>(SampleSet::eight_samples, [](int c, int r) -> std::array<uint8_t, 3> {
    return {uint8_t(c == 3 && r == 3 ? 255 : 0), uint8_t(c == 2 && r == 2 ? 255 : 0),
            uint8_t(c == 3 && r == 2 ? 255 : 0)};
  });
  // 3 x 255 / 8 = 95.6, 255 / 8 = 31.9, 2 x 255 / 8 = 63.75.
  EXPECT_EQ(got, (std::vector<uint8_t>{95, 31, 63, 0}));
}

TEST_F(KernelMean, OneSampleTakesTheNearestPixelAndFourBytePixelsAverageAlpha) {
  auto nearest = one_pixel<4>(SampleSet::one_sample, [](int c, int r) -> std::array<uint8_t, 4> {
    return {uint8_t(10 * c + r), 1, 2, 3};
  });
  EXPECT_EQ(nearest, (std::vector<uint8_t>{22, 1, 2, 3})) << "(3, 3) samples (2, 2); no row end";
  auto eight = one_pixel<4>(SampleSet::eight_samples, [](int c, int r) -> std::array<uint8_t, 4> {
    return {uint8_t(c == 3 && r == 3 ? 255 : 0), 8, uint8_t(c == 2 ? 80 : 0), 255};
  });
  // alpha 3 x 255 / 8 = 95; green: (2,2) and (2,3) give 3 x 80 / 8 = 30.
  EXPECT_EQ(eight, (std::vector<uint8_t>{95, 8, 30, 255}));
}

TEST_F(KernelMean, SamplesOutsideTheSourceTakeTheFillColour) {
  // Output column 10 about (2, 2) at 0 degrees reads source columns 9 and
  // 10, beyond the 4-pixel source: every sample is the fill colour.
  const std::vector<uint8_t> file(54 + 4 * 12, 77);
  ImageRows grid(file, bmp24_layout(4, 4), "source");
  std::string path = scratch.path("fill.bin");
  {
    auto out = OutputFile::create_direct(path, "fill.bin");
    sample_turn<3>(grid, PixelWindow{10, 11, 0, 1},
                   Turn{2, 2, 0, SampleSet::eight_samples, FillColour::of(1, 2, 259), {}}, *out,
                   [](int32_t) {});
    out->commit();
  }
  EXPECT_EQ(test::read_file(path), (std::vector<uint8_t>{3, 2, 1, 0})) << "blue 259 -> 3";
}

// A window larger than its source, turned about a point off its centre: rows
// whose samples leave the source at the left, at the right, at both ends or
// everywhere, and rows wholly inside it, checked against the model pixel by
// pixel for both pixel sizes and every sample set.
TEST_F(KernelMean, RowsLeavingTheSourceAtEitherEndMatchTheModel) {
  namespace reference = test::reference;
  using test::Image, test::Image4, test::Pixel, test::Pixel4;
  auto pixels_after = [](const test::Bytes& file, size_t header) {
    return test::Bytes(file.begin() + static_cast<ptrdiff_t>(header), file.end());
  };
  const Image image = test::make_image(37, 23, [](int c, int r) {
    return Pixel{uint8_t(c * 7 + r), uint8_t(r * 11), uint8_t(c ^ r)};
  });
  const Image4 image4 = test::make_image4(37, 23, [](int c, int r) {
    return Pixel4{uint8_t(c * r), uint8_t(c * 7 + r), uint8_t(r * 11), uint8_t(c ^ r)};
  });
  const test::Bytes file = test::encode_bmp24(image, 0xee);
  const test::Bytes file4 = test::encode_bmp4(image4);
  const reference::Grid grid = reference::from_image(image);
  const reference::Grid grid4 = reference::from_image4(image4);
  const ImageRows rows(file, bmp24_layout(37, 23), "source");
  const ImageRows rows4(file4, bmp32_layout(37, 23), "source");
  const PixelWindow window{-9, 52, -12, 40};
  const FillColour fill = FillColour::of(1, 2, 3, 4);
  const std::pair<SampleSet, const reference::Offsets*> sets[] = {
      {SampleSet::one_sample, &reference::one_sample},
      {SampleSet::four_samples, &reference::four_samples},
      {SampleSet::eight_samples, &reference::eight_samples}};
  for (double angle : {0.0, 17.0, 90.0, 135.0, 200.0, -30.0, 300.0}) {
    for (const auto& [set, set_offsets] : sets) {
      const reference::Offsets* offsets = set_offsets;  // a lambda below takes it
      const Turn turn{21, 9, angle, set, fill, {}};
      const reference::Window w{window.c0, window.c1, window.r0, window.r1};
      SCOPED_TRACE(testing::Message() << angle << " degrees, " << offsets->size() << " samples");
      // The kernel's rows for 3- or 4-byte pixels, and the model's.
      auto turned = [&](auto bytes_per_pixel, const ImageRows& source) {
        const std::string path = scratch.path("turned.bin");
        {
          auto out = OutputFile::create_direct(path, "turned.bin");
          sample_turn<decltype(bytes_per_pixel)::value>(source, window, turn, *out, [](int32_t) {});
          out->commit();
        }
        return test::read_file(path);
      };
      auto model = [&](const reference::Grid& from, reference::Channels channels) {
        return reference::turn(reference::grid_source(from), w, 21, 9, angle, *offsets, channels);
      };
      EXPECT_EQ(turned(std::integral_constant<int, 3>{}, rows),
                pixels_after(test::encode_bmp24(
                                 reference::to_image(model(grid, reference::Channels{3, 2, 1, 0}))),
                             54));
      EXPECT_EQ(turned(std::integral_constant<int, 4>{}, rows4),
                pixels_after(test::encode_bmp4(reference::to_image4(
                                 model(grid4, reference::Channels{4, 1, 2, 3}))),
                             122));
    }
  }
}

}  // namespace
}  // namespace bmp
