// blank, run as its own process: solid images compared with the test's own
// encoding of the expected colour, and the sizes it refuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/draw/gradient_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("BLANK UTILITY(BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: COMMAND Filename x_size y_size red green blue\n"
                          "       COMMAND Filename x_size y_size mono\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

std::string done(int width, int height) {
  char line[64];
  std::snprintf(line, sizeof line, "This size is %4d * %4d\n\n", width, height);
  return progress_lines(height) + line;
}

TEST(Blank, OtherArgumentCountsPrintTheUsageAndALoneArgumentIsRefused) {
  for (int count : {0, 2, 3, 5, 7}) {
    ToolResult got = run("blank", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
  ToolResult lone = run("blank", {"out.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "\nWrong Paramater !\n");
}

TEST(Blank, EachChannelIsTheLowByteOfItsTruncatedValue) {
  struct Case {
    std::vector<std::string> colour;  // red green blue, or mono
    Pixel want;
  };
  const Case cases[] = {
      {{"10", "20", "30"}, {30, 20, 10}},
      {{"128.9"}, {128, 128, 128}},
      {{"256", "300", "-1"}, {255, 44, 0}},  // no clamping: only the low 8 bits
      {{"-0.9", "255.99", "1e3"}, {232, 255, 0}},
      {{"inf", "-inf", "nan"}, {0, 0, 255}},  // saturated, NaN 0
  };
  for (const Case& c : cases) {
    Scratch s;
    std::vector<std::string> args{s.path("out.bmp"), "5", "3"};
    args.insert(args.end(), c.colour.begin(), c.colour.end());
    ToolResult got = run("blank", args);
    ASSERT_EQ(got.status, 0) << c.colour[0];
    EXPECT_EQ(got.out, done(5, 3));
    // Width 5: each row is 15 pixel bytes and one zero byte.
    EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(solid_image(5, 3, c.want))) << c.colour[0];
  }
}

TEST(Blank, SizesWithoutPixelsAndRowsLongerThanABlock) {
  struct Case {
    int width, height;
  };
  for (const Case& c : {Case{0, 3}, Case{4, 0}, Case{100003, 2}}) {
    Scratch s;
    ToolResult got = run("blank", {s.path("out.bmp"), std::to_string(c.width),
                                   std::to_string(c.height), "1", "2", "3"});
    ASSERT_EQ(got.status, 0) << c.width;
    EXPECT_EQ(got.out, done(c.width, c.height));
    EXPECT_EQ(read_file(s.path("out.bmp")),
              encode_bmp24(solid_image(c.width, c.height, {3, 2, 1})));
  }
}

TEST(Blank, SizesAFileCannotHoldAreRefusedWithoutOutput) {
  for (const char* size : {"-1", "2147483647"}) {
    Scratch s;
    ToolResult got = run("blank", {s.path("out.bmp"), size, "3", "7"});
    EXPECT_EQ(got.status, 1) << size;
    EXPECT_NE(got.out.find(s.path("out.bmp")), std::string::npos) << got.out;
    EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << size;
  }
  Scratch s;
  ToolResult no_folder = run("blank", {s.path("none/out.bmp"), "3", "3", "7"});
  EXPECT_EQ(no_folder.status, 1);
  EXPECT_EQ(no_folder.out, "\ncan't open source file " + s.path("none/out.bmp") + "\n");
}

}  // namespace
}  // namespace bmp::test
