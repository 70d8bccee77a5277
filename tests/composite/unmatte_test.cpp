// unmatte, run as its own process on 4-byte files the tests write.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/composite/composite_cli.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("UNMATTE UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: Command Infile1(4-byte) Outfile1(3-byte) Outfile2(3-byte)\n"
                          "4-byte のファイルはすべて4で割れるためdmの操作はいらない！\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

Image4 pattern4(int width, int height) {
  return make_image4(width, height, [](int c, int r) {
    return Pixel4{uint8_t(c * 71 + r * 3), uint8_t(c * 13 + 1), uint8_t(r * 90), uint8_t(255 - c)};
  });
}

Image colour_of(const Image4& image) {
  return make_image(image.width, image.height, [&](int c, int r) {
    const Pixel4& p = image.at(c, r);
    return Pixel{p.b, p.g, p.r};
  });
}

Image alpha_of(const Image4& image) {
  return make_image(image.width, image.height, [&](int c, int r) {
    uint8_t a = image.at(c, r).a;
    return Pixel{a, a, a};
  });
}

TEST(Unmatte, AnyOtherArgumentCountPrintsTheUsage) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"a.bmp"}, {"a.bmp", "b.bmp"}, {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}}) {
    ToolResult got = run("unmatte", args);
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, usage);
  }
}

TEST(Unmatte, SplitsColourAndAlphaForWidthsZeroToFive) {
  for (int width = 0; width <= 5; ++width) {
    for (int height : {0, 3}) {
      Scratch s;
      Image4 image = pattern4(width, height);
      write_file(s.path("in.bmp"), encode_bmp4(image));
      ToolResult got = run("unmatte", {s.path("in.bmp"), s.path("c.bmp"), s.path("a.bmp")});
      ASSERT_EQ(got.status, 0) << got.out;
      EXPECT_EQ(got.out, infile_line(1, width, height) + "DIRECTORY = 0\n" + progress(height));
      EXPECT_EQ(read_file(s.path("c.bmp")), encode_bmp24(colour_of(image))) << width;
      EXPECT_EQ(read_file(s.path("a.bmp")), encode_bmp24(alpha_of(image))) << width;
    }
  }
}

TEST(Unmatte, FusionThenUnmatteGivesTheColourBackAndTheMasksGrey) {
  for (int width = 1; width <= 5; ++width) {
    Scratch s;
    Image colour = make_image(width, 2, [](int c, int r) {
      return Pixel{uint8_t(c * 40 + r), uint8_t(250 - c * 7), uint8_t(r * 120 + c)};
    });
    Image mask = make_image(width, 2, [](int c, int r) {
      uint8_t v = uint8_t(c * 63 + r * 128);
      return Pixel{v, v, v};
    });
    write_file(s.path("colour.bmp"), encode_bmp24(colour, 0x5a));
    write_file(s.path("mask.bmp"), encode_bmp24(mask, 0xa5));
    ASSERT_EQ(run("fusion", {s.path("colour.bmp"), s.path("mask.bmp"), s.path("four.bmp")}).status,
              0);
    ASSERT_EQ(run("unmatte", {s.path("four.bmp"), s.path("c.bmp"), s.path("a.bmp")}).status, 0);
    EXPECT_EQ(read_file(s.path("c.bmp")), encode_bmp24(colour)) << width;
    // A grey v weighs trunc(0.30 v) + trunc(0.59 v) + trunc(0.11 v).
    Image grey = make_image(width, 2, [&](int c, int r) {
      int v = mask.at(c, r).r;
      uint8_t g = uint8_t(int(v * 0.30) + int(v * 0.59) + int(v * 0.11));
      return Pixel{g, g, g};
    });
    EXPECT_EQ(read_file(s.path("a.bmp")), encode_bmp24(grey)) << width;
  }
}

TEST(Unmatte, TheDirectoryLineComesFromOutfile1) {
  Scratch s;
  DriveLetterPath colour("unmatte_colour.bmp");
  write_file(s.path("in.bmp"), encode_bmp4(pattern4(2, 2)));
  ToolResult got = run("unmatte", {s.path("in.bmp"), colour.path(), s.path("a.bmp")});
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.out, infile_line(1, 2, 2) + "DIRECTORY = 3\n" + progress(2));
  EXPECT_EQ(read_file(colour.path()), encode_bmp24(colour_of(pattern4(2, 2))));
}

TEST(Unmatte, OutfileMayNameTheInput) {
  Scratch s;
  Image4 image = pattern4(3, 2);
  write_file(s.path("in.bmp"), encode_bmp4(image));
  ASSERT_EQ(run("unmatte", {s.path("in.bmp"), s.path("in.bmp"), s.path("a.bmp")}).status, 0);
  EXPECT_EQ(read_file(s.path("in.bmp")), encode_bmp24(colour_of(image)));
  EXPECT_EQ(read_file(s.path("a.bmp")), encode_bmp24(alpha_of(image)));
}

// Refusals: the message, status 1, no output (an existing one keeps its bytes).
TEST(Unmatte, RefusalsLeaveNoOutput) {
  Bytes standard32 = encode_bmp4(pattern4(3, 2));
  put_le32(standard32, 10, 54);
  standard32.resize(54 + 24);  // a standard 32-bit file: pixels right after 54 bytes
  Bytes short_rows = encode_bmp4(pattern4(3, 2));
  short_rows.pop_back();
  struct Case {
    const char* title;
    Bytes in;
    std::vector<std::string> outs;  // Outfile1, Outfile2 names in the scratch folder
    std::string out;                // with IN and OUT standing for paths
  };
  const Case cases[] = {
      {"a 24-bit input",
       encode_bmp24(colour_of(pattern4(3, 2))),
       {"c.bmp", "a.bmp"},
       not_full_colour(1)},
      {"rows cut short", short_rows, {"c.bmp", "a.bmp"}, "Truncated file IN !\n"},
      {"a standard 32-bit file too short for 122 + 4 w h",
       standard32,
       {"c.bmp", "a.bmp"},
       "Truncated file IN !\n"},
      {"both outputs on one file",
       encode_bmp4(pattern4(3, 2)),
       {"c.bmp", "c.bmp"},
       "Two outputs on one file: OUT !\n"},
      {"both outputs on one file by two names",
       encode_bmp4(pattern4(3, 2)),
       {"c.bmp", "./c.bmp"},
       "Two outputs on one file: OUT !\n"},
  };
  for (const Case& c : cases) {
    Scratch s;
    write_file(s.path("in.bmp"), c.in);
    write_file(s.path("c.bmp"), {'o', 'l', 'd'});
    std::string out1 = s.path(c.outs[0]), out2 = s.path(c.outs[1]);
    ToolResult got = run("unmatte", {s.path("in.bmp"), out1, out2});
    std::string expected = c.out;
    if (auto at = expected.find("IN"); at != std::string::npos) {
      expected.replace(at, 2, s.path("in.bmp"));
    }
    if (auto at = expected.find("OUT"); at != std::string::npos) expected.replace(at, 3, out2);
    EXPECT_EQ(got.status, 1) << c.title;
    EXPECT_EQ(got.out, expected) << c.title;
    EXPECT_EQ(read_file(s.path("c.bmp")), (Bytes{'o', 'l', 'd'})) << c.title;
    EXPECT_FALSE(fs::exists(s.path("a.bmp"))) << c.title;
    EXPECT_EQ(std::distance(fs::directory_iterator(s.folder()), fs::directory_iterator()), 3)
        << c.title << ": only in.bmp, c.bmp and tmp remain";
  }
}

}  // namespace
}  // namespace bmp::test
