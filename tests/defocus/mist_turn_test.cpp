// mist_turn, run as its own process on files the tests write, against a
// direct model: the edge canvas turned into its bounding box, two graded box
// blurs, and the turn back, each written plainly from its formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "tests/defocus/defocus_cli.hpp"
#include "tests/geometry/rotation_reference.hpp"
#include "tests/geometry/turn_check.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;
namespace ref = reference;

const std::string usage =
    banner("MIST_TURN UTILITY (BMP FILE VERSION) (X_size < 10000)\n") +
    "\n"
    "USAGE: Command Infile Outfile kaiten boke1 boke2\n"
    "       Command Infile Outfile kaiten boke1 boke2 flag start end\n"
    "       Command Infile Outfile kaiten boke1 boke2 flag start end flag2\n"
    "\n"
    "--- Flag ---\t\t\t\t--- Flag2 ---\n"
    "0 or no **** 上下左右相互不干渉\t\t0 ---  one way\n"
    "else ********上下左右相互干渉\t\t1 ---  turn\n"
    "\n"
    "ぼかし度はデータサイズよりも小さい値にしてください。\n"
    "\n"
    "mist_even ------ 単ぼかし度でデフォーカス\n"
    "mist_turn ------ 多方向グラデーションデフォーカス起点終点折り返し指定(Flag2)(10以上)\n"
    "mist_slope ------ 多方向グラデーションデフォーカス起点終点折り返し指定(Flag2)(10以下)\n"
    "mist_vert ------ 縦方向グラデーションデフォーカス起点終点折り返し指定(Flag2)\n"
    "mist_horz ------ 横方向グラデーションデフォーカス起点終点折り返し指定(Flag2)\n"
    "mist_mask ------ フィルター画像によるボカシ率の指定\n"
    "\n"
    "WARNING BMP FILE ONLY\n";

Image pattern(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    return Pixel{uint8_t(c * 37 + r * 11), uint8_t(r * 53 + 7), uint8_t(255 - c * r * 5)};
  });
}

struct Blur {
  double boke1 = 0, boke2 = 0;
  bool wrap = true;
  double start = 50, end = 100;
  bool turn_profile = false;
};

// The row degree of the grade, from the two boundary rows of a height h.
double grade(int row, int h, const Blur& b) {
  int end_row = static_cast<int>(h * (1.0 - b.end / 100.0));
  int start_row = static_cast<int>(h * (1.0 - b.start / 100.0));
  if (!b.turn_profile) {
    if (row < end_row) return b.boke2;
    if (row >= start_row) return b.boke1;
    return ((b.boke1 - b.boke2) / (start_row - end_row)) * (row - end_row) + b.boke2;
  }
  if (row < end_row || row >= start_row) return b.boke1;
  double k =
      (std::sin(((360.0 / (end_row - start_row)) * (row - start_row) + 270) * ref::pi / 180) + 1) /
      2;
  return (b.boke2 - b.boke1) * k + b.boke1;
}

int edge(int i, int n, bool wrap) {
  if (!wrap) return std::clamp(i, 0, n - 1);
  return ((i % n) + n) % n;
}

// One graded pass: every pixel the blend of the box averages of radii
// trunc(Z + 1) and trunc(Z), each box summed directly.
ref::Grid blur_pass(const ref::Grid& g, const Blur& b) {
  ref::Grid out{g.width, g.height, {}};
  for (int row = 0; row < g.height; ++row) {
    double z = grade(row, g.height, b);
    int r_out = static_cast<int>(z + 1), r_in = static_cast<int>(z);
    double f = z - r_in;
    for (int x = 0; x < g.width; ++x) {
      auto box = [&](int r, int channel) {
        long sum = 0;
        for (int k = row - r; k <= row + r; ++k) {
          for (int c = x - r; c <= x + r; ++c) {
            sum += g.at(edge(c, g.width, b.wrap), edge(k, g.height, b.wrap))[channel];
          }
        }
        return static_cast<int>(sum / ((r + r + 1.0) * (r + r + 1.0)));
      };
      ref::Channels p{};
      for (int channel = 0; channel < 3; ++channel) {
        p[channel] = static_cast<int>(box(r_out, channel) * f + box(r_in, channel) * (1 - f)) & 255;
      }
      out.pixels.push_back(p);
    }
  }
  return out;
}

struct Expected {
  ref::Grid image;
  ref::Frame frame;
  ref::Window crop, back;
};

// The model's run, or nothing where the input must be refused as too small.
// The frame's margins follow the bounding-box rule at every angle.
std::optional<Expected> expected(const Image& image, int kaiten, const Blur& b) {
  ref::Grid input = ref::from_image(image);
  ref::Frame f =
      ref::frame(image.width, image.height, ref::margins(kaiten, image.width, image.height, false));
  ref::Window crop = ref::window(f, true);
  ref::Window origin = ref::window(f, false);
  ref::Window back{origin.c0 - f.a, origin.c1 - f.a, origin.r0 - f.b, origin.r1 - f.b};
  if (back.c1 - back.c0 != f.X || back.r1 - back.r0 != f.Y || f.X <= 0 || f.Y <= 0) {
    return std::nullopt;
  }
  ref::Grid turned = ref::turn(ref::canvas(input, f, std::nullopt), crop, f.M, f.M, kaiten,
                               ref::eight_samples, {});
  ref::Grid blurred = blur_pass(blur_pass(turned, b), b);
  ref::Grid result = ref::turn(ref::grid_source(blurred), back, f.Wa / 2, f.Ha / 2, -kaiten,
                               ref::eight_samples, {});
  return Expected{result, f, crop, back};
}

std::string printed(const Image& image, const Expected& e) {
  char size[64];
  std::snprintf(size, sizeof size, "This size is %4d * %4d\n", image.width, image.height);
  std::string pass = ref::stars(0, e.frame.Ha);
  return size_line(image.width, image.height) + "前処理 " + ref::stars(e.crop.r0, e.crop.r1) +
         "\n" + "本処理 " + pass + pass + "\n" + "後処理 " + ref::stars(e.back.r0, e.back.r1) +
         "\n" + size + "\n";
}

std::vector<std::string> numbers_of(int kaiten, const Blur& b, int count) {
  auto text = [](double v) {
    std::ostringstream s;
    s << v;
    return s.str();
  };
  std::vector<std::string> n{std::to_string(kaiten), text(b.boke1), text(b.boke2)};
  if (count >= 9) {
    n.insert(n.end(), {b.wrap ? "1" : "0", text(b.start), text(b.end)});
  }
  if (count == 10) n.push_back(b.turn_profile ? "1" : "0");
  return n;
}

// Runs mist_turn with the form of `count` arguments and checks all it
// printed and wrote, and that its temporary files are gone.
void expect_mist_turn(const Image& image, int kaiten, const Blur& b, int count = 10) {
  SCOPED_TRACE(testing::Message() << image.width << "x" << image.height << " kaiten " << kaiten
                                  << " degrees " << b.boke1 << ", " << b.boke2 << " count "
                                  << count);
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(image, 0xee));
  std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
  for (const std::string& n : numbers_of(kaiten, b, count)) args.push_back(n);
  ToolResult got = run_in(s, "mist_turn", args);
  EXPECT_TRUE(s.tmp_entries().empty());
  std::optional<Expected> want = expected(image, kaiten, b);
  if (!want) {
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, size_line(image.width, image.height) +
                           "Image too small to turn: " + s.path("in.bmp") + " !\n");
    EXPECT_FALSE(fs::exists(s.path("out.bmp")));
    return;
  }
  ASSERT_EQ(got.status, 0) << got.out << got.err;
  EXPECT_EQ(got.out, printed(image, *want));
  EXPECT_EQ(got.err, "");
  EXPECT_EQ(decode_bmp24(read_file(s.path("out.bmp"))).pixels, ref::to_image(want->image).pixels);
}

TEST(MistTurn, AnyOtherArgumentCountPrintsTheUsageAndALoneOneIsRefused) {
  expect_usage_and_lone_refusal("mist_turn", usage,
                                {0, 2, 3, 4, 6, 7, 10});  // arguments after the name
}

TEST(MistTurn, WithoutBlurTheImageIsTurnedAndTurnedBack) {
  for (const Image& image : {pattern(7, 5), pattern(8, 8), pattern(6, 9)}) {
    for (int kaiten : {0, 1, 30, -45, 90, 180, 270, -90, 359}) {
      expect_mist_turn(image, kaiten, Blur{});
    }
  }
}

TEST(MistTurn, GradedBlursAlongTheTurnedDirection) {
  Image image = pattern(12, 9);
  expect_mist_turn(image, 30, Blur{2, 0.5, true, 50, 100, false});
  expect_mist_turn(image, 90, Blur{1.5, 0, false, 20, 70, false});
  expect_mist_turn(image, -45, Blur{0.25, 3, false, 10, 90, true});
  expect_mist_turn(image, 180, Blur{1, 2, true, 100, 0, true});
  expect_mist_turn(image, 30, Blur{2, 0.5, true, 20, 60, false}, 9);
}

TEST(MistTurn, TheSixArgumentFormWrapsFromTheMiddleToTheBottom) {
  // Six arguments: wrap, start 50, end 100, one way; a bright stripe on the
  // left edge bleeds round to the right edge only in wrap mode.
  Image image = make_image(10, 8, [](int c, int) {
    return c == 0 ? Pixel{250, 250, 250} : Pixel{10, 20, 30};
  });
  expect_mist_turn(image, 0, Blur{1, 2, true, 50, 100, false}, 6);
  auto wrap = expected(image, 0, Blur{1, 2, true, 50, 100, false});
  auto clamp = expected(image, 0, Blur{1, 2, false, 50, 100, false});
  EXPECT_NE(wrap->image.pixels, clamp->image.pixels);
}

TEST(MistTurn, AtRightAnglesTheEdgePixelsStay) {
  // A white image turned without blur stays white at every angle: the crop
  // holds a border of repeated edge pixels, so turning back never reaches
  // the black beyond it.
  Image white = solid_image(8, 8, Pixel{255, 255, 255});
  for (int kaiten : {0, 1, 90, 180, 270, -90, 360}) {
    Scratch s;
    write_file(s.path("in.bmp"), encode_bmp24(white));
    ToolResult got = run_in(
        s, "mist_turn", {s.path("in.bmp"), s.path("out.bmp"), std::to_string(kaiten), "0", "0"});
    ASSERT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(decode_bmp24(read_file(s.path("out.bmp"))).pixels, white.pixels) << kaiten;
  }
  // At 90 degrees the crop of a 64 x 48 input is 52 x 68: its turned box
  // plus two pixels of repeated edge on each side.
  auto want = expected(pattern(64, 48), 90, Blur{});
  EXPECT_EQ(want->frame.Wa, 52);
  EXPECT_EQ(want->frame.Ha, 68);
  expect_mist_turn(pattern(64, 48), 90, Blur{});
}

TEST(MistTurn, WidthsOneToFiveAreTurnedOrRefusedWhereTheWindowMisses) {
  for (int width = 1; width <= 5; ++width) {
    for (int height : {1, 3, 4}) {
      for (int kaiten : {0, 30, 90}) {
        expect_mist_turn(pattern(width, height), kaiten, Blur{1, 0.5, true, 50, 100, false});
      }
    }
  }
  // Without pixels there is no area to turn back into.
  expect_mist_turn(Image{0, 4, {}}, 30, Blur{});
}

TEST(MistTurn, DegreesBeyondTheImageWrapRoundAsOftenAsNeeded) {
  expect_mist_turn(pattern(4, 3), 30, Blur{9, 14, true, 50, 100, false});
}

TEST(MistTurn, RefusalsAndFailuresLeaveNoFilesBehind) {
  Scratch s;
  write_file(s.path("in.bmp"), encode_bmp24(pattern(6, 4)));
  ToolResult negative =
      run_in(s, "mist_turn", {s.path("in.bmp"), s.path("out.bmp"), "30", "-1", "2"});
  EXPECT_EQ(negative.status, 1);
  EXPECT_EQ(negative.out, "X_size = 6 Y_size = 4 1670万色\nBlur degree out of range: -1 !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));

  Bytes four_byte = encode_bmp4(make_image4(3, 2, [](int, int) { return Pixel4{1, 2, 3, 4}; }));
  write_file(s.path("alpha.bmp"), four_byte);
  ToolResult alpha =
      run_in(s, "mist_turn", {s.path("alpha.bmp"), s.path("out.bmp"), "30", "1", "2"});
  EXPECT_EQ(alpha.status, 1);
  EXPECT_EQ(alpha.out, "このファイルは1670万色タイプではありません\n");
  EXPECT_TRUE(s.tmp_entries().empty());

  ToolResult missing =
      run_in(s, "mist_turn", {s.path("none.bmp"), s.path("out.bmp"), "3", "1", "2"});
  EXPECT_EQ(missing.out, "\ncan't open source file " + s.path("none.bmp") + "\n");

  ToolResult no_temp = run(ToolCall{"mist_turn",
                                    {s.path("in.bmp"), s.path("out.bmp"), "30", "1", "2"},
                                    "",
                                    {{"TMPDIR", s.path("gone")}}});
  EXPECT_EQ(no_temp.status, 1);
  EXPECT_EQ(no_temp.out, "");
  EXPECT_EQ(no_temp.err, "Can't open temp0000.bmp !\n");
  EXPECT_FALSE(fs::exists(s.path("out.bmp")));

  // 60000 x 1 at 45 degrees: the turned crop would be 42436 x 42436, beyond 4 GiB.
  write_file(s.path("wide.bmp"), encode_bmp24(pattern(60000, 1)));
  ToolResult wide = run_in(s, "mist_turn", {s.path("wide.bmp"), s.path("out.bmp"), "45", "1", "2"});
  EXPECT_EQ(wide.status, 1);
  EXPECT_EQ(wide.out,
            size_line(60000, 1) + "Image too large to turn: " + s.path("wide.bmp") + " !\n");
  EXPECT_TRUE(s.tmp_entries().empty());
}

TEST(MistTurn, InputsLongerThan18900PixelsAreTurned) {
  // A canvas of 40000 x 40000 pixels would not fit a file, but none is made;
  // the crops are 20004 x 6 and, turned a right angle, 6 x 20004.
  const Image image = pattern(20000, 2);
  for (int kaiten : {0, 90, 180})
    expect_mist_turn(image, kaiten, Blur{1.5, 0.5, true, 50, 100, false});
}

TEST(MistTurn, RunsAtOnceKeepTheirTemporaryFilesApart) {
  Scratch s;
  std::vector<Image> images;
  std::vector<Bytes> inputs;
  for (int i = 0; i < 4; ++i) {
    images.push_back(pattern(20 + 3 * i, 15 + i));
    inputs.push_back(encode_bmp24(images.back()));
  }
  std::vector<Bytes> outputs = outputs_of_runs_at_once(s, "mist_turn", inputs, {"25", "1.5", "0"});
  for (size_t i = 0; i < images.size(); ++i) {
    EXPECT_EQ(
        decode_bmp24(outputs[i]).pixels,
        ref::to_image(expected(images[i], 25, Blur{1.5, 0, true, 50, 100, false})->image).pixels)
        << i;
  }
}

}  // namespace
}  // namespace bmp::test
