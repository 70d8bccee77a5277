// border, run as its own process: frames checked against the plain per-pixel
// weight of the rule, values worked out by hand, and its header handling.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "tests/draw/gradient_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("BORDER UTILITY(BMP FILE VERSION)\n") +
                          "USAGE: COMMAND Infile Outfile 幅 ROUND RED GREEN BLUE (flag)\n"
                          "\n"
                          "--- FLAG ---\n"
                          "0 --- S-line\n"
                          "1 --- SIN\n"
                          "2 --- Liner\n"
                          "WARNING for BMP FILE ONLY\n";

Image picture(int width, int height) {
  return make_image(width, height, [](int x, int y) {
    return Pixel{uint8_t(x * 37 + y * 11), uint8_t(200 - x * 9 - y * 13), uint8_t(x * y * 7 + 5)};
  });
}

struct Frame {
  int width, round, red, green, blue, flag;
};

// The weight of column c, stored row r: corner squares first, then the
// bottom, left, top and right bands.
double frame_alpha(const Frame& f, int w, int h, int c, int r) {
  const double pi = 3.141592654, I = f.width;
  auto fall = [&](double x) {
    if (f.flag == 0) return (std::sin((180 / I * x + 270) * pi / 180) + 1) * 127.5;
    if (f.flag == 1) return (std::sin((90 / I * x + 270) * pi / 180) + 1) * 255;
    return 1.0 / I * x * 255;
  };
  const long long P = (long long)f.width + f.round;
  auto corner = [&](double cx, double cy) {
    const double d = std::sqrt((c - cx) * (c - cx) + (r - cy) * (r - cy));
    if (d > P) return 255.0;
    if (d >= f.round) return fall(d - f.round);
    return 0.0;
  };
  if (c <= P && r <= P) return corner(P, P);
  if (c >= w - P - 1 && r <= P) return corner(w - P - 1, P);
  if (c <= P && r >= h - P - 1) return corner(P, h - P - 1);
  if (c >= w - P - 1 && r >= h - P - 1) return corner(w - P - 1, h - P - 1);
  if (r <= f.width) return fall(f.width - r);
  if (c <= f.width) return fall(f.width - c);
  if (r >= h - f.width) return fall(r - (h - f.width - 1));
  if (c >= w - f.width) return fall(c - (w - f.width - 1));
  return 0;
}

Image expected_border(const Image& in, const Frame& f) {
  Image out = in;
  for (int r = 0; r < in.height; ++r) {
    for (int c = 0; c < in.width; ++c) {
      const double a = frame_alpha(f, in.width, in.height, c, r);
      Pixel& p = out.at(c, r);
      auto mix = [&](uint8_t v, int colour) {
        return uint8_t(static_cast<long long>(((255 - a) * v + a * colour) / 255));
      };
      p = {mix(p.b, f.blue), mix(p.g, f.green), mix(p.r, f.red)};
    }
  }
  return out;
}

std::vector<std::string> border_args(const Scratch& s, const Frame& f) {
  return {s.path("in.bmp"),        s.path("out.bmp"),     std::to_string(f.width),
          std::to_string(f.round), std::to_string(f.red), std::to_string(f.green),
          std::to_string(f.blue),  std::to_string(f.flag)};
}

std::string size_line(int w, int h) {
  return "Infile1 X_size = " + std::to_string(w) + " Y_size = " + std::to_string(h) + " 1670万色\n";
}

std::string done(int w, int h) {
  char line[64];
  std::snprintf(line, sizeof line, "This size is %4d * %4d\n\n", w, h);
  return size_line(w, h) + size_line(w, h) + progress_lines(h) + line;
}

TEST(Border, OtherArgumentCountsPrintTheUsageAndALoneArgumentIsRefused) {
  for (int count : {0, 2, 6, 9}) {
    ToolResult got = run("border", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
  ToolResult lone = run("border", {"no-such-file.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "\nWrong Paramater !\n");
}

TEST(Border, ALinearFrameWorkedByHand) {
  // 幅 10, ROUND 0, Liner: row 0 weight 255, row 9 weight 25.5, so white
  // under black becomes trunc(229.5 × 255 / 255) = 229; row 10 is left.
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(solid_image(100, 100, {255, 255, 255})));
  ToolResult got = run("border", border_args(s, {10, 0, 0, 0, 0, 2}));
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(got.out, done(100, 100));
  Image out = decode_bmp24(read_file(s.path("out.bmp")));
  EXPECT_EQ(out.at(50, 0), (Pixel{0, 0, 0}));
  EXPECT_EQ(out.at(50, 9), (Pixel{229, 229, 229}));
  EXPECT_EQ(out.at(50, 10), (Pixel{255, 255, 255}));
  EXPECT_EQ(out.at(50, 50), (Pixel{255, 255, 255}));
  EXPECT_EQ(out.at(0, 0), (Pixel{0, 0, 0}));  // beyond P from the corner centre
  // flag 7 is Liner too.
  ASSERT_EQ(run("border", border_args(s, {10, 0, 0, 0, 0, 7})).status, 0);
  EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))), out), "");
}

TEST(Border, RandomFramesFollowThePlainWeight) {
  std::mt19937 random(3);
  for (int n = 0; n < 40; ++n) {
    const int w = 20 + int(random() % 30), h = 20 + int(random() % 30);
    Frame f{int(random() % 9) - 2, int(random() % 9) - 3, int(random() % 300),
            int(random() % 256),   int(random() % 256),   int(random() % 4)};
    if (f.width == 0) f.width = 4;
    if (2 * (f.width + f.round) > std::min(w, h)) f.round = -f.round;
    Scratch s;
    Image in = picture(w, h);
    write_file(s.path("in.bmp"), encode_bmp24(in, 0x33));
    ToolResult got = run("border", border_args(s, f));
    ASSERT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_border(in, f)),
              "")
        << n << ": " << f.width << " " << f.round << " on " << w << " x " << h;
  }
}

TEST(Border, LargeImagesMatchThePlainWeight) {
  Scratch s;
  Image in = picture(401, 300);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  for (const Frame& f : {Frame{30, 20, 255, 0, 0, 0}, Frame{40, -25, 0, 90, 200, 1}}) {
    ASSERT_EQ(run("border", border_args(s, f)).status, 0);
    EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_border(in, f)),
              "")
        << f.width;
  }
}

TEST(Border, SizesAndHeadersItRefuses) {
  Scratch s;
  // P = 8: an image exactly 2P wide is accepted, one pixel narrower is not,
  // after both size lines.
  write_file(s.path("in.bmp"), encode_bmp24(picture(16, 20)));
  EXPECT_EQ(run("border", border_args(s, {5, 3, 1, 2, 3, 0})).status, 0);
  write_file(s.path("in.bmp"), encode_bmp24(picture(15, 20)));
  ToolResult over = run("border", border_args(s, {5, 3, 1, 2, 3, 0}));
  EXPECT_EQ(over.status, 1);
  EXPECT_EQ(over.out, size_line(15, 20) + size_line(15, 20) + "Over Size !\n");
  fs::remove(s.path("out.bmp"));

  ToolResult zero = run("border", border_args(s, {0, 3, 1, 2, 3, 0}));
  EXPECT_EQ(zero.status, 1);
  EXPECT_EQ(zero.out, "Frame width of 0 !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));

  // No magic test, and only the low 8 bits of the bit count: 24 + 256 passes.
  Bytes odd = encode_bmp24(picture(16, 16));
  odd[0] = 'X';
  put_le16(odd, 28, 24 + 256);
  write_file(s.path("odd.bmp"), odd);
  ToolResult accepted =
      run("border", {s.path("odd.bmp"), s.path("out.bmp"), "4", "2", "0", "0", "0"});
  EXPECT_EQ(accepted.status, 0) << accepted.out;
  EXPECT_EQ(accepted.out, done(16, 16));

  put_le16(odd, 28, 32);
  write_file(s.path("odd.bmp"), odd);
  ToolResult wrong = run("border", {s.path("odd.bmp"), s.path("out.bmp"), "4", "2", "0", "0", "0"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.out, "このファイルは1670万色タイプではありません。(Infile1)\n");
}

}  // namespace
}  // namespace bmp::test
