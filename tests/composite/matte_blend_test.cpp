// matte_blend, run as its own process on files the tests write.
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

const std::string usage = banner("MATTE_BLEND UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "α合成した物体に透過度を指定できます。\n"
                          "\n"
                          "USAGE: COMMAND INFILE1(3) INFILE2(4) OUTFILE(3) X_ORI Y_ORI (透過度) "
                          "(FLAG)\n"
                          "透過度無 --- 0    全透過 --- 100\n"
                          "\n"
                          "MATTE_BLEND ---- α合成 位置移動 透過  (BMP)\n"
                          "KEY_BLEND --- RGB合成 位置移動 透過(指定色抜き) (BMP)\n"
                          "\n"
                          "--- flag ---\n"
                          "0 or no --- 白本体 黒抜き\n"
                          "else ------ 黒本体 白抜き\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

Image background(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    return Pixel{uint8_t(c * 3 + r), uint8_t(255 - c * 2), uint8_t(r * 5 + c)};
  });
}

// Alpha across the whole range, colours that differ from the background.
Image4 overlay(int width, int height) {
  return make_image4(width, height, [](int c, int r) {
    return Pixel4{uint8_t(c * 29 + r * 51), uint8_t(200 - r * 9), uint8_t(c * 23), uint8_t(r * 17)};
  });
}

struct Case {
  const char* title;
  int bg_width, bg_height, ov_width, ov_height;
  std::vector<std::string> numbers;  // X_ORI Y_ORI (透過度) (FLAG)
};

void expect_matte_blend(const Case& c) {
  SCOPED_TRACE(c.title);
  Scratch s;
  Image bg = background(c.bg_width, c.bg_height);
  Image4 ov = overlay(c.ov_width, c.ov_height);
  write_file(s.path("bg.bmp"), encode_bmp24(bg, 0x99));
  write_file(s.path("ov.bmp"), encode_bmp4(ov));
  std::vector<std::string> args{s.path("bg.bmp"), s.path("ov.bmp"), s.path("out.bmp")};
  args.insert(args.end(), c.numbers.begin(), c.numbers.end());
  ToolResult got = run("matte_blend", args);
  ASSERT_EQ(got.status, 0) << got.out;

  // The numbers as the Part parses them: X_ORI, Y_ORI whole; 透過度, FLAG truncated.
  const int x_ori = std::stoi(c.numbers[0]), y_ori = std::stoi(c.numbers[1]);
  const int percent = c.numbers.size() > 2 ? int(std::trunc(std::atof(c.numbers[2].c_str()))) : 0;
  const bool inverse =
      c.numbers.size() > 3 && int(std::trunc(std::atof(c.numbers[3].c_str()))) != 0;
  const int64_t d = int64_t{c.bg_height} - c.ov_height - y_ori;
  EXPECT_EQ(got.out, infile_line(1, c.bg_width, c.bg_height) +
                         infile_line(2, c.ov_width, c.ov_height) +
                         ref::skipped_rows_line(d, 122, 4 * c.ov_width) + progress(c.bg_height));
  EXPECT_EQ(read_file(s.path("out.bmp")),
            encode_bmp24(ref::matte_blend(bg, ov, x_ori, y_ori, percent, inverse)));
}

TEST(MatteBlend, AnyOtherArgumentCountPrintsTheUsage) {
  for (int count : {1, 2, 3, 4, 5, 9}) {
    std::vector<std::string> args(static_cast<size_t>(count - 1), "1");
    ToolResult got = run("matte_blend", args);
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

TEST(MatteBlend, BlendsTheCoveredPixelsAsTheFormulaSays) {
  const Case cases[] = {
      {"top left corner", 9, 7, 4, 3, {"0", "0"}},
      {"inside, P 50", 9, 7, 4, 3, {"2", "3", "50"}},
      {"inside, P 50, FLAG 1", 9, 7, 4, 3, {"2", "3", "50", "1"}},
      {"FLAG 0.9 truncates to 0", 9, 7, 4, 3, {"2", "3", "20", "0.9"}},
      {"P 100", 9, 7, 4, 3, {"1", "1", "100", "0"}},
      {"P 49.9 reads 49", 9, 7, 4, 3, {"1", "1", "49.9"}},
      {"P 101, a weight above 255", 9, 7, 4, 3, {"1", "1", "101"}},
      {"P -7", 9, 7, 4, 3, {"1", "1", "-7", "1"}},
      {"left columns and lowest rows cut", 100, 80, 10, 10, {"-3", "75"}},
      {"cut at the right edge and above the top", 9, 7, 6, 5, {"5", "-2", "30"}},
      {"wholly below: rr printed, no row read", 9, 7, 4, 3, {"0", "12"}},
      {"wholly above", 9, 7, 4, 3, {"0", "-3"}},
      {"wholly to the right", 9, 7, 4, 3, {"9", "0"}},
      {"wholly to the left", 9, 7, 4, 3, {"-4", "0"}},
      {"overlay larger than the background", 3, 2, 7, 6, {"-2", "-1", "10"}},
      {"overlay width 1 at the right edge", 6, 4, 1, 2, {"5", "2"}},
      {"overlay width 5", 6, 4, 5, 4, {"0", "0", "0", "1"}},
      {"zero-wide background", 0, 3, 2, 2, {"0", "0"}},
      {"zero-high background", 5, 0, 2, 2, {"0", "0"}},
      {"empty overlay", 5, 3, 0, 0, {"1", "1"}},
  };
  for (const Case& c : cases) expect_matte_blend(c);
}

// One background pixel under a one-pixel overlay, worked out by hand.
TEST(MatteBlend, ChosenPixels) {
  struct Pick {
    const char* title;
    uint8_t alpha, overlay, background;
    std::vector<std::string> extra;  // 透過度 FLAG
    uint8_t out;
  };
  const Pick picks[] = {
      {"alpha 0 shows the overlay", 0, 200, 10, {}, 200},
      {"alpha 255 keeps the background", 255, 200, 10, {}, 10},
      {"FLAG 1 reverses alpha 0", 0, 200, 10, {"0", "1"}, 10},
      {"FLAG 1 reverses alpha 255", 255, 200, 10, {"0", "1"}, 200},
      {"alpha 128: (127 * 255 + 0) / 255", 128, 255, 0, {}, 127},
      {"P 100 lets 1/255 of the mix through", 0, 255, 0, {"100"}, 1},
      {"P 101: -510 / 255 = -2, byte 254", 0, 255, 0, {"101"}, 254},
  };
  for (const Pick& p : picks) {
    Scratch s;
    Pixel bg{p.background, p.background, p.background};
    write_file(s.path("bg.bmp"), encode_bmp24(solid_image(1, 1, bg)));
    write_file(s.path("ov.bmp"), encode_bmp4(make_image4(1, 1, [&](int, int) {
                 return Pixel4{p.alpha, p.overlay, p.overlay, p.overlay};
               })));
    std::vector<std::string> args{s.path("bg.bmp"), s.path("ov.bmp"), s.path("out.bmp"), "0", "0"};
    args.insert(args.end(), p.extra.begin(), p.extra.end());
    ASSERT_EQ(run("matte_blend", args).status, 0) << p.title;
    EXPECT_EQ(decode_bmp24(read_file(s.path("out.bmp"))).at(0, 0), (Pixel{p.out, p.out, p.out}))
        << p.title;
  }
}

TEST(MatteBlend, OutfileMayNameTheBackground) {
  Scratch s;
  Image bg = background(6, 5);
  write_file(s.path("bg.bmp"), encode_bmp24(bg));
  write_file(s.path("ov.bmp"), encode_bmp4(overlay(3, 3)));
  ASSERT_EQ(
      run("matte_blend", {s.path("bg.bmp"), s.path("ov.bmp"), s.path("bg.bmp"), "1", "1"}).status,
      0);
  EXPECT_EQ(read_file(s.path("bg.bmp")),
            encode_bmp24(ref::matte_blend(bg, overlay(3, 3), 1, 1, 0, false)));
}

TEST(MatteBlend, RefusalsLeaveNoOutput) {
  Bytes bg = encode_bmp24(background(4, 4));
  Bytes ov = encode_bmp4(overlay(2, 2));
  Bytes short_overlay = ov;
  short_overlay.pop_back();
  struct Refusal {
    const char* title;
    Bytes background, overlay;
    std::string out;  // OV stands for the overlay's path
  };
  const Refusal cases[] = {
      {"background not 24-bit", ov, ov, not_full_colour(1)},
      {"overlay not a 4-byte file", bg, bg, infile_line(1, 4, 4) + not_full_colour(2)},
      {"overlay rows cut short", bg, short_overlay, infile_line(1, 4, 4) + "Truncated file OV !\n"},
  };
  for (const Refusal& c : cases) {
    Scratch s;
    write_file(s.path("bg.bmp"), c.background);
    write_file(s.path("ov.bmp"), c.overlay);
    ToolResult got =
        run("matte_blend", {s.path("bg.bmp"), s.path("ov.bmp"), s.path("out.bmp"), "0", "0"});
    std::string expected = c.out;
    if (auto at = expected.find("OV"); at != std::string::npos) {
      expected.replace(at, 2, s.path("ov.bmp"));
    }
    EXPECT_EQ(got.status, 1) << c.title;
    EXPECT_EQ(got.out, expected) << c.title;
    EXPECT_FALSE(fs::exists(s.path("out.bmp"))) << c.title;
  }
}

}  // namespace
}  // namespace bmp::test
