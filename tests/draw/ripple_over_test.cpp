// ripple_over, run as its own process: waves and noise worked out by hand
// and against the plain pixel-by-pixel model over many geometries.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/draw/gradient_model.hpp"
#include "tests/draw/ripple_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage =
    banner("WAVE UTILITY 同心型(BMP FILE VERSION)\n") +
    "\n"
    "USAGE: Command Infile Outfile X-原点 Y-原点 半径 波数 原点角度 減衰率\n"
    "                                                   (高さ 0.0 ～ 1.0) (flag)\n" +
    wave_usage_tail;

Image test_picture(int width, int height) {
  return make_image(width, height, [](int x, int y) {
    return Pixel{uint8_t(x * 37 + y * 11), uint8_t(x * 5 ^ y * 29), uint8_t(200 - x * 3 - y)};
  });
}

std::string size_line(int width, int height) {
  return "X_size = " + std::to_string(width) + " Y_size = " + std::to_string(height) +
         " 1670万色\n";
}

Image run_ripple(const Image& in, const std::vector<std::string>& wave) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(in, 0x5a));
  std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
  args.insert(args.end(), wave.begin(), wave.end());
  ToolResult got = run("ripple_over", args);
  EXPECT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(got.out, size_line(in.width, in.height) + progress_lines(in.height));
  return decode_bmp24(read_file(s.path("out.bmp")));
}

TEST(RippleOver, OtherArgumentCountsPrintTheUsage) {
  for (int count : {0, 1, 7, 11}) {
    ToolResult got = run("ripple_over", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(RippleOver, WavesWorkedByHand) {
  const Image in = solid_image(5, 5, Pixel{100, 100, 100});
  struct Case {
    const char* title;
    std::vector<std::string> wave;
    uint8_t centre;  // all three channels of the centre pixel
  };
  // Centre at column 2, stored row 5 - 2 = 3. Radius 1 reaches d <= 0.5:
  // the centre alone, with v = A cos(原点角度°) + 128 and the damping's
  // pow(1, k) = 1.
  const Case cases[] = {
      // v = 255: t = 100 + 255 - 128 = 227.
      {"phase 0", {"2", "2", "1", "3", "0", "2"}, 227},
      // cos 60° is a little under 0.5 with the decimal pi: v = 191.49..., 163.
      {"phase 60", {"2", "2", "1", "3", "60", "2"}, 163},
      // v = 1: t = -27, written as 0.
      {"phase 180", {"2", "2", "1", "3", "180", "0"}, 0},
      // 高さ 0.5 read as an integer is 0: no wave, v = 128.
      {"height 0.5 as an integer", {"2", "2", "1", "3", "0", "2", "0.5"}, 100},
      // 高さ 0.5 as a real: v = 63.5 + 128, trunc(191.5 + 100 - 128) = 163.
      {"height 0.5 as a real", {"2", "2", "1", "3", "0", "2", "0.5", "0"}, 163},
      // 高さ 3: v = 509, t above 255 writes 255.
      {"height 3", {"2", "2", "1", "3", "0", "2", "3"}, 255},
  };
  for (const Case& c : cases) {
    Image out = run_ripple(in, c.wave);
    Image want = in;
    want.at(2, 3) = {c.centre, c.centre, c.centre};
    EXPECT_EQ(first_difference(out, want), "") << c.title;
  }
}

TEST(RippleOver, ARadiusOfZeroOrLessDrawsNoWave) {
  const Image in = test_picture(6, 4);
  for (const char* radius : {"0", "-3"}) {
    EXPECT_EQ(first_difference(run_ripple(in, {"2", "2", radius, "3", "0", "1"}), in), "")
        << radius;
    // Noise mode: every pixel is out of reach.
    WaveCall c{2, 2, std::stoi(radius), 3, 0, 1, 1.0, 1};
    EXPECT_EQ(first_difference(run_ripple(in, wave_args(c)), model_ripple_over(in, c)), "")
        << radius;
  }
}

TEST(RippleOver, NoiseOutOfReachTakesThreeDrawsPerPixelRedFirst) {
  // The first draws from state 1 are 41, 18467, 6334: 96, 132 and 108, so
  // the bottom-left pixel changes by -32 (red), +4 (green) and -20 (blue).
  const Image in = solid_image(3, 2, Pixel{100, 100, 100});
  Image out = run_ripple(in, {"50", "50", "1", "1", "0", "0", "1.0", "1"});
  EXPECT_EQ(out.at(0, 0), (Pixel{80, 104, 68}));
}

// Many random geometries: centres inside and outside the image, radii that
// cut it, negative and zero waves and damping, integer and real heights.
TEST(RippleOver, ImagesMatchThePlainModel) {
  for (const WaveCase& k : random_wave_cases(2026, 40)) {
    const Image in = test_picture(k.width, k.height);
    EXPECT_EQ(first_difference(run_ripple(in, wave_args(k.call)), model_ripple_over(in, k.call)),
              "")
        << describe(k);
  }
}

// Large images are shared among threads, and rows longer than a run go in
// pieces: both draw the noise in the serial order.
TEST(RippleOver, LargeAndWideImagesMatchThePlainModel) {
  struct Case {
    int w, h;
    WaveCall c;
  };
  const Case cases[] = {
      {700, 400, {350, 200, 180, 6, 30, 1, 1.0, 0}},
      {700, 400, {100, 380, 250, 10, -45, 2, 0.8, 1}},
      {1500001, 2, {1400000, 1, 900000, 3, 0, 1, 1.0, 1}},
      // Several runs of rows, the centre in the middle.
      {4000, 800, {2000, 400, 700, 7, 15, 1, 1.0, 0}},
      {4000, 800, {1900, 420, 650, 5, 0, 2, 1.0, 1}},
  };
  for (const Case& k : cases) {
    const Image in = test_picture(k.w, k.h);
    EXPECT_EQ(first_difference(run_ripple(in, wave_args(k.c)), model_ripple_over(in, k.c)), "")
        << k.w << " x " << k.h << " flag " << k.c.flag;
  }
}

TEST(RippleOver, BadInputsAreRefusedAndLeaveNoOutput) {
  struct Case {
    const char* title;
    Bytes file;
    std::string message;
  };
  Bytes good = encode_bmp24(test_picture(3, 2));
  Bytes wrong_magic = good;
  wrong_magic[1] = 'X';
  Bytes eight_bit = good;
  put_le16(eight_bit, 28, 8);
  const Case cases[] = {
      {"wrong magic", wrong_magic, "Wrong Format !\n"},
      {"8 bits", eight_bit, "このファイルは1670万色タイプではありません\n"},
  };
  for (const Case& c : cases) {
    Scratch s;
    write_file(s.path("in.bmp"), c.file);
    ToolResult got =
        run("ripple_over", {s.path("in.bmp"), s.path("out.bmp"), "1", "1", "5", "2", "0", "1"});
    EXPECT_EQ(got.status, 1) << c.title;
    EXPECT_EQ(got.out, c.message) << c.title;
    EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << c.title;
  }
  Scratch s;
  const std::string missing = s.path("missing.bmp");
  ToolResult got = run("ripple_over", {missing, s.path("out.bmp"), "1", "1", "5", "2", "0", "1"});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, "\ncan't open source file " + missing + "\n");
}

}  // namespace
}  // namespace bmp::test
