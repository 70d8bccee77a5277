// quilt, run as its own process: checkerboards worked out by hand and
// against the cell rule written out plainly.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/draw/gradient_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("QUILT UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: Command Filename X_size Y_size r1 g1 b1 r2 g2 b2 x_step y_step\n"
                          "\n"
                          "ステップが使えます。\n"
                          "WARNING for BMP FILE ONLY\n";

const Pixel one{30, 20, 10};  // r1 10, g1 20, b1 30
const Pixel two{3, 2, 1};     // r2 1, g2 2, b2 3

std::vector<std::string> quilt_args(const std::string& file, int w, int h, int x_step, int y_step) {
  return {file, std::to_string(w),      std::to_string(h),     "10", "20", "30", "1", "2",
          "3",  std::to_string(x_step), std::to_string(y_step)};
}

// Stored row i, column j: R = (H - 1 - i) / y_step, Q = j / x_step (C's
// division), colour 2 where R + Q is even.
Image model_quilt(int w, int h, int x_step, int y_step) {
  return make_image(w, h, [&](int j, int i) {
    const long long sum = (h - 1LL - i) / y_step + j / x_step;
    return sum % 2 == 0 ? two : one;
  });
}

Image run_quilt(int w, int h, int x_step, int y_step) {
  Scratch s;
  ToolResult got = run("quilt", quilt_args(s.path("out.bmp"), w, h, x_step, y_step));
  EXPECT_EQ(got.status, 0) << got.out;
  char line[64];
  std::snprintf(line, sizeof line, "RAND DATA IS %4d * %4d\r", w, h);
  EXPECT_EQ(got.out, progress_lines(h) + line);
  return decode_bmp24(read_file(s.path("out.bmp")));
}

TEST(Quilt, OtherArgumentCountsPrintTheUsage) {
  for (int count : {0, 1, 10, 12}) {
    ToolResult got = run("quilt", std::vector<std::string>(static_cast<size_t>(count), "2"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(Quilt, CellsCountFromTheTopLeftWhichHasColourTwo) {
  // 4 x 4, steps 2: rows listed from the top of the displayed image.
  Image square = run_quilt(4, 4, 2, 2);
  const Pixel top[4] = {two, two, one, one};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(square.at(x, 3), top[x]) << x;
    EXPECT_EQ(square.at(x, 2), top[x]) << x;
    EXPECT_EQ(square.at(x, 1), top[3 - x]) << x;
    EXPECT_EQ(square.at(x, 0), top[3 - x]) << x;
  }
  // Height 5: the bottom stored row is a cell row of its own (R = 2).
  Image tall = run_quilt(4, 5, 2, 2);
  EXPECT_EQ(tall.at(0, 4), two);
  EXPECT_EQ(tall.at(0, 1), one);
  EXPECT_EQ(tall.at(0, 0), two);
  EXPECT_EQ(tall.at(2, 0), one);
}

TEST(Quilt, ColoursTakeTheirLowEightBits) {
  Scratch s;
  ToolResult got =
      run("quilt", {s.path("out.bmp"), "2", "1", "256", "-1", "300", "7", "8", "9", "1", "1"});
  ASSERT_EQ(got.status, 0);
  Image image = decode_bmp24(read_file(s.path("out.bmp")));
  EXPECT_EQ(image.at(0, 0), (Pixel{9, 8, 7}));
  EXPECT_EQ(image.at(1, 0), (Pixel{44, 255, 0}));
}

TEST(Quilt, ImagesMatchTheCellRule) {
  struct Case {
    int w, h, x_step, y_step;
  };
  // Negative steps divide toward zero as well, so the cell at 0 is twice as
  // wide; widths 1 to 5 pad their rows.
  const Case cases[] = {{1, 3, 1, 1},    {2, 5, 1, 2},     {3, 4, 2, 3},   {5, 7, 3, 2},
                        {9, 8, -2, 3},   {9, 8, 3, -2},    {7, 7, -1, -1}, {11, 6, 100, 1},
                        {6, 11, 1, 100}, {300, 200, 7, 13}};
  for (const Case& c : cases) {
    EXPECT_EQ(first_difference(run_quilt(c.w, c.h, c.x_step, c.y_step),
                               model_quilt(c.w, c.h, c.x_step, c.y_step)),
              "")
        << c.w << " x " << c.h << " steps " << c.x_step << ", " << c.y_step;
  }
}

TEST(Quilt, AStepOfZeroIsRefusedAndLeavesNoOutput) {
  for (auto [x_step, y_step, name] :
       {std::tuple{0, 2, "x_step"}, std::tuple{2, 0, "y_step"}, std::tuple{0, 0, "x_step"}}) {
    Scratch s;
    ToolResult got = run("quilt", quilt_args(s.path("out.bmp"), 4, 4, x_step, y_step));
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, std::string(name) + " of 0 !\n");
    EXPECT_FALSE(fs::exists(s.path("out.bmp")));
  }
}

TEST(Quilt, ZeroSizesWriteTheHeaderAndNegativeSizesAreRefused) {
  for (auto [w, h] : {std::pair{0, 3}, std::pair{4, 0}}) {
    Scratch s;
    ToolResult got = run("quilt", quilt_args(s.path("out.bmp"), w, h, 2, 2));
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(Image{w, h, {}}));
    EXPECT_EQ(got.out.substr(0, got.out.find('R')), progress_lines(h));
  }
  Scratch s;
  const std::string out = s.path("out.bmp");
  ToolResult got = run("quilt", quilt_args(out, -4, 4, 2, 2));
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, "Negative size in " + out + " !\n");
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace bmp::test
