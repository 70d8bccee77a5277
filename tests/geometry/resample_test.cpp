// resample, run as its own process on files the tests write, against a plain
// per-pixel model of the three methods.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/geometry/geometry_check.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("RESAMPLE UTILITY (BMP FILE VERSION)(偏向性修正)\n") +
                          "\n"
                          "USAGE: COMMAND INFILE OUTFILE X_SIZE Y_SIZE (Flag)\n"
                          "\n"
                          "片方のマイナスサイズ指定は、等倍ズーム\n"
                          "\n"
                          "--- Flag ---\n"
                          "0 or no ----- normal\n"
                          "1 or other -- 単純拡大法使用\n"
                          "\n"
                          "拡大 --- 倍精度補間法使用\n"
                          "縮小 --- ピクセル分割平滑法使用\n"
                          "\n"
                          "WARNING For BMP FILE ONLY\n";

uint8_t channel(const Pixel& p, int k) { return k == 0 ? p.b : k == 1 ? p.g : p.r; }
Pixel from_channels(const int v[3]) { return Pixel{uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2])}; }

// The three methods, one output pixel at a time.
Image nearest(const Image& in, int x, int y) {
  const double sx = double(in.width) / x, sy = double(in.height) / y;
  return make_image(x, y, [&](int i, int j) { return in.at(int(i * sx), int(j * sy)); });
}

Image bilinear(const Image& in, int x, int y) {
  const double sx = double(in.width - 1) / x, sy = double(in.height - 1) / y;
  return make_image(x, y, [&](int i, int j) {
    int x0 = int(i * sx), x1 = x0 + 1, y0 = int(j * sy), y1 = y0 + 1;
    x0 = std::min(x0, in.width - 1);
    x1 = std::min(x1, in.width - 1);
    y0 = std::min(y0, in.height - 1);
    y1 = std::min(y1, in.height - 1);
    const double fx = i * sx - x0, fy = j * sy - y0;
    int v[3];
    for (int k = 0; k < 3; ++k) {
      const int p00 = channel(in.at(x0, y0), k), p10 = channel(in.at(x1, y0), k);
      const int p01 = channel(in.at(x0, y1), k), p11 = channel(in.at(x1, y1), k);
      const double top = p00 + (p10 - p00) * fx;
      const double bottom = p01 + (p11 - p01) * fx;
      v[k] = int(top + (bottom - top) * fy);
    }
    return from_channels(v);
  });
}

Image supersample(const Image& in, int x, int y) {
  const double sx = double(in.width) / x, sy = double(in.height) / y;
  const double c[4] = {0.05, 0.35, 0.65, 0.95};
  return make_image(x, y, [&](int i, int j) {
    double sum[3] = {0, 0, 0};
    for (double cy : c) {
      const int row = std::max(0, int(((j + cy) - 0.5) * sy));
      for (double cx : c) {
        const int column = std::max(0, int(((i + cx) - 0.5) * sx));
        for (int k = 0; k < 3; ++k) sum[k] += channel(in.at(column, row), k);
      }
    }
    int v[3];
    for (int k = 0; k < 3; ++k) v[k] = int(sum[k] / 16.0);
    return from_channels(v);
  });
}

std::string ratio_line(double x, double y) {
  char line[128];
  std::snprintf(line, sizeof line, "X_比率 = %lf Y_比率 = %lf \n", x, y);
  return line;
}

// The whole expected run for sizes already resolved.
void expect_resample(const Image& in, const std::vector<std::string>& numbers, int x, int y,
                     int flag) {
  SCOPED_TRACE(testing::Message() << in.width << "x" << in.height << " to " << x << "x" << y
                                  << " flag " << flag);
  const std::string ratio = ratio_line(double(x) / in.width, double(y) / in.height);
  std::string out = plain_size_line(in.width, in.height);
  Image expected;
  if (flag != 0) {
    out += ratio + "単純拡大法使用\n" + progress_lines("Y_LINE = %3d\r", 1, y) + "\n";
    expected = nearest(in, x, y);
  } else if (double(x) / in.width > 1.0) {
    out += "倍精度補間法使用\n" + ratio + progress_lines("Y_LINE(get) = %3d\r", 1, y);
    expected = bilinear(in, x, y);
  } else {
    out += ratio + "ピクセル分割平滑法使用\n" + progress_lines("Y_LINE = %3d\r", 1, y) + "\n";
    expected = supersample(in, x, y);
  }
  GeometryRun got = run_on("resample", {encode_bmp24(in, 0x5a)}, numbers);
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.result.out, out);
  EXPECT_EQ(got.output, encode_bmp24(expected));
}

void expect_resample(const Image& in, int x, int y, int flag) {
  expect_resample(in, {std::to_string(x), std::to_string(y), std::to_string(flag)}, x, y, flag);
}

TEST(Resample, AnyOtherArgumentCountPrintsTheUsage) {
  expect_usage("resample", usage, {0, 1, 2, 3, 6});
}

TEST(Resample, EveryMethodOnWidthsOneToFive) {
  for (int w = 1; w <= 5; ++w) {
    const Image in = random_image(w, 3, uint32_t(w));
    for (int x = 1; x <= 5; ++x) {
      expect_resample(in, x, 4, 0);  // enlarging where x > w, else reducing
      expect_resample(in, x, 2, 1);
    }
  }
}

TEST(Resample, OneSideFollowsTheAspect) {
  const Image in = random_image(200, 100, 7);
  // trunc(50 × (200 / 100)) = 100; trunc(300 × (100 / 200)) = 150, enlarged.
  expect_resample(in, {"0", "50"}, 100, 50, 0);
  expect_resample(in, {"300", "-1"}, 300, 150, 0);
  // The quotient first: 45 × (7 / 5) is just below 63 in doubles, so 62;
  // 10 × (1 / 3) gives 3.
  expect_resample(random_image(7, 5, 2), {"0", "45", "1"}, 62, 45, 1);
  expect_resample(random_image(3, 1, 2), {"10", "0"}, 10, 3, 0);
}

TEST(Resample, RatioOneWithFlagZeroBlursWithTheLowerLeftNeighbours) {
  const Image in = random_image(4, 3, 11);
  GeometryRun got = run_on("resample", {encode_bmp24(in)}, {"4", "3"});
  const Image out = decode_bmp24(got.output);
  for (int j = 0; j < 3; ++j) {
    for (int i = 0; i < 4; ++i) {
      const int l = std::max(i - 1, 0), d = std::max(j - 1, 0);
      const int sum = 4 * (in.at(l, d).g + in.at(i, d).g + in.at(l, j).g + in.at(i, j).g);
      EXPECT_EQ(out.at(i, j).g, sum / 16) << i << "," << j;
    }
  }
}

TEST(Resample, TheWidthRatioAloneChoosesTheMethod) {
  const Image in = random_image(10, 10, 3);
  expect_resample(in, 20, 5, 0);  // wider and lower: bilinear both ways
  expect_resample(in, 5, 20, 0);  // narrower and taller: point samples both ways
  expect_resample(in, 10, 20, 3);
}

TEST(Resample, RefusalsLeaveNoOutput) {
  struct Case {
    Image in;
    std::vector<std::string> numbers;
    std::string after_size_line;
  };
  const Case cases[] = {
      {random_image(4, 4, 1),
       {"0", "-3"},
       "サイズを入力してください!\n片方をマイナス値にすれば、他方を成り行きにできます。\n"},
      {Image{0, 4, {}}, {"5", "5"}, "No pixels in IN !\n"},
      {Image{4, 0, {}}, {"-1", "5"}, "No pixels in IN !\n"},
      {random_image(1, 100, 1), {"0", "50"}, "X_SIZE of 0 !\n"},
      {random_image(100, 1, 1), {"50", "0", "1"}, "Y_SIZE of 0 !\n"},
      {random_image(1000, 1, 1), {"3000000", "0"}, "Image too large: OUT !\n"},
  };
  for (const Case& c : cases) {
    GeometryRun got = run_on("resample", {encode_bmp24(c.in)}, c.numbers);
    SCOPED_TRACE(c.numbers[0] + " " + c.numbers[1]);
    EXPECT_EQ(got.result.status, 1);
    std::string expected = plain_size_line(c.in.width, c.in.height) + c.after_size_line;
    for (auto [name, path] : {std::pair{"IN", got.paths[0]}, std::pair{"OUT", got.paths[1]}}) {
      if (size_t at = expected.find(name); at != std::string::npos)
        expected.replace(at, std::string_view(name).size(), path);
    }
    EXPECT_EQ(got.result.out, expected);
    EXPECT_FALSE(got.has_output);
  }
  Bytes wrong = encode_bmp24(random_image(2, 2, 1));
  wrong[0] = 'C';
  GeometryRun bad = run_on("resample", {wrong}, {"3", "3"});
  EXPECT_EQ(bad.result.out, "Wrong Format !\n");
  EXPECT_FALSE(bad.has_output);
}

TEST(Resample, LargeAndRandomResizesMatchTheModel) {
  const Image big = random_image(301, 257, 5);
  expect_resample(big, 700, 500, 0);
  expect_resample(big, 123, 77, 0);
  expect_resample(big, 655, 333, 2);
  std::mt19937 gen(8);
  for (int i = 0; i < 20; ++i) {
    const Image in = random_image(1 + int(gen() % 60), 1 + int(gen() % 60), gen());
    expect_resample(in, 1 + int(gen() % 90), 1 + int(gen() % 90), int(gen() % 3) == 0 ? 1 : 0);
  }
}

}  // namespace
}  // namespace bmp::test
