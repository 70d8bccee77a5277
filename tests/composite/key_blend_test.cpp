// key_blend, run as its own process on files the tests write.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/composite/composite_cli.hpp"
#include "tests/composite/overlay_reference.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;
namespace ref = reference;

const std::string usage =
    banner("KEY_BLEND UTILITY (BMP FILE VERSION)\n") +
    "\n"
    "BMP合成した物体に透過度を指定できます。\n"
    "\n"
    "USAGE: COMMAND INFILE1(3) INFILE2(3) OUTFILE(3) X_ORI Y_ORI (透過度)\n"
    "       COMMAND INFILE1(3) INFILE2(3) OUTFILE(3) X_ORI Y_ORI R G B 透過度\n"
    "透過度無 --- 0    全透過 --- 100\n"
    "\n"
    "MATTE_BLEND ---- α合成 位置移動 透過  (BMP)\n"
    "KEY_BLEND --- RGB合成 位置移動 透過(指定色抜き) (BMP)\n"
    "\n"
    "WARNING for BMP FILE ONLY\n";

Image background(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    return Pixel{uint8_t(c * 3 + r), uint8_t(255 - c * 2), uint8_t(r * 5 + c)};
  });
}

// Every third pixel black, every third red 10 green 20 blue 30, the rest
// graded colours.
Image overlay(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    switch ((c + r) % 3) {
      case 0:
        return Pixel{0, 0, 0};
      case 1:
        return Pixel{30, 20, 10};
      default:
        return Pixel{uint8_t(c * 40 + 7), uint8_t(r * 33), uint8_t(250 - c - r)};
    }
  });
}

struct Case {
  const char* title;
  int bg_width, bg_height, ov_width, ov_height;
  std::vector<std::string> numbers;  // X_ORI Y_ORI (R G B) (透過度)
};

void expect_key_blend(const Case& c) {
  SCOPED_TRACE(c.title);
  Scratch s;
  Image bg = background(c.bg_width, c.bg_height);
  Image ov = overlay(c.ov_width, c.ov_height);
  write_file(s.path("bg.bmp"), encode_bmp24(bg, 0x99));
  write_file(s.path("ov.bmp"), encode_bmp24(ov, 0x66));
  std::vector<std::string> args{s.path("bg.bmp"), s.path("ov.bmp"), s.path("out.bmp")};
  args.insert(args.end(), c.numbers.begin(), c.numbers.end());
  ToolResult got = run("key_blend", args);
  ASSERT_EQ(got.status, 0) << got.out;

  // The numbers as the Part parses them: integers, 透過度 truncated.
  const int x_ori = std::stoi(c.numbers[0]), y_ori = std::stoi(c.numbers[1]);
  std::optional<ref::Key> key;
  if (c.numbers.size() >= 5) {
    key = ref::Key{std::stoi(c.numbers[2]), std::stoi(c.numbers[3]), std::stoi(c.numbers[4])};
  }
  int percent = 0;
  if (c.numbers.size() == 3 || c.numbers.size() == 6) {
    percent = int(std::trunc(std::atof(c.numbers.back().c_str())));
  }
  const int64_t d = int64_t{c.bg_height} - c.ov_height - y_ori;
  EXPECT_EQ(got.out, infile_line(1, c.bg_width, c.bg_height) +
                         infile_line(2, c.ov_width, c.ov_height) + "DIRECTORY = 0\n" +
                         ref::skipped_rows_line(d, 54, 3 * c.ov_width + c.ov_width % 4) +
                         progress(c.bg_height));
  EXPECT_EQ(read_file(s.path("out.bmp")),
            encode_bmp24(ref::key_blend(bg, ov, x_ori, y_ori, percent, key)));
}

TEST(KeyBlend, AnyOtherArgumentCountPrintsTheUsage) {
  for (int count : {1, 2, 3, 4, 5, 8, 11}) {
    std::vector<std::string> args(static_cast<size_t>(count - 1), "1");
    ToolResult got = run("key_blend", args);
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(KeyBlend, BlendsTheCoveredPixelsAsTheFormulaSays) {
  const Case cases[] = {
      {"top left corner, no key: black is mixed", 9, 7, 5, 3, {"0", "0"}},
      {"P 50, no key", 9, 7, 5, 3, {"2", "3", "50"}},
      {"key 0 0 0 leaves black out", 9, 7, 5, 3, {"2", "3", "0", "0", "0"}},
      {"key red 10 green 20 blue 30, P 30", 9, 7, 5, 3, {"1", "2", "10", "20", "30", "30"}},
      {"key with red and blue swapped matches nothing", 9, 7, 5, 3, {"1", "2", "30", "20", "10"}},
      {"key 256 0 0 matches nothing", 9, 7, 5, 3, {"1", "2", "256", "0", "0"}},
      {"key -256 0 0 matches nothing", 9, 7, 5, 3, {"1", "2", "-256", "0", "0", "20"}},
      {"P 100", 9, 7, 5, 3, {"1", "1", "100"}},
      {"P 49.9 reads 49", 9, 7, 5, 3, {"1", "1", "49.9"}},
      {"P 101, a weight above 255", 9, 7, 5, 3, {"1", "1", "0", "0", "0", "101"}},
      {"P -7", 9, 7, 5, 3, {"1", "1", "-7"}},
      {"left columns and lowest rows cut", 100, 80, 10, 10, {"-3", "75"}},
      {"cut at the right edge and above the top", 9, 7, 6, 5, {"5", "-2", "30"}},
      {"wholly below: rr printed, no row read", 9, 7, 4, 3, {"0", "12"}},
      {"wholly above", 9, 7, 4, 3, {"0", "-3"}},
      {"wholly to the right", 9, 7, 4, 3, {"9", "0"}},
      {"overlay larger than the background", 3, 2, 7, 6, {"-2", "-1", "10"}},
      {"overlay width 1", 6, 4, 1, 2, {"5", "2"}},
      {"overlay width 2", 6, 4, 2, 4, {"3", "0"}},
      {"overlay width 3", 6, 4, 3, 4, {"3", "0"}},
      {"overlay width 4", 6, 4, 4, 3, {"1", "0"}},
      {"zero-wide background", 0, 3, 2, 2, {"0", "0"}},
      {"zero-high background", 5, 0, 2, 2, {"0", "0"}},
      {"empty overlay", 5, 3, 0, 0, {"1", "1"}},
  };
  for (const Case& c : cases) expect_key_blend(c);
}

// One background pixel under a one-pixel overlay, worked out by hand.
TEST(KeyBlend, ChosenPixels) {
  struct Pick {
    const char* title;
    uint8_t overlay, background;
    std::vector<std::string> extra;  // (R G B) (透過度)
    uint8_t out;
  };
  const Pick picks[] = {
      {"P 0 shows the overlay", 200, 10, {}, 200},
      {"P 100: (1 * 255 + 254 * 0) / 255", 255, 0, {"100"}, 1},
      {"P 20: (204 * 100 + 51 * 200) / 255 = 120", 100, 200, {"20"}, 120},
      {"P 101: -510 / 255 = -2, byte 254", 255, 0, {"101"}, 254},
      {"a key colour leaves the background", 77, 5, {"77", "77", "77", "0"}, 5},
  };
  for (const Pick& p : picks) {
    Scratch s;
    write_file(s.path("bg.bmp"),
               encode_bmp24(solid_image(1, 1, Pixel{p.background, p.background, p.background})));
    write_file(s.path("ov.bmp"),
               encode_bmp24(solid_image(1, 1, Pixel{p.overlay, p.overlay, p.overlay})));
    std::vector<std::string> args{s.path("bg.bmp"), s.path("ov.bmp"), s.path("out.bmp"), "0", "0"};
    args.insert(args.end(), p.extra.begin(), p.extra.end());
    ASSERT_EQ(run("key_blend", args).status, 0) << p.title;
    EXPECT_EQ(decode_bmp24(read_file(s.path("out.bmp"))).at(0, 0), (Pixel{p.out, p.out, p.out}))
        << p.title;
  }
}

TEST(KeyBlend, TheDirectoryLineComesFromTheOverlaysName) {
  Scratch s;
  DriveLetterPath ov("key_blend_overlay.bmp");
  write_file(s.path("bg.bmp"), encode_bmp24(background(2, 2)));
  write_file(ov.path(), encode_bmp24(overlay(1, 1)));
  ToolResult got = run("key_blend", {s.path("bg.bmp"), ov.path(), s.path("out.bmp"), "0", "0"});
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.out, infile_line(1, 2, 2) + infile_line(2, 1, 1) + "DIRECTORY = 3\n" + progress(2));
}

TEST(KeyBlend, WideRowsAreBlendedPieceByPiece) {
  // 100003 pixels: a background row longer than one read block.
  Scratch s;
  Image bg = make_image(100003, 2, [](int c, int r) {
    return Pixel{uint8_t(c), uint8_t(c >> 8), uint8_t(r * 90 + (c >> 16))};
  });
  Image ov = make_image(99000, 1, [](int c, int) { return Pixel{uint8_t(c * 7), 3, uint8_t(c)}; });
  write_file(s.path("bg.bmp"), encode_bmp24(bg));
  write_file(s.path("ov.bmp"), encode_bmp24(ov));
  ASSERT_EQ(
      run("key_blend", {s.path("bg.bmp"), s.path("ov.bmp"), s.path("out.bmp"), "2000", "1", "40"})
          .status,
      0);
  EXPECT_EQ(read_file(s.path("out.bmp")), encode_bmp24(ref::key_blend(bg, ov, 2000, 1, 40, {})));
}

TEST(KeyBlend, RefusalsLeaveNoOutput) {
  Bytes bg = encode_bmp24(background(4, 4));
  Bytes four_byte = encode_bmp4(make_image4(2, 2, [](int, int) { return Pixel4{}; }));
  struct Refusal {
    const char* title;
    Bytes background, overlay;
    std::string out;
  };
  const Refusal cases[] = {
      {"background not 24-bit", four_byte, bg, not_full_colour(1)},
      {"overlay not 24-bit", bg, four_byte, infile_line(1, 4, 4) + not_full_colour(2)},
  };
  for (const Refusal& c : cases) {
    Scratch s;
    write_file(s.path("bg.bmp"), c.background);
    write_file(s.path("ov.bmp"), c.overlay);
    ToolResult got =
        run("key_blend", {s.path("bg.bmp"), s.path("ov.bmp"), s.path("out.bmp"), "0", "0"});
    EXPECT_EQ(got.status, 1) << c.title;
    EXPECT_EQ(got.out, c.out) << c.title;
    EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << c.title;
  }
}

}  // namespace
}  // namespace bmp::test
