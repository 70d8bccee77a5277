// join_plain, run as its own process: images of one height side by side,
// the first on the left.
#include <gtest/gtest.h>

#include "tests/composite/stack_reference.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("PICTURE 横COPY UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: Command Infile * * * * * * * * Infile Outfile\n"
                          "dmバグ修正\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

TEST(JoinPlain, CountsOutsideTwoToFifteenInputsPrintTheUsage) {
  for (int count : {1, 2, 3, 18}) {
    ToolResult got =
        run("join_plain", std::vector<std::string>(static_cast<size_t>(count - 1), "x"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(JoinPlain, ThreeAndTwoPixelsWide) {
  // Input 0 skips its 3 junk bytes, input 1 its 2; the output row is 5
  // pixels and one zero byte.
  std::vector<Image> images{numbered_image(0, 3, 4), numbered_image(1, 2, 4)};
  Combined got = combine("join_plain", images);
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.result.out, size_lines(images) + report_lines(5, 4) + progress(4));
  ASSERT_EQ(got.out.size(), 54u + 4 * 16);
  for (size_t row = 0; row < 4; ++row) EXPECT_EQ(got.out[54 + 16 * row + 15], 0) << row;
  Image out = decode_bmp24(got.out);
  EXPECT_EQ(out.at(2, 3), images[0].at(2, 3));
  EXPECT_EQ(out.at(3, 1), images[1].at(0, 1));
}

TEST(JoinPlain, JoinsMatchTheModel) {
  for (const std::vector<int>& widths : std::vector<std::vector<int>>{
           {1, 1}, {4, 5, 6}, {0, 3}, {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3}}) {
    std::vector<Image> images;
    for (size_t i = 0; i < widths.size(); ++i) {
      images.push_back(numbered_image(static_cast<int>(i), widths[i], 3));
    }
    Combined got = combine("join_plain", images);
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.out, encode_bmp24(join_model(images, {}, 0))) << widths.size() << " inputs";
  }
}

TEST(JoinPlain, AHeightThatDiffersIsRefused) {
  std::vector<Image> images{numbered_image(0, 2, 3), numbered_image(1, 2, 4)};
  Combined got = combine("join_plain", images);
  EXPECT_EQ(got.result.status, 1);
  EXPECT_EQ(got.result.out, size_lines(images) + "大きさが違います。Infile[1]\n");
  EXPECT_TRUE(got.out.empty());
}

TEST(JoinPlain, AnOutputTooWideForItsHeaderIsRefused) {
  Scratch s;
  Bytes wide = encode_bmp24(Image{0, 0, {}});
  put_le32(wide, 18, 1000000000);
  write_file(s.path("wide.bmp"), wide);
  ToolResult got = run("join_plain", {s.path("wide.bmp"), s.path("wide.bmp"), s.path("out.bmp")});
  EXPECT_EQ(got.status, 1);
  EXPECT_NE(got.out.find("Image too large: " + s.path("out.bmp") + " !\n"), std::string::npos)
      << got.out;
  EXPECT_EQ(got.out.find("DIRECTORY"), std::string::npos);
}

}  // namespace
}  // namespace bmp::test
