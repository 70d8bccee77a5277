// seam_tile, run as its own process: the seam passes in both directions and
// the edge sinking, against hand-worked values and the plain models.
#include <gtest/gtest.h>

#include "tests/composite/tile_reference.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("MAP UTILITY BMP FILE VERSION\n") +
                          "\n"
                          "USAGE: Command Infile Outfile 幅 Flag (red green blue)\n"
                          "       Command Infile Outfile 幅 Flag (red green blue Flag2)\n"
                          "       Command Infile Outfile 幅 Flag (red green blue Flag2 透過度)\n"
                          "\n"
                          "--- Flag ---\n"
                          "0 or no ---- 横\n"
                          "else    ---- 縦\n"
                          "\n"
                          "--- Flag2 ---\n"
                          "0 or no ---- 両方\n"
                          "1 ---------- 下(左)\n"
                          "2 ---------- 上(右)\n"
                          "\n"
                          "写真のつなぎ目を無くします。のりしろ分サイズが小さくなります。\n"
                          "背景色を指定するとその色に沈みます。サイズは原画と同サイズです。\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

struct Tiled {
  ToolResult result;
  Bytes out;
};

// Runs seam_tile on `image` (row ends filled with junk, which must not show)
// with the arguments after Outfile.
Tiled tile(const Image& image, const std::vector<std::string>& numbers) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(image, 0xa5));
  std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
  args.insert(args.end(), numbers.begin(), numbers.end());
  Tiled got{run("seam_tile", args), {}};
  if (std::filesystem::exists(s.path("out.bmp"))) got.out = read_file(s.path("out.bmp"));
  return got;
}

TEST(SeamTile, CountsWithoutAFormPrintTheUsage) {
  // 6 (a lone Flag2) included, and the lone argument.
  for (int count : {1, 2, 3, 4, 6, 7, 11}) {
    std::vector<std::string> args(static_cast<size_t>(count - 1), "x");
    ToolResult got = run("seam_tile", args);
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(SeamTile, BandOfOneMovesTheLastColumnToTheFirst) {
  Image in = tile_pattern(5, 3);
  Tiled got = tile(in, {"1", "0"});
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.result.out, size_line(5, 3) + progress_lines(0, 3));
  Image want = make_image(4, 3, [&](int c, int r) { return in.at(c == 0 ? 4 : c, r); });
  EXPECT_EQ(got.out, encode_bmp24(want));
}

TEST(SeamTile, TheFadeWeighsBeforeItAdds) {
  // W 3 in a row of 6: faded pixel 1 is 1 × (1 − 1/3) + 25 × 1/3 =
  // 8.999999999999998, so 8; the turn by 1 puts it at column 0.
  Image in = solid_image(6, 1, {0, 0, 0});
  in.at(1, 0) = {25, 25, 25};
  in.at(4, 0) = {1, 1, 1};
  Tiled got = tile(in, {"3", "0"});
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(decode_bmp24(got.out).at(0, 0), (Pixel{8, 8, 8}));
}

TEST(SeamTile, SeamPassesMatchTheModel) {
  struct Case {
    int width, height, band;
    const char* flag;
  };
  const Case cases[] = {
      {7, 3, 3, "0"},   // N 4, turn 1
      {10, 2, 5, "0"},  // odd band: starts at faded column 2; N 5 pads by 1
      {9, 4, 4, "0"},   // N 5, the input pads by 1, the output by 1
      {8, 1, 0, "0"},   // no band: a copy
      {3, 7, 3, "1"},   // vertical, N 4
      {5, 10, 5, "1"},  // vertical, odd band
      {6, 9, 2, "7"},   // any Flag but 0 is vertical
      {4, 4, 0, "1"},   // no band: a copy
      {0, 3, 0, "0"},   // zero-wide image
      {3, 0, 0, "1"},   // zero-high image
  };
  for (const Case& c : cases) {
    Image in = tile_pattern(c.width, c.height);
    Tiled got = tile(in, {std::to_string(c.band), c.flag});
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    bool across = std::string(c.flag) == "0";
    EXPECT_EQ(got.out, encode_bmp24(seam_model(in, c.band, across)))
        << c.width << "x" << c.height << " band " << c.band << " flag " << c.flag;
  }
}

TEST(SeamTile, VerticalRowsStartAtHalfTheBand) {
  Image in = tile_pattern(2, 9);
  Tiled got = tile(in, {"4", "1"});
  ASSERT_EQ(got.result.status, 0);
  // N = 5, h = 2: rows 2, 3, 4, then 0, 1.
  EXPECT_EQ(got.result.out, size_line(2, 9) + progress_lines(2, 5) + progress_lines(0, 2));
}

TEST(SeamTile, SinkingMatchesTheModel) {
  struct Case {
    int width, height;
    std::vector<std::string> numbers;  // after Outfile
    SinkModel model;
  };
  const Case cases[] = {
      {9, 3, {"3", "0", "10", "200", "30"}, {3, true, 0, {30, 200, 10}, 0}},
      {9, 3, {"4", "0", "10", "200", "30", "1"}, {4, true, 1, {30, 200, 10}, 0}},
      {9, 3, {"9", "0", "10", "200", "30", "1"}, {9, true, 1, {30, 200, 10}, 0}},
      {9, 3, {"6", "0", "10", "200", "30", "2", "40"}, {6, true, 2, {30, 200, 10}, 40}},
      {5, 8, {"4", "1", "0", "0", "255", "0", "25.5"}, {4, false, 0, {255, 0, 0}, 25.5}},
      {5, 8, {"3", "1", "9", "9", "9", "1"}, {3, false, 1, {9, 9, 9}, 0}},
      {5, 8, {"8", "1", "9", "9", "9", "2"}, {8, false, 2, {9, 9, 9}, 0}},
      // Flag2 3 sinks both edges, Flag 5 is vertical.
      {4, 6, {"3", "5", "1", "2", "3", "3", "60"}, {3, false, 3, {3, 2, 1}, 60}},
      {6, 2, {"0", "0", "1", "2", "3"}, {0, true, 0, {3, 2, 1}, 0}},
  };
  for (const Case& c : cases) {
    Image in = tile_pattern(c.width, c.height);
    Tiled got = tile(in, c.numbers);
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.result.out, size_line(c.width, c.height) + progress_lines(0, c.height));
    EXPECT_EQ(got.out, encode_bmp24(sink_model(in, c.model))) << "band " << c.numbers[0];
  }
}

TEST(SeamTile, RowsLongerThanAReadBlock) {
  // 90001 pixels: 270003 bytes a row, more than one read block.
  Image in = tile_pattern(90001, 2);
  EXPECT_EQ(tile(in, {"7", "0", "1", "2", "3"}).out,
            encode_bmp24(sink_model(in, {7, true, 0, {3, 2, 1}, 0})));
  EXPECT_EQ(tile(in, {"9", "0"}).out, encode_bmp24(seam_model(in, 9, true)));
}

TEST(SeamTile, SinkEdgeValues) {
  Image grey = solid_image(8, 2, {100, 100, 100});
  // Near band: its first column is the colour; far band: the outermost column
  // keeps 1 − s(W − 1) of the picture, 100 × (1 − (sin 405° + 1) / 2) = 14.6,
  // and with 透過度 100 nothing changes.
  Image sunk = decode_bmp24(tile(grey, {"4", "0", "0", "0", "0"}).out);
  EXPECT_EQ(sunk.at(0, 0), (Pixel{0, 0, 0}));
  EXPECT_EQ(sunk.at(4, 0), (Pixel{100, 100, 100})) << "column N is outside the far band";
  EXPECT_EQ(sunk.at(7, 0), (Pixel{14, 14, 14}));
  EXPECT_EQ(tile(grey, {"4", "0", "0", "0", "0", "0", "100"}).out, encode_bmp24(grey));
  // Colours are truncated, then their low 8 bits: 256 sinks into 0, −1 into
  // 255, 511.9 into 255.
  Image colour = decode_bmp24(tile(grey, {"1", "0", "256", "-1", "511.9"}).out);
  EXPECT_EQ(colour.at(0, 0), (Pixel{255, 255, 0}));
  // 幅 1: the far band is empty.
  EXPECT_EQ(colour.at(7, 0), (Pixel{100, 100, 100}));
}

TEST(SeamTile, WhiteSunkIntoWhiteLosesALevelWhereTheRampSaysSo) {
  // 幅 43, index 17: 255 × (1 − s) + 255 × s is 254.99999999999997 with s
  // formed as (180 / 43) × 17 degrees first.
  Image white = solid_image(86, 1, {255, 255, 255});
  Image sunk = decode_bmp24(tile(white, {"43", "0", "255", "255", "255"}).out);
  EXPECT_EQ(sunk.at(17, 0), (Pixel{254, 254, 254}));
  EXPECT_EQ(sunk.at(0, 0), (Pixel{255, 255, 255}));
}

TEST(SeamTile, VerticalSinkOfTheBottomEdgeKeepsEveryRow) {
  Image in = tile_pattern(3, 6);
  Image out = decode_bmp24(tile(in, {"2", "1", "0", "0", "0", "1"}).out);
  ASSERT_EQ(out.height, 6);
  EXPECT_EQ(out.at(1, 0), (Pixel{0, 0, 0}));
  for (int r = 2; r < 6; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(out.at(c, r), in.at(c, r)) << c << "," << r;
  }
}

TEST(SeamTile, BandChecksFollowTheMode) {
  struct Case {
    int width, height;
    std::vector<std::string> numbers;
    std::string message;  // empty: passes
  };
  const std::string across_half = "横幅が広すぎます！横幅 < x_size/2 ! \n";
  const std::string up_half = "縦幅が広すぎます！縦幅 < y_size/2 ! \n";
  const std::string across = "横幅が広すぎます！横幅 < x_size ! \n";
  const std::string up = "縦幅が広すぎます！縦幅 < y_size ! \n";
  const Case cases[] = {
      {9, 20, {"4", "0"}, ""},  // X / 2 truncated passes
      {9, 20, {"5", "0"}, across_half},
      {20, 9, {"5", "1"}, up_half},
      {20, 9, {"5", "2"}, up_half},  // every Flag but 0 is vertical, in the check too
      {20, 9, {"4", "2"}, ""},
      {9, 20, {"5", "0", "0", "0", "0"}, across_half},
      {9, 20, {"9", "0", "0", "0", "0", "1"}, ""},
      {9, 20, {"10", "0", "0", "0", "0", "2"}, across},
      {20, 9, {"10", "1", "0", "0", "0", "1"}, up},
      {20, 9, {"5", "1", "0", "0", "0", "3"}, up_half},  // Flag2 3 sinks both edges
      {9, 20, {"5", "0", "0", "0", "0", "7", "50"}, across_half},
      {9, 20, {"-1", "0"}, "Negative band width 幅 = -1 !\n"},
      {9, 20, {"-2.5", "1", "0", "0", "0"}, "Negative band width 幅 = -2.5 !\n"},
  };
  for (const Case& c : cases) {
    Tiled got = tile(tile_pattern(c.width, c.height), c.numbers);
    if (c.message.empty()) {
      EXPECT_EQ(got.result.status, 0) << got.result.out;
      continue;
    }
    EXPECT_EQ(got.result.status, 1) << c.message;
    EXPECT_EQ(got.result.out, size_line(c.width, c.height) + c.message);
    EXPECT_TRUE(got.out.empty()) << "no output after a refused band: " << c.message;
  }
}

TEST(SeamTile, InputsAreCheckedForTheirSignature) {
  Scratch s;
  Bytes bad = encode_bmp24(tile_pattern(4, 4));
  bad[1] = 'X';
  write_file(s.path("in.bmp"), bad);
  ToolResult got = run("seam_tile", {s.path("in.bmp"), s.path("out.bmp"), "1", "0"});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, "Wrong Format !\n");
  EXPECT_FALSE(std::filesystem::exists(s.path("out.bmp")));
}

TEST(SeamTile, OutfileMayNameTheInput) {
  Scratch s;
  Image in = tile_pattern(6, 4);
  write_file(s.path("same.bmp"), encode_bmp24(in));
  ToolResult got = run("seam_tile", {s.path("same.bmp"), s.path("same.bmp"), "2", "1"});
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(read_file(s.path("same.bmp")), encode_bmp24(seam_model(in, 2, false)));
}

}  // namespace
}  // namespace bmp::test
