// fusion, run as its own process on files the tests write.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "tests/composite/composite_cli.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("PICTURE FUSION UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: Command Infile1(3-bite) Infile2(3-bite) Outfile(4-bite) (flag)\n"
                          "\n"
                          "---FLAG---\n"
                          "0 or no ----- マスクは白が本体、黒が透過(Links LW)\n"
                          "else -------- マスクは黒が本体、白が透過(VI)\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

// The grey level: three products truncated one by one, red weighted 0.30.
int grey(const Pixel& p) {
  return int(std::trunc(p.r * 0.30)) + int(std::trunc(p.g * 0.59)) + int(std::trunc(p.b * 0.11));
}

Image4 fused(const Image& colour, const Image& mask, bool black_body) {
  return make_image4(colour.width, colour.height, [&](int c, int r) {
    int g = grey(mask.at(c, r));
    const Pixel& p = colour.at(c, r);
    return Pixel4{uint8_t(black_body ? 255 - g : g), p.r, p.g, p.b};
  });
}

Image colours(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    return Pixel{uint8_t(c * 50 + r), uint8_t(200 - r * 30), uint8_t(c * r * 17 + 9)};
  });
}

// Pure white and black, the three primaries and two greys.
Image masks() {
  const Pixel cells[] = {{255, 255, 255}, {0, 0, 0},   {0, 0, 255},
                         {0, 255, 0},     {255, 0, 0}, {128, 128, 128}};
  return make_image(3, 2, [&](int c, int r) { return cells[r * 3 + c]; });
}

std::string header_lines(int width, int height) {
  return infile_line(1, width, height) + infile_line(2, width, height);
}

TEST(Fusion, AnyOtherArgumentCountPrintsTheUsage) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"a.bmp"}, {"a.bmp", "b.bmp"}, {"a.bmp", "b.bmp", "c.bmp", "0", "x"}}) {
    ToolResult got = run("fusion", args);
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, usage);
  }
}

TEST(Fusion, AlphaIsTheMasksGreyOrItsInverse) {
  struct Case {
    std::vector<std::string> flag;
    bool black_body;
  };
  for (const Case& c : {Case{{}, false}, Case{{"0"}, false}, Case{{"1"}, true}, Case{{"-4"}, true},
                        Case{{"0.9"}, false}, Case{{"x"}, false}}) {
    Scratch s;
    Image colour = colours(3, 2);
    write_file(s.path("c.bmp"), encode_bmp24(colour, 0xee));
    write_file(s.path("m.bmp"), encode_bmp24(masks(), 0x11));
    std::vector<std::string> args{s.path("c.bmp"), s.path("m.bmp"), s.path("o.bmp")};
    args.insert(args.end(), c.flag.begin(), c.flag.end());
    ToolResult got = run("fusion", args);
    std::string flag = c.flag.empty() ? "none" : c.flag[0];
    ASSERT_EQ(got.status, 0) << flag << got.out;
    EXPECT_EQ(got.out, header_lines(3, 2) + "DIRECTORY = 0\nFILESIZE  = 146バイト\n" + progress(2));
    Bytes out = read_file(s.path("o.bmp"));
    EXPECT_EQ(out.size(), 146u);
    EXPECT_EQ(out, encode_bmp4(fused(colour, masks(), c.black_body))) << "flag " << flag;
  }
}

TEST(Fusion, WhiteMaskGivesAlpha254AndBlackZero) {
  Scratch s;
  write_file(s.path("c.bmp"), encode_bmp24(colours(3, 2)));
  write_file(s.path("m.bmp"), encode_bmp24(masks()));
  for (auto [flag, white, black] : {std::tuple{"0", 254, 0}, std::tuple{"1", 1, 255}}) {
    ASSERT_EQ(run("fusion", {s.path("c.bmp"), s.path("m.bmp"), s.path("o.bmp"), flag}).status, 0);
    Image4 out = decode_bmp4(read_file(s.path("o.bmp")));
    EXPECT_EQ(out.at(0, 0).a, white) << flag;
    EXPECT_EQ(out.at(1, 0).a, black) << flag;
  }
}

TEST(Fusion, EmptyImagesAreValid) {
  for (auto [width, height] : {std::pair{0, 3}, std::pair{4, 0}}) {
    Scratch s;
    Image empty = colours(width, height);
    write_file(s.path("c.bmp"), encode_bmp24(empty));
    write_file(s.path("m.bmp"), encode_bmp24(empty));
    ToolResult got = run("fusion", {s.path("c.bmp"), s.path("m.bmp"), s.path("o.bmp")});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.out, header_lines(width, height) + "DIRECTORY = 0\nFILESIZE  = 122バイト\n" +
                           progress(height));
    EXPECT_EQ(read_file(s.path("o.bmp")), encode_bmp4(Image4{width, height, {}}));
  }
}

TEST(Fusion, TheDirectoryLineComesFromTheMasksName) {
  Scratch s;
  DriveLetterPath mask("fusion_mask.bmp");
  write_file(s.path("c.bmp"), encode_bmp24(colours(2, 1)));
  write_file(mask.path(), encode_bmp24(colours(2, 1)));
  ToolResult got = run("fusion", {s.path("c.bmp"), mask.path(), s.path("o.bmp")});
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.out, header_lines(2, 1) + "DIRECTORY = 3\nFILESIZE  = 130バイト\n" + progress(1));
}

// Refusals: the lines before the message, status 1, and no output.
TEST(Fusion, RefusalsLeaveNoOutput) {
  struct Case {
    const char* title;
    Bytes colour, mask;
    std::string out;
  };
  Bytes four_byte = encode_bmp4(make_image4(3, 2, [](int, int) { return Pixel4{}; }));
  const Case cases[] = {
      {"widths differ", encode_bmp24(colours(3, 2)), encode_bmp24(colours(4, 2)),
       infile_line(1, 3, 2) + infile_line(2, 4, 2) + "大きさが違います。\n"},
      {"heights differ", encode_bmp24(colours(3, 2)), encode_bmp24(colours(3, 1)),
       infile_line(1, 3, 2) + infile_line(2, 3, 1) + "大きさが違います。\n"},
      {"colour image not 24-bit", four_byte, encode_bmp24(colours(3, 2)), not_full_colour(1)},
      {"mask not 24-bit", encode_bmp24(colours(3, 2)), four_byte,
       infile_line(1, 3, 2) + not_full_colour(2)},
  };
  for (const Case& c : cases) {
    Scratch s;
    write_file(s.path("c.bmp"), c.colour);
    write_file(s.path("m.bmp"), c.mask);
    ToolResult got = run("fusion", {s.path("c.bmp"), s.path("m.bmp"), s.path("o.bmp")});
    EXPECT_EQ(got.status, 1) << c.title;
    EXPECT_EQ(got.out, c.out) << c.title;
    EXPECT_FALSE(fs::exists(s.path("o.bmp"))) << c.title;
  }
}

TEST(Fusion, AnOutputBeyondTheSizeFieldIsRefusedBeforeTheDirectoryLine) {
  // 40000 x 30000 fits a 24-bit file's field but not a 4-byte file's.
  Scratch s;
  Bytes big = encode_bmp24(Image{0, 0, {}});
  put_le32(big, 18, 40000);
  put_le32(big, 22, 30000);
  write_file(s.path("c.bmp"), big);
  fs::resize_file(s.path("c.bmp"), 54 + uintmax_t{30000} * 120000);  // sparse
  fs::create_symlink(s.path("c.bmp"), s.path("m.bmp"));
  ToolResult got = run("fusion", {s.path("c.bmp"), s.path("m.bmp"), s.path("o.bmp")});
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, header_lines(40000, 30000) + "Image too large: " + s.path("o.bmp") + " !\n");
  EXPECT_FALSE(fs::exists(s.path("o.bmp")));
}

TEST(Fusion, OutfileMayNameTheColourImage) {
  Scratch s;
  Image colour = colours(5, 3);
  Image mask = make_image(5, 3, [](int c, int r) { return Pixel{uint8_t(c * 60), 9, uint8_t(r)}; });
  write_file(s.path("c.bmp"), encode_bmp24(colour));
  write_file(s.path("m.bmp"), encode_bmp24(mask));
  ASSERT_EQ(run("fusion", {s.path("c.bmp"), s.path("m.bmp"), s.path("c.bmp")}).status, 0);
  EXPECT_EQ(read_file(s.path("c.bmp")), encode_bmp4(fused(colour, mask, false)));
}

}  // namespace
}  // namespace bmp::test
