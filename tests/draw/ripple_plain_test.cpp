// ripple_plain, run as its own process: new wave images worked out by hand
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
    "USAGE: Command File Y_size X_size X-原点 Y-原点 半径 波数 原点角度 減衰率\n"
    "                                                          (高さ 0.0～1.0) (flag)\n" +
    wave_usage_tail;

Image run_plain(int width, int height, const std::vector<std::string>& wave) {
  Scratch s;
  std::vector<std::string> args{s.path("out.bmp"), std::to_string(width), std::to_string(height)};
  args.insert(args.end(), wave.begin(), wave.end());
  ToolResult got = run("ripple_plain", args);
  EXPECT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(got.out, progress_lines(height));
  return decode_bmp24(read_file(s.path("out.bmp")));
}

Image grey_image(int width, int height, uint8_t grey) {
  return solid_image(width, height, Pixel{grey, grey, grey});
}

TEST(RipplePlain, OtherArgumentCountsPrintTheUsage) {
  for (int count : {0, 1, 8, 12}) {
    ToolResult got = run("ripple_plain", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(RipplePlain, TheSecondArgumentIsTheWidthAndTheCentreRowCountsFromTheTop) {
  // 7 wide, 3 high; Y-原点 1 puts the centre on stored row 3 - 1 = 2, the
  // top row. Radius 1 reaches the centre alone: trunc(127 cos 0° + 128) = 255.
  Image image = run_plain(7, 3, {"1", "1", "1", "2", "0", "1"});
  Image want = grey_image(7, 3, 128);
  want.at(1, 2) = {255, 255, 255};
  EXPECT_EQ(first_difference(image, want), "");
  // 高さ 3 as an integer: trunc(381 + 128) is clamped to 255; phase 180 with
  // 高さ 2 gives trunc(-254 + 128), clamped to 0.
  want.at(1, 2) = {0, 0, 0};
  EXPECT_EQ(first_difference(run_plain(7, 3, {"1", "1", "1", "2", "180", "1", "2"}), want), "");
}

TEST(RipplePlain, ARadiusOfZeroOrLessDrawsNoWave) {
  for (int radius : {0, -5}) {
    EXPECT_EQ(first_difference(run_plain(5, 4, {"2", "2", std::to_string(radius), "2", "0", "1"}),
                               grey_image(5, 4, 128)),
              "")
        << radius;
  }
  // Noise mode: one draw per pixel, its base; the first draw 41 gives 96.
  Image noisy = run_plain(5, 4, {"2", "2", "0", "2", "0", "1", "1.0", "1"});
  EXPECT_EQ(noisy.at(0, 0), (Pixel{96, 96, 96}));
  EXPECT_EQ(first_difference(noisy, model_ripple_plain(5, 4, {2, 2, 0, 2, 0, 1, 1.0, 1})), "");
}

TEST(RipplePlain, ImagesMatchThePlainModel) {
  for (const WaveCase& k : random_wave_cases(5110, 40)) {
    EXPECT_EQ(first_difference(run_plain(k.width, k.height, wave_args(k.call)),
                               model_ripple_plain(k.width, k.height, k.call)),
              "")
        << describe(k);
  }
}

TEST(RipplePlain, LargeImagesSharedAmongThreadsMatchThePlainModel) {
  for (int flag : {0, 1}) {
    const WaveCall c{300, 150, 280, 8, 90, 1, 0.9, flag};
    EXPECT_EQ(first_difference(run_plain(700, 400, wave_args(c)), model_ripple_plain(700, 400, c)),
              "")
        << flag;
  }
}

TEST(RipplePlain, ZeroSizesWriteTheHeaderAndNegativeSizesAreRefused) {
  for (auto [w, h] : {std::pair{0, 3}, std::pair{4, 0}}) {
    Scratch s;
    ToolResult got = run("ripple_plain", {s.path("out.bmp"), std::to_string(w), std::to_string(h),
                                          "1", "1", "5", "2", "0", "1", "1.0", "1"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.out, progress_lines(h));
    EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(Image{w, h, {}}));
  }
  Scratch s;
  const std::string out = s.path("out.bmp");
  ToolResult got = run("ripple_plain", {out, "4", "-1", "1", "1", "5", "2", "0", "1"});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, "Negative size in " + out + " !\n");
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace bmp::test
