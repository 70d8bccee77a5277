// recolor_mask, run as its own process: hue, brightness and saturation changes
// weighed per pixel by the FILTER's luminance, against hand-worked bytes and
// the plain model; its usage, refusals and messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/pixel/hls_cli.hpp"
#include "tests/pixel/hls_model.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("FILTER MOD UTILITY (BMP FILE VERSION) (X_size < 10000)\n") +
                          "\n"
                          "COMMAND FILTER(3-byte) DATA(3-byte) OUTFILE(3-byte) MOD値 Flag\n"
                          "\n"
                          "--- Flag ---\n"
                          "0 --- Hue angle (色相角度) 0.0 - 360.0\n"
                          "1 --- Lightness (明度)     0.0 - 1.0\n"
                          "2 --- Saturation(彩度)     0.0 - 1.0\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

struct Masked {
  ToolResult result;
  Image image;
  bool output_exists = false;
};

Masked recolor_mask(const Image& filter, const Image& data, const std::string& mod,
                    const std::string& flag) {
  Scratch s;
  write_file(s.path("filter.bmp"), encode_bmp24(filter, 0x5a));
  write_file(s.path("data.bmp"), encode_bmp24(data, 0xc3));
  Masked got{
      run("recolor_mask", {s.path("filter.bmp"), s.path("data.bmp"), s.path("out.bmp"), mod, flag}),
      {},
      fs::exists(s.path("out.bmp"))};
  if (got.result.status == 0) got.image = decode_bmp24(read_file(s.path("out.bmp")));
  return got;
}

std::string headers(const Image& filter, const Image& data) {
  return size_line(filter.width, filter.height) + size_line(data.width, data.height);
}

std::string success_out(const Image& filter, const Image& data) {
  char end[64];
  std::snprintf(end, sizeof end, "This size is %4d x %4d\n", data.width, data.height);
  return headers(filter, data) + progress(data.height) + end;
}

Image solid(int width, int height, uint8_t level) {
  return solid_image(width, height, Pixel{level, level, level});
}

Image row_of(std::vector<Pixel> pixels) {
  const int width = static_cast<int>(pixels.size());
  return Image{width, 1, std::move(pixels)};
}

TEST(RecolorMask, AnyOtherArgumentCountPrintsTheUsage) {
  for (int count : {0, 1, 2, 4, 6}) {  // arguments after the program name
    ToolResult got = run("recolor_mask", std::vector<std::string>(static_cast<size_t>(count), "1"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

// White weighs 255.5/255 (about 1.00196), black 0.5/255. Pixels are blue,
// green, red.
TEST(RecolorMask, HandWorkedResults) {
  struct Case {
    const char* title;
    uint8_t filter_level;
    std::string mod, flag;
    std::vector<Pixel> in, out;
  };
  const std::vector<Pixel> mixed{{0, 128, 255}, {7, 200, 100}, {255, 255, 255}};
  const Case cases[] = {
      {"white, brightness 1.0 copies", 255, "1.0", "1", mixed, mixed},
      {"black, brightness 1.0 turns black", 0, "1.0", "1", mixed, {{}, {}, {}}},
      {"white, brightness 2.0 doubles, 128 and up 255",
       255,
       "2.0",
       "1",
       {{100, 127, 128}},
       {{200, 254, 255}}},
      {"Flag 1.7 is Flag 1", 255, "2.0", "1.7", {{100, 127, 128}}, {{200, 254, 255}}},
      {"a negative factor floors at 0", 255, "-1", "1", {{100, 0, 9}}, {{0, 0, 0}}},
      // Red turned by 180.35 degrees: green on the falling slope at
      // (240 - 180.35) / 60 = 0.9941 of 255.
      {"white, hue 0.5 turns red by about half a turn",
       255,
       "0.5",
       "0",
       {{0, 0, 255}},
       {{255, 253, 0}}},
      // Red turned by 0.35 degrees: green 0.35 / 60 of 255.
      {"black, hue 0.5 turns red by 0.35 degrees", 0, "0.5", "0", {{0, 0, 255}}, {{0, 1, 255}}},
      {"a grey stays grey in the hue mode", 255, "0.3", "0", {{77, 77, 77}}, {{77, 77, 77}}},
      {"saturation 0 greys at the lightness", 200, "0", "2", {{50, 100, 200}}, {{125, 125, 125}}},
  };
  for (const Case& c : cases) {
    const Image data = row_of(c.in);
    const Image filter = solid(data.width, 1, c.filter_level);
    Masked got = recolor_mask(filter, data, c.mod, c.flag);
    ASSERT_EQ(got.result.status, 0) << c.title << ": " << got.result.out;
    EXPECT_EQ(got.result.out, success_out(filter, data)) << c.title;
    EXPECT_EQ(got.image.pixels, c.out) << c.title;
  }
}

struct FlagCase {
  std::string mod, flag;
  double mod_value;
  int flag_value;
};

const FlagCase every_flag[] = {
    {"0.5", "0", 0.5, 0},   {"-1.3", "0", -1.3, 0}, {"1.7", "1", 1.7, 1},
    {"-0.4", "1", -0.4, 1}, {"2.5", "2", 2.5, 2},   {"0.3", "2", 0.3, 2},
};

// A FILTER three pixels wider and two rows taller than DATA: its own row
// length addresses it, its extra columns and rows go unused.
TEST(RecolorMask, WidthsOneToFiveWithAWiderTallerFilter) {
  for (int width = 1; width <= 5; ++width) {
    const Image data = grey_runs(width, 4, static_cast<unsigned>(width), 3);
    const Image filter = grey_runs(width + 3, 6, static_cast<unsigned>(50 + width), 2);
    for (const FlagCase& f : every_flag) {
      Masked got = recolor_mask(filter, data, f.mod, f.flag);
      ASSERT_EQ(got.result.status, 0) << got.result.out;
      EXPECT_EQ(got.result.out, success_out(filter, data));
      EXPECT_EQ(got.image.pixels,
                recolor_mask_model(filter, data, f.mod_value, f.flag_value).pixels)
          << "width " << width << " Flag " << f.flag << " MOD " << f.mod;
    }
  }
}

TEST(RecolorMask, LargePicturesMatchThePlainPass) {
  // Several batches, each shared among threads.
  const Image data = grey_runs(301, 2500, 7, 700);
  const Image filter = grey_runs(305, 2503, 8, 5);
  for (const FlagCase& f : every_flag) {
    Masked got = recolor_mask(filter, data, f.mod, f.flag);
    ASSERT_EQ(got.result.status, 0);
    EXPECT_TRUE(got.image.pixels ==
                recolor_mask_model(filter, data, f.mod_value, f.flag_value).pixels)
        << "Flag " << f.flag;
  }
  // Rows longer than a batch come in pieces: each piece keeps its FILTER
  // columns.
  const Image wide = grey_runs(350001, 1, 9, 90000);
  const Image wide_filter = grey_runs(350001, 1, 10, 3);
  Masked got = recolor_mask(wide_filter, wide, "0.5", "0");
  ASSERT_EQ(got.result.status, 0);
  EXPECT_TRUE(got.image.pixels == recolor_mask_model(wide_filter, wide, 0.5, 0).pixels);
}

// For each other grouping of a step, an input found by search on which it
// would change a byte: the tool gives the written grouping's bytes.
TEST(RecolorMask, FollowsTheFormulasAsWrittenWhereAnotherReadingDiffers) {
  std::mt19937 rng(13);
  auto pixel = [&] {
    Pixel p{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
    if (rng() % 2) p.g = (rng() % 2) ? p.b : p.r;  // ties and hues on 60-degree steps
    return p;
  };
  const double round_numbers[] = {0.5, 1.0, 1.5, 2.0, 60.0, 120.0, -60.0, 0.25};
  for (Reading reading : {Reading::offset_by_turns_first, Reading::weight_by_fractions,
                          Reading::factor_on_byte_first}) {
    bool found = false;
    for (int i = 0; i < 1000000 && !found; ++i) {
      const Image data = row_of({pixel()});
      const Image filter = row_of({pixel()});
      const int flag = static_cast<int>(rng() % 3);
      const double mod = rng() % 2 ? round_numbers[rng() % 8] : (rng() % 2000000) / 100000.0 - 10.0;
      if (recolor_mask_model(filter, data, mod, flag, reading).pixels ==
          recolor_mask_model(filter, data, mod, flag).pixels) {
        continue;
      }
      found = true;
      char text[32];
      std::snprintf(text, sizeof text, "%.17g", mod);
      Masked got = recolor_mask(filter, data, text, std::to_string(flag));
      ASSERT_EQ(got.result.status, 0);
      EXPECT_EQ(got.image.pixels, recolor_mask_model(filter, data, mod, flag).pixels)
          << "reading " << int(reading) << ": MOD " << text << " Flag " << flag;
    }
    EXPECT_TRUE(found) << "no input tells reading " << int(reading) << " apart";
  }
}

TEST(RecolorMask, AWrongFlagIsRefusedBeforeAnyRow) {
  for (const std::string flag : {"3", "-1", "2.9e9"}) {
    for (int height : {2, 0}) {
      const Image data = grey_runs(3, height, 1);
      const Image filter = solid(3, height, 255);
      Masked got = recolor_mask(filter, data, "1", flag);
      EXPECT_EQ(got.result.status, 1) << flag;
      EXPECT_EQ(got.result.out, headers(filter, data) + "Wrong Paramater !\n") << flag;
      EXPECT_FALSE(got.output_exists);
    }
  }
}

TEST(RecolorMask, AFilterSmallerThanDataIsRefused) {
  const Image data = grey_runs(4, 3, 2);
  for (const Image& filter : {solid(3, 3, 255), solid(4, 2, 255), solid(3, 9, 0)}) {
    Scratch s;
    write_file(s.path("f.bmp"), encode_bmp24(filter));
    write_file(s.path("d.bmp"), encode_bmp24(data));
    ToolResult got =
        run("recolor_mask", {s.path("f.bmp"), s.path("d.bmp"), s.path("o.bmp"), "1", "1"});
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, headers(filter, data) + "Filter image " + s.path("f.bmp") +
                           " is smaller than " + s.path("d.bmp") + " !\n");
    EXPECT_FALSE(fs::exists(s.path("o.bmp")));
  }
}

TEST(RecolorMask, NumbersOutOfRangeAreRefusedAfterTheFilesOpen) {
  const Image data = grey_runs(2, 2, 3);
  struct Case {
    std::string mod, flag, named;
  };
  const Case cases[] = {
      {"nan", "0", "nan"},
      {"1", "inf", "inf"},
      {"-inf", "1", "-inf"},
      // White's offset, 255.5/255 × 360 × MOD, would overflow.
      {"1e306", "1", "1e306"},
  };
  for (const Case& c : cases) {
    Masked got = recolor_mask(data, data, c.mod, c.flag);
    EXPECT_EQ(got.result.status, 1) << c.named;
    EXPECT_EQ(got.result.out, "Number out of range: " + c.named + " !\n");
    EXPECT_FALSE(got.output_exists);
  }
  Scratch s;
  ToolResult missing =
      run("recolor_mask", {s.path("none.bmp"), s.path("none.bmp"), s.path("o.bmp"), "nan", "0"});
  EXPECT_EQ(missing.out, "\ncan't open " + s.path("none.bmp") + "\n");
  EXPECT_FALSE(fs::exists(s.path("o.bmp")));
}

TEST(RecolorMask, RefusedInputsAreNamedFilterFirst) {
  Scratch s;
  const Bytes good = encode_bmp24(grey_runs(2, 2, 4));
  Bytes eight_bit = good;
  put_le16(eight_bit, 28, 8);
  write_file(s.path("good.bmp"), good);
  write_file(s.path("bad.bmp"), eight_bit);
  write_file(s.path("out.bmp"), {'o', 'l', 'd'});
  const std::string not_full = "このファイルは1670万色タイプではありません\n";
  ToolResult filter_bad =
      run("recolor_mask", {s.path("bad.bmp"), s.path("good.bmp"), s.path("out.bmp"), "1", "1"});
  EXPECT_EQ(filter_bad.status, 1);
  EXPECT_EQ(filter_bad.out, not_full);
  ToolResult data_bad =
      run("recolor_mask", {s.path("good.bmp"), s.path("bad.bmp"), s.path("out.bmp"), "1", "1"});
  EXPECT_EQ(data_bad.out, size_line(2, 2) + not_full);
  EXPECT_EQ(read_file(s.path("out.bmp")), (Bytes{'o', 'l', 'd'}));
}

TEST(RecolorMask, OutfileMayNameTheFilter) {
  Scratch s;
  const Image data = grey_runs(5, 4, 5, 3);
  const Image filter = grey_runs(5, 4, 6, 3);
  write_file(s.path("f.bmp"), encode_bmp24(filter));
  write_file(s.path("d.bmp"), encode_bmp24(data));
  ASSERT_EQ(
      run("recolor_mask", {s.path("f.bmp"), s.path("d.bmp"), s.path("f.bmp"), "0.25", "0"}).status,
      0);
  EXPECT_EQ(decode_bmp24(read_file(s.path("f.bmp"))).pixels,
            recolor_mask_model(filter, data, 0.25, 0).pixels);
}

}  // namespace
}  // namespace bmp::test
