// stroke, run as its own process: lines checked against a plain row-by-row
// model of the rasterising rule, and runs worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <set>
#include <utility>

#include "tests/draw/gradient_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("STROKE UTILITY BMP FILE VERSION\n") +
                          "\n"
                          "USAGE: Command Infile Outfile X1 Y1 X2 Y2 red green blue 透過度\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

Image picture(int width, int height) {
  return make_image(width, height, [](int x, int y) {
    return Pixel{uint8_t(x * 37 + y * 11), uint8_t(200 - x * 9 - y * 13), uint8_t(x * y * 7 + 5)};
  });
}

// Truncation toward zero, saturated to the 32-bit range.
long long trunc_of(double v) {
  return static_cast<long long>(std::clamp(v, -2147483648.0, 2147483647.0));
}

struct Stroke {
  double x1, y1, x2, y2;
  int red = 255, green = 0, blue = 0;
  double weight = 100;
};

// The rule row by row over the image's own columns: A the upper point, a
// steep line (|rB - rA| >= |xB - xA|) painting every other column of lo..hi
// from the first one met, a shallow one lo <= c < hi, a horizontal one the
// columns strictly between its ends.
Image expected_stroke(const Image& in, const Stroke& s) {
  Image out = in;
  const double h = in.height;
  double xa = s.x1, ya = s.y1, xb = s.x2, yb = s.y2;
  if (yb < ya) std::swap(xa, xb), std::swap(ya, yb);
  const double ra = h - ya, rb = h - yb;
  const double m = s.weight / 100, k = 1 - m;
  auto paint = [&](int c, int r) {
    Pixel& p = out.at(c, r);
    auto mix = [&](int colour, uint8_t v) { return uint8_t(trunc_of(colour * m + v * k)); };
    p = {mix(s.blue, p.b), mix(s.green, p.g), mix(s.red, p.r)};
  };
  auto x = [&](double r) { return (xb - xa) / (rb - ra) * (r - ra) + xa; };
  for (int i = 0; i < in.height; ++i) {
    if (i > ra || i < rb) continue;
    if (ra == rb) {
      for (int c = 0; c < in.width; ++c) {
        if ((xa < c && c < xb) || (xb < c && c < xa)) paint(c, i);
      }
      continue;
    }
    long long lo, hi;
    if (xa <= xb) {
      hi = trunc_of(x(i));
      lo = std::max(trunc_of(x(i + 1)), trunc_of(xa));
    } else {
      lo = trunc_of(x(i));
      hi = std::min(trunc_of(x(i + 1)), trunc_of(xa));
    }
    const bool steep = std::fabs(rb - ra) >= std::fabs(xb - xa);
    int toggle = 0;
    for (int c = 0; c < in.width; ++c) {
      if (!steep && lo <= c && c < hi) paint(c, i);
      if (steep && lo <= c && c <= hi) {
        if (toggle == 0) paint(c, i);
        toggle = 1 - toggle;
      }
    }
  }
  return out;
}

std::vector<std::string> stroke_args(const Scratch& sc, const Stroke& s) {
  return {sc.path("in.bmp"),
          sc.path("out.bmp"),
          arg(s.x1),
          arg(s.y1),
          arg(s.x2),
          arg(s.y2),
          std::to_string(s.red),
          std::to_string(s.green),
          std::to_string(s.blue),
          arg(s.weight)};
}

// The columns, per stored row, that differ from the input.
std::set<std::pair<int, int>> changed(const Image& in, const Image& out) {
  std::set<std::pair<int, int>> cells;
  for (int r = 0; r < in.height; ++r) {
    for (int c = 0; c < in.width; ++c) {
      if (!(in.at(c, r) == out.at(c, r))) cells.insert({c, r});
    }
  }
  return cells;
}

TEST(Stroke, OtherArgumentCountsPrintTheUsage) {
  for (int count : {0, 1, 8, 11}) {
    ToolResult got = run("stroke", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(Stroke, RunsWorkedByHand) {
  using Cells = std::set<std::pair<int, int>>;  // (column, stored row)
  struct Case {
    const char* title;
    int width, height;
    Stroke line;
    Cells painted;
  };
  const Case cases[] = {
      {"a horizontal line paints between its ends",
       24,
       4,
       {10, 1, 20, 1},
       {{11, 3}, {12, 3}, {13, 3}, {14, 3}, {15, 3}, {16, 3}, {17, 3}, {18, 3}, {19, 3}}},
      {"a vertical line paints its column",
       12,
       8,
       {7, 2, 7, 6},
       {{7, 2}, {7, 3}, {7, 4}, {7, 5}, {7, 6}}},
      // x(r) = 5 - r: runs 3..4, 2..3, 1..2, 0..1, 0..0 from row 1 up.
      {"45 degrees is steep: runs alternate from painted",
       8,
       6,
       {0, 1, 4, 5},
       {{3, 1}, {2, 2}, {1, 3}, {0, 4}, {0, 5}}},
      // x(r) = 12 - 4r: rows 1 and 2 get 4..7 and 0..3, the upper end row none.
      {"shallow, leaning left going up",
       10,
       4,
       {0, 1, 8, 3},
       {{4, 1}, {5, 1}, {6, 1}, {7, 1}, {0, 2}, {1, 2}, {2, 2}, {3, 2}}},
      // x(r) = 4r - 4: rows 1 and 2 get 0..3 and 4..7.
      {"shallow, leaning right going up",
       10,
       4,
       {8, 1, 0, 3},
       {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 2}, {7, 2}}},
      // x(r) = 4 - r: row 4's run -1..0 starts painted at column 0.
      {"a steep run entering the image starts painted",
       6,
       8,
       {-3, 1, 2, 6},
       {{1, 2}, {0, 3}, {0, 4}}},
      {"two coinciding points paint nothing", 6, 4, {3, 2, 3, 2}, {}},
  };
  for (const Case& c : cases) {
    Scratch s;
    Image in = solid_image(c.width, c.height, {255, 255, 255});
    write_file(s.path("in.bmp"), encode_bmp24(in));
    ToolResult got = run("stroke", stroke_args(s, c.line));
    ASSERT_EQ(got.status, 0) << c.title << ": " << got.out;
    EXPECT_EQ(got.out, "X_size = " + std::to_string(c.width) + " Y_size = " +
                           std::to_string(c.height) + " 1670万色\n" + progress_lines(c.height))
        << c.title;
    Image out = decode_bmp24(read_file(s.path("out.bmp")));
    EXPECT_EQ(changed(in, out), c.painted) << c.title;
    for (const auto& [col, row] : c.painted) EXPECT_EQ(out.at(col, row), (Pixel{0, 0, 255}));
  }
}

TEST(Stroke, TheWeightFallsOnTheColour) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(solid_image(6, 3, {255, 255, 255})));
  auto centre = [&](const std::string& weight) {
    ToolResult got = run("stroke", {s.path("in.bmp"), s.path("out.bmp"), "1", "2", "5", "2", "0",
                                    "0", "300", weight});
    EXPECT_EQ(got.status, 0);
    return decode_bmp24(read_file(s.path("out.bmp"))).at(3, 1);
  };
  // trunc(colour × m + in × (1 - m)); blue 300 keeps its low 8 bits.
  EXPECT_EQ(centre("100"), (Pixel{44, 0, 0}));
  EXPECT_EQ(centre("0"), (Pixel{255, 255, 255}));
  EXPECT_EQ(centre("50"), (Pixel{(150 + 127) & 255, 127, 127}));
}

TEST(Stroke, RandomLinesFollowThePlainRule) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> coordinate(-6, 26);
  std::uniform_int_distribution<int> whole(-6, 26);
  for (int n = 0; n < 60; ++n) {
    Stroke line{coordinate(random),  coordinate(random),    coordinate(random),
                coordinate(random),  int(random() % 300),   int(random() % 256),
                int(random() % 256), double(random() % 101)};
    if (n % 3 == 0) {  // whole coordinates: exact diagonals, rows and columns
      line.x1 = whole(random);
      line.y1 = whole(random);
      line.y2 = whole(random);
      line.x2 = n % 2 ? line.x1 + (line.y2 - line.y1) : whole(random);
    }
    Scratch s;
    Image in = picture(21, 19);
    write_file(s.path("in.bmp"), encode_bmp24(in, 0x5a));
    ToolResult got = run("stroke", stroke_args(s, line));
    ASSERT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(
        first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_stroke(in, line)), "")
        << line.x1 << ", " << line.y1 << " - " << line.x2 << ", " << line.y2;
  }
}

TEST(Stroke, LinesAcrossRowsLongerThanABlock) {
  const Stroke lines[] = {{87370, 1, 87400, 1}, {87379, 1, 87390, 3}, {90000, 1, 87000, 2}};
  for (const Stroke& line : lines) {
    Scratch s;
    Image in = picture(90001, 3);
    write_file(s.path("in.bmp"), encode_bmp24(in));
    ASSERT_EQ(run("stroke", stroke_args(s, line)).status, 0);
    EXPECT_EQ(
        first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_stroke(in, line)),
        "");
  }
}

TEST(Stroke, FarAndBrokenEndPoints) {
  Scratch s;
  Image in = picture(9, 5);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  // A near-horizontal line whose crossing columns saturate still paints
  // within the image only.
  const Stroke far{-1e300, 2, 1e300, 3};
  ASSERT_EQ(run("stroke", stroke_args(s, far)).status, 0);
  EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))), expected_stroke(in, far)),
            "");
  // A NaN end point is refused and leaves no output.
  fs::remove(s.path("out.bmp"));
  ToolResult nan =
      run("stroke", {s.path("in.bmp"), s.path("out.bmp"), "1", "nan", "3", "4", "0", "0", "0"});
  EXPECT_EQ(nan.status, 1);
  EXPECT_EQ(nan.out, "Not a number: nan !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));

  ToolResult missing =
      run("stroke", {s.path("none.bmp"), s.path("out.bmp"), "1", "1", "3", "4", "0", "0", "0"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "\ncan't open source file " + s.path("none.bmp") + "\n");
}

}  // namespace
}  // namespace bmp::test
