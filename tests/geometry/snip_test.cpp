// snip, run as its own process on files the tests write.
#include <gtest/gtest.h>

#include "tests/geometry/geometry_check.hpp"

namespace bmp::test {
namespace {

const std::string usage =
    banner("SNIP UTILITY (BMP FILE VERSION)\n") +
    "\n"
    "USAGE: COMMAND INFILE1(3-BITE) OUTFILE(3-BITE) X_SIZE Y_SIZE OFF_X OFF_Y\n"
    "\n"
    "WARNING for BMP FILE ONLY\n";

std::string infile_line(int width, int height) {
  return "Infile1 X_size = " + std::to_string(width) + " Y_size = " + std::to_string(height) +
         " 1670万色\n";
}

// The rectangle in file coordinates: stored rows H - off_y - y_size up.
Image cut(const Image& in, int x_size, int y_size, int off_x, int off_y) {
  const int first = in.height - off_y - y_size;
  return make_image(x_size, y_size, [&](int c, int r) { return in.at(off_x + c, first + r); });
}

std::vector<std::string> numbers(int x_size, int y_size, int off_x, int off_y) {
  return {std::to_string(x_size), std::to_string(y_size), std::to_string(off_x),
          std::to_string(off_y)};
}

void expect_snip(const Image& in, int x_size, int y_size, int off_x, int off_y) {
  SCOPED_TRACE(testing::Message() << in.width << "x" << in.height << " cut " << x_size << "x"
                                  << y_size << "+" << off_x << "+" << off_y);
  GeometryRun got = run_on("snip", {encode_bmp24(in, 0x99)}, numbers(x_size, y_size, off_x, off_y));
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.result.out, infile_line(in.width, in.height) + "DIRECTORY = 0\n" +
                                progress_lines("[%04d]\r", 0, y_size));
  EXPECT_EQ(got.output, encode_bmp24(cut(in, x_size, y_size, off_x, off_y)));
}

TEST(Snip, AnyOtherArgumentCountPrintsTheUsage) { expect_usage("snip", usage, {0, 1, 5, 7}); }

TEST(Snip, RectanglesOnWidthsOneToFive) {
  for (int w = 1; w <= 5; ++w) {
    const Image in = random_image(w, 4, uint32_t(w));
    for (int x = 0; x <= w; ++x) {
      for (int off = 0; off + x <= w; ++off) expect_snip(in, x, 2, off, 4 - 2 - off % 3);
    }
  }
}

TEST(Snip, TheFiveByFourExample) {
  // Displayed rows 1 and 2 (from the top), columns 1 to 3: stored rows 1 and 2.
  const Image in = random_image(5, 4, 3);
  GeometryRun got = run_on("snip", {encode_bmp24(in)}, numbers(3, 2, 1, 1));
  ASSERT_EQ(got.output.size(), 78u);
  EXPECT_EQ(le32(got.output, 2), 78u);
  const Image out = decode_bmp24(got.output);
  EXPECT_EQ(out.at(0, 0), in.at(1, 1));
  EXPECT_EQ(out.at(2, 1), in.at(3, 2));
}

TEST(Snip, CopiesEmptyCutsAndWideRows) {
  const Image in = random_image(6, 5, 4);
  expect_snip(in, 6, 5, 0, 0);
  expect_snip(in, 0, 3, 2, 1);
  expect_snip(in, 4, 0, 2, 5);
  expect_snip(random_image(90001, 3, 5), 70001, 2, 19999, 1);
}

TEST(Snip, TheDriveLetterOfTheOutputIsShown) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(random_image(2, 2, 1)));
  // Relative names whose second character is ':' (folders "c:" and "C:").
  std::filesystem::create_directory(s.path("c:"));
  std::filesystem::create_directory(s.path("C:"));
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(s.folder());
  ToolResult lower = run("snip", {"in.bmp", "c:/out.bmp", "1", "1", "0", "0"});
  ToolResult upper = run("snip", {"in.bmp", "C:/out.bmp", "1", "1", "0", "0"});
  std::filesystem::current_path(here);
  EXPECT_EQ(lower.out, infile_line(2, 2) + "DIRECTORY = 3\n[0000]\r");
  EXPECT_EQ(upper.out, infile_line(2, 2) + "DIRECTORY = -29\n[0000]\r");
  EXPECT_TRUE(std::filesystem::exists(s.path("c:/out.bmp")));
}

TEST(Snip, RefusalsLeaveNoOutput) {
  const Image in = random_image(5, 4, 1);
  struct Case {
    std::vector<std::string> numbers;
    std::string message;
  };
  const Case cases[] = {
      {numbers(5, 4, 1, 0), "OVER SIZE !\n"},
      {numbers(5, 4, 0, 1), "OVER SIZE !\n"},
      {numbers(1, 1, 2147483647, 0), "OVER SIZE !\n"},
      {numbers(2147483647, 2147483647, 2147483647, 2147483647), "OVER SIZE !\n"},
      {numbers(-1, 2, 0, 0), "Negative X_SIZE !\n"},
      {numbers(2, -1, 0, 0), "Negative Y_SIZE !\n"},
      {numbers(2, 2, -1, 0), "Negative OFF_X !\n"},
      {numbers(2, 2, 0, -3), "Negative OFF_Y !\n"},
  };
  for (const Case& c : cases) {
    GeometryRun got = run_on("snip", {encode_bmp24(in)}, c.numbers);
    EXPECT_EQ(got.result.status, 1);
    EXPECT_EQ(got.result.out, infile_line(5, 4) + "DIRECTORY = 0\n" + c.message);
    EXPECT_FALSE(got.has_output);
  }
  // The first two bytes are not tested; the bit count is.
  Bytes any_magic = encode_bmp24(in);
  any_magic[0] = 'X';
  EXPECT_EQ(run_on("snip", {any_magic}, numbers(1, 1, 0, 0)).result.status, 0);
  Bytes eight = encode_bmp24(in);
  put_le16(eight, 28, 8);
  GeometryRun bad = run_on("snip", {eight}, numbers(1, 1, 0, 0));
  EXPECT_EQ(bad.result.out, "このファイルは1670万色タイプではありません。(Infile1)\n");
  EXPECT_FALSE(bad.has_output);
}

TEST(Snip, RandomRectanglesMatchTheModel) {
  std::mt19937 gen(6);
  for (int i = 0; i < 20; ++i) {
    const int w = 1 + int(gen() % 80), h = 1 + int(gen() % 80);
    const int x = int(gen() % (w + 1)), y = int(gen() % (h + 1));
    expect_snip(random_image(w, h, gen()), x, y, int(gen() % (w - x + 1)),
                int(gen() % (h - y + 1)));
  }
}

}  // namespace
}  // namespace bmp::test
