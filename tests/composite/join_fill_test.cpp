// join_fill, run as its own process: images of any heights side by side,
// aligned up, centre or down on a fill colour.
#include <gtest/gtest.h>

#include "tests/composite/stack_reference.hpp"

namespace bmp::test {
namespace {

const std::string usage =
    banner("PICTURE 横COPY UTILITY (BMP FILE VERSION)\n") +
    "\n"
    "USAGE: Command Infile * * * * * * * * Infile Outfile red green blue Flag\n"
    "dmバグ修正\n"
    "--- Flag ---\n"
    "0 *** up\n"
    "1 *** Center\n"
    "2 *** dn\n"
    "\n"
    "WARNING for BMP FILE ONLY\n";

TEST(JoinFill, CountsOutsideTwoToFifteenInputsPrintTheUsage) {
  for (int count : {1, 2, 7, 22}) {
    ToolResult got =
        run("join_fill", std::vector<std::string>(static_cast<size_t>(count - 1), "x"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(JoinFill, EachFlagAlignsTheLowerInputs) {
  std::vector<Image> images{numbered_image(0, 3, 2), numbered_image(1, 2, 6),
                            numbered_image(2, 5, 3), numbered_image(3, 1, 0)};
  const Pixel fill{7, 8, 9};
  for (int flag = 0; flag <= 2; ++flag) {
    Combined got = combine("join_fill", images, {"9", "8", "7", std::to_string(flag)});
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.result.out, size_lines(images) + report_lines(11, 6) + progress(6));
    EXPECT_EQ(got.out, encode_bmp24(join_model(images, fill, flag))) << "Flag " << flag;
  }
}

TEST(JoinFill, CentringThreeRowsLowerLeavesOneBelowAndTwoAbove) {
  std::vector<Image> images{numbered_image(0, 1, 5), numbered_image(1, 1, 2)};
  Image out = decode_bmp24(combine("join_fill", images, {"1", "2", "3", "1"}).out);
  const Pixel fill{3, 2, 1};
  EXPECT_EQ(out.at(1, 0), fill);  // stored row 0 is the bottom
  EXPECT_EQ(out.at(1, 1), images[1].at(0, 0));
  EXPECT_EQ(out.at(1, 2), images[1].at(0, 1));
  EXPECT_EQ(out.at(1, 3), fill);
  EXPECT_EQ(out.at(1, 4), fill);
}

TEST(JoinFill, AFlagOtherThanZeroToTwoIsRefused) {
  std::vector<Image> images{numbered_image(0, 3, 1), numbered_image(1, 1, 2)};
  Combined got = combine("join_fill", images, {"0", "0", "0", "5"});
  EXPECT_EQ(got.result.status, 1);
  EXPECT_EQ(got.result.out, "Wrong Flags ! \n");
  EXPECT_TRUE(got.out.empty());
}

}  // namespace
}  // namespace bmp::test
