// patch, run as its own process: the rectangle and its mix checked against a
// plain per-pixel model of the rule, and values worked out by hand.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/draw/gradient_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage =
    banner("PATCH UTILITY(BMP FILE VERSION)\n") +
    "\n"
    "USAGE: COMMAND INFILE OUTFILE X_SIZE2 Y_SIZE2 X_ORIGIN Y_ORIGIN R G B (trans)\n"
    "       COMMAND INFILE OUTFILE X_SIZE2 Y_SIZE2 X_ORIGIN Y_ORIGIN mono (trans)\n"
    "\n"
    "WARNING for BMP FILE ONLY\n";

Image picture(int width, int height) {
  return make_image(width, height, [](int x, int y) {
    return Pixel{uint8_t(x * 37 + y * 11), uint8_t(200 - x * 9 - y * 13), uint8_t(x * y * 7 + 5)};
  });
}

struct Rect {
  int width, height, x, y;
};

// Rows h - y - height <= r < h - y and columns x <= c < x + width take
// trunc(in × m + colour × (1 - m)) per channel, as its low 8 bits.
Image expected_patch(const Image& in, const Rect& q, int red, int green, int blue, double trans) {
  Image out = in;
  const double m = trans / 100, k = 1.0 - m;
  auto mix = [&](uint8_t v, int colour) {
    return uint8_t(static_cast<long long>(v * m + colour * k));
  };
  for (int r = 0; r < in.height; ++r) {
    for (int c = 0; c < in.width; ++c) {
      const long long h = in.height;
      if (r < h - q.y - q.height || r >= h - q.y || c < q.x || c >= (long long)q.x + q.width) {
        continue;
      }
      Pixel& p = out.at(c, r);
      p = {mix(p.b, blue), mix(p.g, green), mix(p.r, red)};
    }
  }
  return out;
}

std::string report(int w, int h, const Rect& q) {
  char text[160];
  std::snprintf(text, sizeof text,
                "X_size = %d Y_size = %d 1670万色\n%s\nThis size is %4d * %4d\nThis size is %4d * "
                "%4d\n\n",
                w, h, progress_lines(h).c_str(), w, h, q.width, q.height);
  return text;
}

TEST(Patch, OtherArgumentCountsPrintTheUsageAndALoneArgumentIsRefused) {
  for (int count : {0, 2, 6, 11}) {
    ToolResult got = run("patch", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
  ToolResult lone = run("patch", {"in.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "\nWARNING for BMP FILE ONLY");
}

TEST(Patch, EachFormFillsItsRectangleAsThePlainRuleSays) {
  struct Case {
    const char* title;
    Rect rect;
    std::vector<std::string> colour_and_trans;
    int red, green, blue;
    double trans;
  };
  const Case cases[] = {
      {"11: colour and trans", {3, 2, 1, 1}, {"250", "20", "130", "25"}, 250, 20, 130, 25},
      {"10: solid colour", {2, 4, 4, 0}, {"0", "128", "255"}, 0, 128, 255, 0},
      {"9: grey and trans", {7, 1, 0, 0}, {"90.9", "50"}, 90, 90, 90, 50},
      {"8: grey, colour above 255", {2, 2, 5, 3}, {"300"}, 300, 300, 300, 0},
      {"over the top-left corner", {4, 3, -2, -1}, {"1", "2", "3", "10"}, 1, 2, 3, 10},
      {"over the bottom-right corner", {9, 9, 4, 3}, {"9", "8", "7"}, 9, 8, 7, 0},
      {"beyond the whole image", {20, 20, -5, -5}, {"40", "60"}, 40, 40, 40, 60},
      {"wholly outside", {3, 2, 7, 1}, {"255"}, 255, 255, 255, 0},
      {"negative width", {-3, 2, 1, 1}, {"255"}, 255, 255, 255, 0},
      {"negative height", {3, -2, 1, 1}, {"255"}, 255, 255, 255, 0},
      {"trans beyond 100", {3, 3, 2, 2}, {"20", "100", "200", "250"}, 20, 100, 200, 250},
      {"negative trans", {3, 3, 2, 2}, {"20", "100", "200", "-30"}, 20, 100, 200, -30},
  };
  for (const Case& c : cases) {
    Scratch s;
    Image in = picture(7, 6);  // rows end with 3 bytes that must be skipped
    write_file(s.path("in.bmp"), encode_bmp24(in, 0xee));
    std::vector<std::string> args{s.path("in.bmp"),
                                  s.path("out.bmp"),
                                  std::to_string(c.rect.width),
                                  std::to_string(c.rect.height),
                                  std::to_string(c.rect.x),
                                  std::to_string(c.rect.y)};
    args.insert(args.end(), c.colour_and_trans.begin(), c.colour_and_trans.end());
    ToolResult got = run("patch", args);
    ASSERT_EQ(got.status, 0) << c.title << ": " << got.out;
    EXPECT_EQ(got.out, report(7, 6, c.rect)) << c.title;
    EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))),
                               expected_patch(in, c.rect, c.red, c.green, c.blue, c.trans)),
              "")
        << c.title;
  }
}

TEST(Patch, ValuesWorkedByHand) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(solid_image(4, 3, {255, 255, 255})));
  auto top_left = [&](std::vector<std::string> colour) {
    std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp"), "1", "1", "0", "0"};
    args.insert(args.end(), colour.begin(), colour.end());
    EXPECT_EQ(run("patch", args).status, 0);
    Image out = decode_bmp24(read_file(s.path("out.bmp")));
    EXPECT_EQ(out.at(1, 2), (Pixel{255, 255, 255}));  // beside it
    EXPECT_EQ(out.at(0, 1), (Pixel{255, 255, 255}));  // below it
    return out.at(0, 2);                              // the top row's first pixel
  };
  EXPECT_EQ(top_left({"0", "50"}), (Pixel{127, 127, 127}));  // 255 × 0.5 + 0
  EXPECT_EQ(top_left({"300"}), (Pixel{44, 44, 44}));         // 300 - 256
  EXPECT_EQ(top_left({"10", "20", "30", "100"}), (Pixel{255, 255, 255}));
  EXPECT_EQ(top_left({"1e10"}), (Pixel{255, 255, 255}));  // saturated to 2147483647
}

TEST(Patch, RowsLongerThanABlockArePatchedAcrossTheirPieces) {
  Scratch s;
  Image in = picture(90001, 2);
  write_file(s.path("in.bmp"), encode_bmp24(in));
  const Rect q{20, 1, 87370, 1};  // across the first piece's end at column 87381
  ToolResult got = run(
      "patch", {s.path("in.bmp"), s.path("out.bmp"), "20", "1", "87370", "1", "5", "6", "7", "40"});
  ASSERT_EQ(got.status, 0);
  EXPECT_EQ(first_difference(decode_bmp24(read_file(s.path("out.bmp"))),
                             expected_patch(in, q, 5, 6, 7, 40)),
            "");
}

TEST(Patch, InputsThatFailLeaveNoOutput) {
  Scratch s;
  ToolResult missing =
      run("patch", {s.path("none.bmp"), s.path("out.bmp"), "1", "1", "0", "0", "9"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "\ncan't open source file " + s.path("none.bmp") + "\n");

  write_file(s.path("bad.bmp"), {'B', 'X', 0, 0});
  ToolResult bad = run("patch", {s.path("bad.bmp"), s.path("out.bmp"), "1", "1", "0", "0", "9"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "Wrong Format !\n");

  Bytes eight = encode_bmp24(picture(2, 2));
  put_le16(eight, 28, 8);
  write_file(s.path("eight.bmp"), eight);
  ToolResult indexed =
      run("patch", {s.path("eight.bmp"), s.path("out.bmp"), "1", "1", "0", "0", "9"});
  EXPECT_EQ(indexed.status, 1);
  EXPECT_EQ(indexed.out, "このファイルは1670万色タイプではありません\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));
}

}  // namespace
}  // namespace bmp::test
