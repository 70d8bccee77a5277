// invert, run as its own process on files the tests write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "tests/pixel/pixel_cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("INVERT UTILITY (BMP FILE VERSION)\n") +
                          "\nUSAGE: Command Infile Outfile\n\nWARNING for BMP FILE ONLY\n";

Image negative(const Image& image) {
  Image out = image;
  for (Pixel& p : out.pixels) p = {uint8_t(255 - p.b), uint8_t(255 - p.g), uint8_t(255 - p.r)};
  return out;
}

Image pattern(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    return Pixel{uint8_t(c * 40 + r), uint8_t(r * 70 + 3), uint8_t(255 - c * r)};
  });
}

TEST(Invert, OnePixelExample) {
  Scratch s;
  Image one = make_image(1, 1, [](int, int) { return Pixel{0x00, 0x80, 0xff}; });
  write_file(s.path("in.bmp"), encode_bmp24(one));
  ToolResult got = run("invert", {s.path("in.bmp"), s.path("out.bmp")});
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.out, "X_size = 1 Y_size = 1 1670万色\n[0000]\r");
  Bytes out = read_file(s.path("out.bmp"));
  ASSERT_EQ(out.size(), 58u);
  EXPECT_EQ(Bytes(out.begin() + 54, out.end()), (Bytes{0xff, 0x7f, 0x00, 0x00}));
}

TEST(Invert, WidthsOneToFiveGiveTheirPaddingAndExactBytes) {
  for (int width = 1; width <= 5; ++width) {
    Scratch s;
    Image image = pattern(width, 3);
    // Input row ends hold junk: they are skipped, and the output's are zero.
    write_file(s.path("in.bmp"), encode_bmp24(image, 0xab));
    ToolResult got = run("invert", {s.path("in.bmp"), s.path("out.bmp")});
    ASSERT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(got.out,
              "X_size = " + std::to_string(width) + " Y_size = 3 1670万色\n" + progress(3));
    EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(negative(image))) << "width " << width;
  }
}

TEST(Invert, RowsLongerThanAReadBlockComeOutWhole) {
  // 100001 pixels: 300003 bytes a row, more than one block, and a width with padding.
  Scratch s;
  Image image = make_image(100001, 2, [](int c, int r) {
    return Pixel{uint8_t(c), uint8_t(c >> 8), uint8_t(r * 100 + (c >> 16))};
  });
  write_file(s.path("in.bmp"), encode_bmp24(image, 0x77));
  ToolResult got = run("invert", {s.path("in.bmp"), s.path("out.bmp")});
  ASSERT_EQ(got.status, 0) << got.out;
  EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(negative(image)));
}

TEST(Invert, HeightZeroGivesAHeaderOnlyAndNoProgress) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(Image{3, 0, {}}));
  ToolResult got = run("invert", {s.path("in.bmp"), s.path("out.bmp")});
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.out, "X_size = 3 Y_size = 0 1670万色\n");
  EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(Image{3, 0, {}}));
}

TEST(Invert, TwiceGivesThePixelsBackWithTheSuitesOwnHeader) {
  Scratch s;
  Image image = pattern(7, 4);
  Bytes in = encode_bmp24(image);
  // Fields that readers ignore: reserved words, resolutions, colour counts.
  put_le32(in, 6, 0x01020304);
  put_le32(in, 38, 2835);
  put_le32(in, 46, 9);
  write_file(s.path("in.bmp"), in);
  ASSERT_EQ(run("invert", {s.path("in.bmp"), s.path("mid.bmp")}).status, 0);
  ASSERT_EQ(run("invert", {s.path("mid.bmp"), s.path("out.bmp")}).status, 0);
  EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(image));
}

TEST(Invert, PixelsAreReadFromTheHeadersOffset) {
  Scratch s;
  Image image = pattern(3, 2);
  Bytes plain = encode_bmp24(image);
  Bytes wide(plain.begin(), plain.begin() + 54);
  wide.resize(138, 0x55);  // a 124-byte information header and its masks
  put_le32(wide, 10, 138);
  put_le32(wide, 14, 124);
  wide.insert(wide.end(), plain.begin() + 54, plain.end());
  write_file(s.path("in.bmp"), wide);
  ASSERT_EQ(run("invert", {s.path("in.bmp"), s.path("out.bmp")}).status, 0);
  EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(negative(image)));
}

TEST(Invert, OutfileMayNameTheInput) {
  Scratch s;
  Image image = pattern(5, 5);
  write_file(s.path("same.bmp"), encode_bmp24(image));
  ToolResult got = run("invert", {s.path("same.bmp"), s.path("same.bmp")});
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(read_file(s.path("same.bmp")), encode_bmp24(negative(image)));
}

// Each malformed input: its message, status 1, and no output left behind (an
// Outfile that existed before keeps its bytes).
struct Malformed {
  const char* title;
  std::function<Bytes()> bytes;
  std::string message;  // with "IN" standing for the input's path
};

Bytes good() { return encode_bmp24(pattern(3, 2)); }

Bytes with(Bytes b, size_t at, uint32_t v) {
  put_le32(b, at, v);
  return b;
}

Bytes with16(Bytes b, size_t at, uint16_t v) {
  put_le16(b, at, v);
  return b;
}

const std::string not_full = "このファイルは1670万色タイプではありません\n";

TEST(Invert, MalformedInputsAreRefusedAndLeaveNoOutput) {
  const Malformed cases[] = {
      {"empty file", [] { return Bytes{}; }, "Wrong Format !\n"},
      {"second byte not M",
       [] {
         Bytes b = good();
         b[1] = 'N';
         return b;
       },
       "Wrong Format !\n"},
      {"first byte not B",
       [] {
         Bytes b = good();
         b[0] = 'X';
         return b;
       },
       "Wrong Format !\n"},
      {"bit count 32", [] { return with16(good(), 28, 32); }, not_full},
      {"bit count 8", [] { return with16(good(), 28, 8); }, not_full},
      {"header cut short",
       [] {
         Bytes b = good();
         b.resize(30);
         return b;
       },
       "Truncated file IN !\n"},
      {"rows cut short",
       [] {
         Bytes b = good();
         b.pop_back();
         return b;
       },
       "Truncated file IN !\n"},
      {"compressed", [] { return with(good(), 30, 1); }, "Compressed file IN !\n"},
      {"top-down", [] { return with(good(), 22, static_cast<uint32_t>(-2)); },
       "Negative size in IN !\n"},
      {"negative width", [] { return with(good(), 18, static_cast<uint32_t>(-3)); },
       "Negative size in IN !\n"},
      {"size beyond 32 bits", [] { return with(with(good(), 18, 70000), 22, 70000); },
       "Image too large: IN !\n"},
      {"huge height on a small file", [] { return with(good(), 22, 0x7fffffff); },
       "Image too large: IN !\n"},
      {"large size on a small file", [] { return with(with(good(), 18, 10000), 22, 10000); },
       "Truncated file IN !\n"},
  };
  for (const Malformed& c : cases) {
    Scratch s;
    std::string in = s.path("in.bmp");
    write_file(in, c.bytes());
    write_file(s.path("out.bmp"), {'o', 'l', 'd'});
    ToolResult got = run("invert", {in, s.path("out.bmp")});
    std::string message = c.message;
    if (auto at = message.find("IN"); at != std::string::npos) message.replace(at, 2, in);
    EXPECT_EQ(got.status, 1) << c.title;
    EXPECT_EQ(got.out, message) << c.title;
    EXPECT_EQ(read_file(s.path("out.bmp")), (Bytes{'o', 'l', 'd'})) << c.title;
    EXPECT_EQ(std::distance(fs::directory_iterator(s.folder()), fs::directory_iterator()), 3)
        << c.title << ": only in.bmp, out.bmp and tmp remain";
  }
}

TEST(Invert, FilesThatCannotBeOpened) {
  Scratch s;
  write_file(s.path("in.bmp"), good());
  ToolResult missing = run("invert", {s.path("none.bmp"), s.path("out.bmp")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "\ncan't open source file " + s.path("none.bmp") + "\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << "the input fails before the output is created";

  std::string no_folder = s.path("no/out.bmp");
  ToolResult unwritable = run("invert", {s.path("in.bmp"), no_folder});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.out, "\ncan't open source file " + no_folder + "\n");
}

TEST(Invert, AFullDiskIsAFailure) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(pattern(200, 2000)));
  ToolResult got = run("invert", {s.path("in.bmp"), "/dev/full"});
  EXPECT_EQ(got.status, 1);
  EXPECT_NE(got.out.find("Can't write /dev/full !\n"), std::string::npos) << got.out;
}

TEST(Invert, MessagesInAShiftJisLocale) {
  // A private Shift-JIS locale, made the way a Japanese system has one.
  Scratch s;
  std::string locales = s.path("locales");
  fs::create_directory(locales);
  std::string make = "localedef --no-warnings=ascii -f SHIFT_JIS -i ja_JP " + locales +
                     "/ja_JP.SJIS >/dev/null 2>&1";
  std::system(make.c_str());
  ASSERT_TRUE(fs::exists(locales + "/ja_JP.SJIS")) << "localedef could not make ja_JP.SJIS";
  write_file(s.path("in.bmp"), encode_bmp24(pattern(1, 1)));
  std::map<std::string, std::string> env{{"LOCPATH", locales}, {"LC_ALL", "ja_JP.SJIS"}};
  ToolResult got = run(ToolCall{"invert", {s.path("in.bmp"), s.path("out.bmp")}, "", env});
  EXPECT_EQ(got.status, 0);
  // 万 is 0x96 0x9c and 色 0x90 0x46 in Shift-JIS.
  EXPECT_EQ(got.out, "X_size = 1 Y_size = 1 1670\x96\x9c\x90\x46\n[0000]\r");

  Bytes bad = good();
  put_le16(bad, 28, 8);
  write_file(s.path("bad.bmp"), bad);
  got = run(ToolCall{"invert", {s.path("bad.bmp"), s.path("out.bmp")}, "", env});
  EXPECT_EQ(got.out,
            "\x82\xb1\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcd"
            "1670\x96\x9c\x90\x46"
            "\x83\x5e\x83\x43\x83\x76\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1\n");
}

TEST(Invert, RunsAtOnceDoNotDisturbEachOther) {
  Scratch s;
  std::vector<Image> images;
  for (int i = 0; i < 6; ++i) {
    images.push_back(pattern(300 + i, 200));
    write_file(s.path("in" + std::to_string(i) + ".bmp"), encode_bmp24(images.back()));
  }
  std::vector<std::thread> runs;
  std::vector<int> status(images.size(), -1);
  for (size_t i = 0; i < images.size(); ++i) {
    runs.emplace_back([&, i] {
      status[i] =
          run("invert", {s.path("in" + std::to_string(i) + ".bmp"), s.path("out.bmp")}).status;
    });
  }
  for (auto& t : runs) t.join();
  for (int st : status) EXPECT_EQ(st, 0);
  // The one Outfile is one complete result, never a mix of two.
  Bytes out = read_file(s.path("out.bmp"));
  bool matches_one = false;
  for (const Image& image : images) matches_one |= out == encode_bmp24(negative(image));
  EXPECT_TRUE(matches_one);
}

// ImageMagick writes its default BMP (124-byte header, pixels at 138) and BMP3.
class InvertInterop : public testing::Test {
 protected:
  static std::string convert() {
    for (const char* path : {"/usr/bin/convert", "/usr/local/bin/convert"}) {
      if (access(path, X_OK) == 0) return path;
    }
    return "convert";
  }
  // A PPM of known pixels, for ImageMagick to turn into BMP.
  static Bytes ppm(const Image& image) {
    std::string head =
        "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    Bytes out(head.begin(), head.end());
    for (int r = image.height - 1; r >= 0; --r) {  // PPM runs from the top
      for (int c = 0; c < image.width; ++c) {
        const Pixel& p = image.at(c, r);
        out.insert(out.end(), {p.r, p.g, p.b});
      }
    }
    return out;
  }
};

TEST_F(InvertInterop, ReadsImageMagicksBmpFormsAndItReadsOurs) {
  Scratch s;
  Image image = pattern(7, 5);
  write_file(s.path("src.ppm"), ppm(image));
  for (const char* form : {"bmp", "bmp3"}) {
    std::string bmp = s.path(std::string("in-") + form + ".bmp");
    std::string cmd = convert() + " " + s.path("src.ppm") + " -type TrueColor " + form + ":" + bmp;
    ASSERT_EQ(std::system(cmd.c_str()), 0)
        << "ImageMagick (package imagemagick) is needed: " << cmd;
    ToolResult got = run("invert", {bmp, s.path("out.bmp")});
    ASSERT_EQ(got.status, 0) << form << ": " << got.out;
    EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(negative(image))) << form;
    std::string back = convert() + " " + s.path("out.bmp") + " " + s.path("back.ppm");
    ASSERT_EQ(std::system(back.c_str()), 0);
    EXPECT_EQ(read_file(s.path("back.ppm")), ppm(negative(image))) << form;
  }
}

}  // namespace
}  // namespace bmp::test
