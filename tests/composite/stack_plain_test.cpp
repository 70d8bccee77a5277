// stack_plain, run as its own process: images of one width one above the
// other, the first on top; also the checks every stacking tool shares.
#include <gtest/gtest.h>

#include "tests/composite/stack_reference.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("PICTURE 縦COPY UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: Command Infile * * * * * * * * Infile Outfile\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

TEST(StackPlain, CountsOutsideTwoToFifteenInputsPrintTheUsage) {
  for (int count : {1, 2, 3, 18}) {
    ToolResult got =
        run("stack_plain", std::vector<std::string>(static_cast<size_t>(count - 1), "x"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(StackPlain, TwoImagesFiveWide) {
  std::vector<Image> images{numbered_image(0, 5, 2), numbered_image(1, 5, 3)};
  Combined got = combine("stack_plain", images);
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  // The last input first, its counter from 0, then the first input.
  EXPECT_EQ(got.result.out, size_lines(images) + report_lines(5, 5) + progress(3) + progress(2));
  // Rows of 15 pixel bytes and 5 mod 4 = 1 zero byte: 54 + 5 × 16.
  ASSERT_EQ(got.out.size(), 134u);
  EXPECT_EQ(le32(got.out, 2), 134u);
  for (size_t row = 0; row < 5; ++row) EXPECT_EQ(got.out[54 + 16 * row + 15], 0) << row;
  Image out = decode_bmp24(got.out);
  EXPECT_EQ(out.at(2, 4), images[0].at(2, 1)) << "the first input forms the top rows";
  EXPECT_EQ(out.at(2, 0), images[1].at(2, 0));
  EXPECT_EQ(out.pixels, stack_model(images, {}, 0).pixels);
}

TEST(StackPlain, FifteenInputs) {
  std::vector<Image> images;
  for (int i = 0; i < 15; ++i) images.push_back(numbered_image(i, 6, 1 + i % 4));
  Combined got = combine("stack_plain", images);
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.out, encode_bmp24(stack_model(images, {}, 0)));
}

TEST(StackPlain, RowsLongerThanAReadBlock) {
  std::vector<Image> images{numbered_image(0, 90001, 1), numbered_image(1, 90001, 2)};
  EXPECT_EQ(combine("stack_plain", images).out, encode_bmp24(stack_model(images, {}, 0)));
}

TEST(StackPlain, ZeroSizedInputs) {
  std::vector<Image> high{Image{0, 2, {}}, Image{0, 3, {}}};
  Combined got = combine("stack_plain", high);
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.out, encode_bmp24(Image{0, 5, {}}));
  std::vector<Image> flat{Image{4, 0, {}}, numbered_image(1, 4, 2)};
  EXPECT_EQ(combine("stack_plain", flat).out, encode_bmp24(numbered_image(1, 4, 2)));
}

TEST(StackPlain, AWidthThatDiffersIsRefusedAfterEverySizeLine) {
  std::vector<Image> images{numbered_image(0, 4, 2), numbered_image(1, 4, 2),
                            numbered_image(2, 5, 2)};
  Combined got = combine("stack_plain", images);
  EXPECT_EQ(got.result.status, 1);
  EXPECT_EQ(got.result.out, size_lines(images) + "大きさが違います。Infile[2]\n");
  EXPECT_TRUE(got.out.empty());
}

TEST(StackPlain, InputChecks) {
  struct Case {
    const char* title;
    size_t at;  // the byte of input 1 changed
    uint32_t value;
    std::string message;  // IN: input 1's path
  };
  const std::string not_full = "このファイルは1670万色タイプではありません。(Infile[1])\n";
  const Case cases[] = {
      {"bit count 32", 28, 32, not_full},
      {"compressed", 30, 1, "Compressed file IN !\n"},
      {"top-down", 22, static_cast<uint32_t>(-2), "Negative size in IN !\n"},
      {"taller than the file", 22, 9, "Truncated file IN !\n"},
  };
  for (const Case& c : cases) {
    Scratch s;
    write_file(s.path("a.bmp"), encode_bmp24(numbered_image(0, 3, 2)));
    Bytes second = encode_bmp24(numbered_image(1, 3, 2));
    if (c.at == 28) {
      put_le16(second, c.at, static_cast<uint16_t>(c.value));
    } else {
      put_le32(second, c.at, c.value);
    }
    write_file(s.path("b.bmp"), second);
    ToolResult got = run("stack_plain", {s.path("a.bmp"), s.path("b.bmp"), s.path("out.bmp")});
    std::string message = c.message;
    if (auto at = message.find("IN"); at != std::string::npos)
      message.replace(at, 2, s.path("b.bmp"));
    EXPECT_EQ(got.status, 1) << c.title;
    EXPECT_EQ(got.out, "Infile[0] X_size = 3 Y_size = 2 1670万色\n" + message) << c.title;
    EXPECT_FALSE(std::filesystem::exists(s.path("out.bmp"))) << c.title;
  }
}

TEST(StackPlain, NoSignatureIsTested) {
  Scratch s;
  Image image = numbered_image(0, 2, 2);
  Bytes unsigned_file = encode_bmp24(image);
  unsigned_file[0] = 'X';
  unsigned_file[1] = 'Y';
  write_file(s.path("a.bmp"), unsigned_file);
  ToolResult got = run("stack_plain", {s.path("a.bmp"), s.path("a.bmp"), s.path("out.bmp")});
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(stack_model({image, image}, {}, 0)));
}

TEST(StackPlain, OutfileMayNameAnInput) {
  Scratch s;
  std::vector<Image> images{numbered_image(0, 3, 2), numbered_image(1, 3, 1)};
  write_file(s.path("a.bmp"), encode_bmp24(images[0]));
  write_file(s.path("b.bmp"), encode_bmp24(images[1]));
  ToolResult got = run("stack_plain", {s.path("a.bmp"), s.path("b.bmp"), s.path("a.bmp")});
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(read_file(s.path("a.bmp")), encode_bmp24(stack_model(images, {}, 0)));
}

TEST(StackPlain, TheDriveNumberComesFromTheSecondArgument) {
  Scratch s;
  DriveLetterPath second("b.bmp");
  write_file(s.path("a.bmp"), encode_bmp24(numbered_image(0, 2, 1)));
  write_file(second.path(), encode_bmp24(numbered_image(1, 2, 1)));
  ToolResult got = run("stack_plain", {s.path("a.bmp"), second.path(), s.path("out.bmp")});
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_NE(got.out.find("DIRECTORY = 3\n"), std::string::npos) << got.out;
}

}  // namespace
}  // namespace bmp::test
