// stack_fill, run as its own process: images of any widths one above the
// other, aligned left, centre or right on a fill colour.
#include <gtest/gtest.h>

#include "tests/composite/stack_reference.hpp"

namespace bmp::test {
namespace {

const std::string usage =
    banner("PICTURE 縦COPY UTILITY (BMP FILE VERSION)\n") +
    "\n"
    "USAGE: Command Infile * * * * * * * * Infile Outfile red Green Blue Flag\n"
    "---Flag---\n"
    "0 *** left\n"
    "1 *** center\n"
    "2 *** right\n"
    "\n"
    "WARNING for BMP FILE ONLY\n";

TEST(StackFill, CountsOutsideTwoToFifteenInputsPrintTheUsage) {
  for (int count : {1, 2, 7, 22}) {
    ToolResult got =
        run("stack_fill", std::vector<std::string>(static_cast<size_t>(count - 1), "x"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(StackFill, EachFlagAlignsTheNarrowerInputs) {
  std::vector<Image> images{numbered_image(0, 4, 2), numbered_image(1, 7, 1),
                            numbered_image(2, 2, 3)};
  const Pixel fill{30, 20, 10};
  for (int flag = 0; flag <= 2; ++flag) {
    Combined got = combine("stack_fill", images, {"10", "20", "30", std::to_string(flag)});
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.result.out,
              size_lines(images) + report_lines(7, 6) + progress(3) + progress(1) + progress(2));
    EXPECT_EQ(got.out, encode_bmp24(stack_model(images, fill, flag))) << "Flag " << flag;
  }
}

TEST(StackFill, CentringThreePixelsNarrowerPutsOneLeftAndTwoRight) {
  std::vector<Image> images{numbered_image(0, 5, 1), numbered_image(1, 2, 1)};
  Image out = decode_bmp24(combine("stack_fill", images, {"1", "2", "3", "1"}).out);
  const Pixel fill{3, 2, 1};
  EXPECT_EQ(out.at(0, 0), fill);
  EXPECT_EQ(out.at(1, 0), images[1].at(0, 0));
  EXPECT_EQ(out.at(2, 0), images[1].at(1, 0));
  EXPECT_EQ(out.at(3, 0), fill);
  EXPECT_EQ(out.at(4, 0), fill);
}

TEST(StackFill, NumbersAreIntegersAndColoursTheirLowBytes) {
  // 256 writes 0, −1 writes 255, 2.7 reads 2 (also as Flag: right).
  std::vector<Image> images{numbered_image(0, 3, 1), numbered_image(1, 1, 1)};
  Combined got = combine("stack_fill", images, {"256", "-1", "2.7", "2.7"});
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.out, encode_bmp24(stack_model(images, {2, 255, 0}, 2)));
}

TEST(StackFill, AFlagOtherThanZeroToTwoIsRefused) {
  for (const char* flag : {"3", "-1", "x3"}) {
    std::vector<Image> images{numbered_image(0, 3, 1), numbered_image(1, 1, 1)};
    Combined got = combine("stack_fill", images, {"0", "0", "0", flag});
    if (std::string(flag) == "x3") {  // not a number: 0, left
      EXPECT_EQ(got.result.status, 0);
      continue;
    }
    EXPECT_EQ(got.result.status, 1) << flag;
    EXPECT_EQ(got.result.out, "Wrong Flags ! \n") << flag;
    EXPECT_TRUE(got.out.empty()) << flag;
  }
}

TEST(StackFill, AnOutputTooLargeForItsHeaderIsRefusedBeforeTheReport) {
  // 10^9 pixels wide and no rows is a valid input; stacked on 2 rows of it
  // the output would need 6 × 10^9 bytes.
  Scratch s;
  Bytes wide = encode_bmp24(Image{0, 0, {}});
  put_le32(wide, 18, 1000000000);
  write_file(s.path("wide.bmp"), wide);
  write_file(s.path("low.bmp"), encode_bmp24(numbered_image(0, 1, 2)));
  ToolResult got = run(
      "stack_fill", {s.path("wide.bmp"), s.path("low.bmp"), s.path("out.bmp"), "0", "0", "0", "0"});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out,
            "Infile[0] X_size = 1000000000 Y_size = 0 1670万色\n"
            "Infile[1] X_size = 1 Y_size = 2 1670万色\n"
            "Image too large: " +
                s.path("out.bmp") + " !\n");
  EXPECT_FALSE(std::filesystem::exists(s.path("out.bmp")));
}

}  // namespace
}  // namespace bmp::test
