// seam_loop, run as its own process: the two seam passes through temp0000,
// checked against the model and against seam_tile run twice.
#include <gtest/gtest.h>

#include "tests/composite/tile_reference.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("SEAM_LOOP UTILITY BMP FILE VERSION\n") +
                          "\n"
                          "USAGE: Command Infile Outfile X_幅 (Y_幅)\n"
                          "\n"
                          "写真のつなぎ目を無くします。のりしろ分サイズが小さくなります。\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

TEST(SeamLoop, CountsWithoutAFormPrintTheUsage) {
  for (int count : {1, 2, 3, 6}) {
    ToolResult got =
        run("seam_loop", std::vector<std::string>(static_cast<size_t>(count - 1), "x"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(SeamLoop, BothPassesMatchTheModelAndSeamTileTwice) {
  struct Case {
    int width, height;
    std::vector<std::string> bands;
    int x_band, y_band;
  };
  const Case cases[] = {
      {9, 8, {"3", "4"}, 3, 4},  // W' 6 pads by 2 in both files
      {7, 11, {"3"}, 3, 3},      // Y_幅 defaults to X_幅
      {6, 5, {"0", "0"}, 0, 0},  // a copy
      {5, 6, {"2", "3"}, 2, 3}, {0, 0, {"0"}, 0, 0},
  };
  for (const Case& c : cases) {
    Scratch s;
    Image in = tile_pattern(c.width, c.height);
    write_file(s.path("in.bmp"), encode_bmp24(in, 0x3c));
    std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
    args.insert(args.end(), c.bands.begin(), c.bands.end());
    ToolResult got = run_in(s, "seam_loop", args);
    ASSERT_EQ(got.status, 0) << got.out;
    Image want = seam_model(seam_model(in, c.x_band, true), c.y_band, false);
    EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(want)) << c.width << "x" << c.height;
    EXPECT_TRUE(s.tmp_entries().empty()) << "temp0000 is removed";

    ASSERT_EQ(run("seam_tile", {s.path("in.bmp"), s.path("mid.bmp"), std::to_string(c.x_band), "0"})
                  .status,
              0);
    ASSERT_EQ(
        run("seam_tile", {s.path("mid.bmp"), s.path("two.bmp"), std::to_string(c.y_band), "1"})
            .status,
        0);
    EXPECT_EQ(read_file(s.path("out.bmp")), read_file(s.path("two.bmp")));
  }
}

TEST(SeamLoop, PrintsBothPassesRows) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(tile_pattern(8, 7)));
  ToolResult got = run_in(s, "seam_loop", {s.path("in.bmp"), s.path("out.bmp"), "4", "3"});
  ASSERT_EQ(got.status, 0);
  // Pass 2: N = 4, starting at trunc(3 / 2) = 1.
  EXPECT_EQ(got.out,
            size_line(8, 7) + progress_lines(0, 7) + progress_lines(1, 4) + progress_lines(0, 1));
}

TEST(SeamLoop, RefusedBandsLeaveNothing) {
  struct Case {
    int width, height;
    std::vector<std::string> bands;
    std::string message;
  };
  const std::string x_half = "幅が広すぎます！幅 < x_size/2 ! \n";
  const std::string y_half = "幅が広すぎます！幅 < y_size/2 ! \n";
  const Case cases[] = {
      {9, 20, {"5", "1"}, x_half},
      {20, 9, {"4", "5"}, y_half},
      // One band for both: a wide, low image fails up the columns only.
      {20, 6, {"4"}, y_half},
      {9, 20, {"5", "50"}, x_half},  // the X check comes first
      {9, 20, {"-1", "2"}, "Negative band width X_幅 = -1 !\n"},
      {9, 20, {"1", "-3"}, "Negative band width Y_幅 = -3 !\n"},
      {9, 20, {"-1"}, "Negative band width X_幅 = -1 !\n"},
  };
  for (const Case& c : cases) {
    Scratch s;
    write_file(s.path("in.bmp"), encode_bmp24(tile_pattern(c.width, c.height)));
    std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
    args.insert(args.end(), c.bands.begin(), c.bands.end());
    ToolResult got = run_in(s, "seam_loop", args);
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, size_line(c.width, c.height) + c.message);
    EXPECT_FALSE(std::filesystem::exists(s.path("out.bmp"))) << c.message;
    EXPECT_TRUE(s.tmp_entries().empty()) << c.message;
  }
  // 4 passes up the columns of a 20 × 9 image.
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(tile_pattern(20, 9)));
  EXPECT_EQ(run_in(s, "seam_loop", {s.path("in.bmp"), s.path("out.bmp"), "10", "4"}).status, 0);
}

TEST(SeamLoop, AnUnwritableTemporaryFolderIsReportedOnStandardError) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(tile_pattern(4, 4)));
  ToolResult got = run(ToolCall{"seam_loop",
                                {s.path("in.bmp"), s.path("out.bmp"), "1"},
                                "",
                                {{"TMPDIR", s.path("missing")}}});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.err, "Can't open temp0000.bmp !\n");
  EXPECT_FALSE(std::filesystem::exists(s.path("out.bmp")));
}

}  // namespace
}  // namespace bmp::test
