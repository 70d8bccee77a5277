// quadflip, run as its own process on files the tests write.
#include <gtest/gtest.h>

#include "tests/geometry/geometry_check.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("QUADFLIP UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: Command Infile Outfile flag\n"
                          "\n"
                          "--- flag ---\n"
                          "0 --- 0\n"
                          "1 --- 90(時計周り)\n"
                          "2 --- 180(時計周り)\n"
                          "3 --- 270(時計周り)\n"
                          "4 --- 裏0(時計周り)\n"
                          "5 --- 裏90(時計周り)\n"
                          "6 --- 裏180(時計周り)\n"
                          "7 --- 裏270(時計周り)\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

// The flag table in file coordinates: the input pixel that output column c,
// stored row r copies.
Image reference(const Image& in, int flag) {
  const int w = in.width, h = in.height;
  const bool exchange = flag % 2 != 0;
  const int out_w = exchange ? h : w, out_h = exchange ? w : h;
  return make_image(out_w, out_h, [&](int c, int r) {
    switch (flag) {
      case 0:
        return in.at(c, r);
      case 1:
        return in.at(w - 1 - r, c);
      case 2:
        return in.at(w - 1 - c, h - 1 - r);
      case 3:
        return in.at(r, h - 1 - c);
      case 4:
        return in.at(w - 1 - c, r);
      case 5:
        return in.at(r, c);
      case 6:
        return in.at(c, h - 1 - r);
      default:
        return in.at(w - 1 - r, h - 1 - c);
    }
  });
}

std::string stdout_of(const Image& in, int flag) {
  const int rows = flag % 2 != 0 ? in.width : in.height;
  const int base = flag == 5 || flag == 7 ? 1 : 0;
  return plain_size_line(in.width, in.height) + progress_lines("[%04d]\r", base, rows);
}

void expect_flag(const Image& in, int flag, uint8_t padding = 0xcd) {
  SCOPED_TRACE(testing::Message() << in.width << "x" << in.height << " flag " << flag);
  GeometryRun got = run_on("quadflip", {encode_bmp24(in, padding)}, {std::to_string(flag)});
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.result.out, stdout_of(in, flag));
  EXPECT_EQ(got.output, encode_bmp24(reference(in, flag)));
}

TEST(Quadflip, AnyOtherArgumentCountPrintsTheUsage) {
  expect_usage("quadflip", usage, {0, 1, 2, 4});
}

TEST(Quadflip, EveryFlagOnWidthsAndHeightsOneToFive) {
  for (int flag = 0; flag < 8; ++flag) {
    for (int w = 1; w <= 5; ++w) {
      for (int h = 1; h <= 5; h += 2) expect_flag(random_image(w, h, uint32_t(w * 10 + h)), flag);
    }
  }
}

TEST(Quadflip, ASinglePixelStaysInA58ByteFile) {
  const Image one = solid_image(1, 1, Pixel{1, 2, 3});
  for (int flag = 0; flag < 8; ++flag) {
    GeometryRun got = run_on("quadflip", {encode_bmp24(one)}, {std::to_string(flag)});
    EXPECT_EQ(got.output, (Bytes(encode_bmp24(one)))) << flag;
    EXPECT_EQ(got.output.size(), 58u);
  }
}

TEST(Quadflip, ThreeByTwoTurnedClockwiseShowsTheLeftColumnBottomUpOnTop) {
  // Displayed rows (top first) of a 3 x 2 input: a b c / d e f.
  const Pixel a{1, 0, 0}, b{2, 0, 0}, c{3, 0, 0}, d{4, 0, 0}, e{5, 0, 0}, f{6, 0, 0};
  Image in{3, 2, {d, e, f, a, b, c}};  // stored bottom row first
  GeometryRun got = run_on("quadflip", {encode_bmp24(in)}, {"1"});
  ASSERT_EQ(got.output.size(), 78u);
  EXPECT_EQ(le32(got.output, 2), 78u);
  // Turned clockwise, displayed top first: d a / e b / f c.
  EXPECT_EQ(decode_bmp24(got.output).pixels, (std::vector<Pixel>{f, c, e, b, d, a}));
}

TEST(Quadflip, RoundTripsGiveTheInputBack) {
  const Image in = random_image(7, 5, 3);
  const std::pair<int, int> pairs[] = {{7, 7}, {5, 5}, {1, 3}, {3, 1}, {4, 4}, {2, 2}, {6, 6}};
  for (auto [first, second] : pairs) {
    GeometryRun once = run_on("quadflip", {encode_bmp24(in)}, {std::to_string(first)});
    GeometryRun twice = run_on("quadflip", {once.output}, {std::to_string(second)});
    EXPECT_EQ(twice.output, encode_bmp24(in)) << first << " then " << second;
  }
}

TEST(Quadflip, TheFlagIsTruncatedAndAnUnknownOneIsRefusedAfterTheSizeLine) {
  const Image in = random_image(3, 2, 9);
  GeometryRun one = run_on("quadflip", {encode_bmp24(in)}, {"1.99"});
  EXPECT_EQ(one.output, encode_bmp24(reference(in, 1)));
  GeometryRun zero = run_on("quadflip", {encode_bmp24(in)}, {"-0.5"});
  EXPECT_EQ(zero.output, encode_bmp24(in));
  for (const char* flag : {"8", "-1", "1e10"}) {
    GeometryRun got = run_on("quadflip", {encode_bmp24(in)}, {flag});
    EXPECT_EQ(got.result.status, 1) << flag;
    EXPECT_EQ(got.result.out, plain_size_line(3, 2) + "Wrong Flag !\n") << flag;
    EXPECT_FALSE(got.has_output) << flag;
  }
}

TEST(Quadflip, BadInputsAreRefusedWithoutOutput) {
  Bytes good = encode_bmp24(random_image(2, 2, 1));
  Bytes wrong_magic = good;
  wrong_magic[1] = 'X';
  Bytes eight_bits = good;
  put_le16(eight_bits, 28, 8);
  Bytes short_rows(good.begin(), good.end() - 1);
  const std::pair<Bytes, std::string> cases[] = {
      {wrong_magic, "Wrong Format !\n"},
      {eight_bits, "このファイルは1670万色タイプではありません\n"},
  };
  for (const auto& [bytes, message] : cases) {
    GeometryRun got = run_on("quadflip", {bytes}, {"1"});
    EXPECT_EQ(got.result.status, 1);
    EXPECT_EQ(got.result.out, message);
    EXPECT_FALSE(got.has_output);
  }
  GeometryRun cut = run_on("quadflip", {short_rows}, {"1"});
  EXPECT_EQ(cut.result.status, 1);
  EXPECT_NE(cut.result.out.find("Truncated file"), std::string::npos);
  EXPECT_FALSE(cut.has_output);
}

TEST(Quadflip, EmptyImagesGiveHeadersOnly) {
  for (int flag = 0; flag < 8; ++flag) {
    expect_flag(Image{0, 3, {}}, flag);
    expect_flag(Image{4, 0, {}}, flag);
  }
}

TEST(Quadflip, LargeImagesMatchTheTable) {
  // Shared among threads in tiles, rows longer than a read block, and
  // heights that end in a partial tile or block.
  const Image wide = random_image(90001, 3, 5);
  for (int flag : {0, 2, 4, 6}) expect_flag(wide, flag);
  for (int flag = 0; flag < 8; ++flag) expect_flag(random_image(333, 517, uint32_t(flag)), flag);
}

TEST(Quadflip, RandomSizesMatchTheTable) {
  std::mt19937 gen(42);
  for (int i = 0; i < 24; ++i) {
    const int w = 1 + int(gen() % 150), h = 1 + int(gen() % 150);
    expect_flag(random_image(w, h, gen()), int(gen() % 8), uint8_t(gen()));
  }
}

}  // namespace
}  // namespace bmp::test
