// joggle, run as its own process on files the tests write, against a plain
// per-pixel model of the displacement.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/geometry/geometry_check.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("JOGGLE UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE : COMMAND BMP INFILE OUTFILE Yurashi_x Yuragi_y 明度 (Flag)\n"
                          "\n"
                          "--- Flag ---\n"
                          "0 ------ 精細 anti\n"
                          "1 -----  no anti\n"
                          "2 -----  極精細\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

struct Params {
  int shift_x = 0, shift_y = 0, brightness = 1, flag = 0;
};

uint8_t channel(const Pixel& p, int k) { return k == 0 ? p.b : k == 1 ? p.g : p.r; }

// The displacement, one output pixel and one sample at a time.
Image displaced(const Image& map, const Image& in, const Params& p) {
  const std::vector<double> offsets = p.flag == 0   ? std::vector<double>{0.15, 0.5, 0.85}
                                      : p.flag == 2 ? std::vector<double>{0.1, 0.3, 0.5, 0.7}
                                                    : std::vector<double>{};
  auto fetch = [&](double s, double t) {
    const int column = s < 0 ? 0 : s >= in.width ? in.width - 1 : int(s);
    const int row = t < 0 ? 0 : t >= in.height ? in.height - 1 : int(t);
    return in.at(column, row);
  };
  return make_image(in.width, in.height, [&](int x, int y) {
    const Pixel m = map.at(x, y);
    const int level = int(m.r * 77 / 255.0 + m.g * 150 / 255.0 + m.b * 28 / 255.0 + 0.5);
    const double d = level / 128.0 - 1.0;
    const double dx = d * p.shift_x, dy = d * p.shift_y;
    const double bright_real = d * p.brightness;
    const long long bright = bright_real >= 2147483647.0    ? 2147483647
                             : bright_real <= -2147483648.0 ? -2147483648LL
                                                            : (long long)bright_real;
    int mean[3];
    if (offsets.empty()) {
      const Pixel s = fetch(x + dx, y + dy);
      for (int k = 0; k < 3; ++k) mean[k] = channel(s, k);
    } else {
      double sum[3] = {0, 0, 0};
      for (double oy : offsets) {
        for (double ox : offsets) {
          const Pixel s = fetch(x + ox + dx, y + oy + dy);
          for (int k = 0; k < 3; ++k) sum[k] += channel(s, k);
        }
      }
      for (int k = 0; k < 3; ++k) mean[k] = int(sum[k] / (offsets.size() == 3 ? 9.0 : 16.0));
    }
    uint8_t v[3];
    for (int k = 0; k < 3; ++k) v[k] = uint8_t(std::clamp<long long>(bright + mean[k], 0, 255));
    return Pixel{v[0], v[1], v[2]};
  });
}

std::vector<std::string> numbers(const Params& p) {
  return {std::to_string(p.shift_x), std::to_string(p.shift_y), std::to_string(p.brightness),
          std::to_string(p.flag)};
}

std::string size_lines(int w, int h) {
  const std::string size =
      " X_size = " + std::to_string(w) + " Y_size = " + std::to_string(h) + " 1670万色\n";
  return "Infile1" + size + "Infile2" + size;
}

void expect_joggle(const Image& map, const Image& in, const Params& p) {
  SCOPED_TRACE(testing::Message() << in.width << "x" << in.height << " shift " << p.shift_x << ","
                                  << p.shift_y << " bright " << p.brightness << " flag " << p.flag);
  GeometryRun got = run_on("joggle", {encode_bmp24(map, 0x31), encode_bmp24(in, 0x13)}, numbers(p));
  ASSERT_EQ(got.result.status, 0) << got.result.out;
  EXPECT_EQ(got.result.out, size_lines(in.width, in.height) +
                                progress_lines("Y_LINE = %3d\r", 0, in.height) + "\n終了\n");
  EXPECT_EQ(got.output, encode_bmp24(displaced(map, in, p)));
}

TEST(Joggle, TheUsageAndTheLoneArgumentRefusal) {
  expect_usage("joggle", usage, {0, 2, 3, 8});
  ToolResult lone = run("joggle", {"map.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "\nWARNING for BMP FILE ONLY");
}

TEST(Joggle, AMidGreyMapCopiesThePictureWithEveryFlag) {
  const Image in = random_image(5, 4, 2);
  const Image grey = solid_image(5, 4, Pixel{128, 128, 128});
  for (int flag = 0; flag < 3; ++flag) {
    GeometryRun got =
        run_on("joggle", {encode_bmp24(grey), encode_bmp24(in)}, numbers({7, 7, 100, flag}));
    EXPECT_EQ(got.output, encode_bmp24(in)) << flag;
  }
}

TEST(Joggle, ABlackMapShiftsFivePixelsLeftAndDarkensByTwenty) {
  const Image in = random_image(9, 3, 4);
  const Image black = solid_image(9, 3, Pixel{0, 0, 0});
  for (int flag = 0; flag < 3; ++flag) {
    GeometryRun got =
        run_on("joggle", {encode_bmp24(black), encode_bmp24(in)}, numbers({5, 0, 20, flag}));
    const Image out = decode_bmp24(got.output);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 9; ++x) {
        const Pixel s = in.at(std::max(x - 5, 0), y);
        EXPECT_EQ(out.at(x, y).g, std::max(s.g - 20, 0)) << flag << " " << x << "," << y;
      }
    }
  }
}

TEST(Joggle, MapsNearTheEdgesMatchTheModel) {
  const Image in = random_image(12, 10, 5);
  const Image white = solid_image(12, 10, Pixel{255, 255, 255});
  const Image black = solid_image(12, 10, Pixel{0, 0, 0});
  const Image mixed = random_image(12, 10, 6);
  for (int flag = 0; flag < 3; ++flag) {
    expect_joggle(white, in, {10, 10, 1, flag});
    expect_joggle(black, in, {10, -3, 50, flag});
    expect_joggle(mixed, in, {-4, 6, -30, flag});
  }
}

TEST(Joggle, ShorterFormsTakeTheDefaults) {
  const Image in = random_image(6, 6, 7);
  const Image map = random_image(6, 6, 8);
  // Five arguments: the same shift both ways, brightness 1, flag 0.
  GeometryRun five = run_on("joggle", {encode_bmp24(map), encode_bmp24(in)}, {"3"});
  EXPECT_EQ(five.output, encode_bmp24(displaced(map, in, {3, 3, 1, 0})));
  GeometryRun six = run_on("joggle", {encode_bmp24(map), encode_bmp24(in)}, {"3", "0"});
  EXPECT_EQ(six.output, encode_bmp24(displaced(map, in, {3, 0, 1, 0})));
  GeometryRun seven = run_on("joggle", {encode_bmp24(map), encode_bmp24(in)}, {"3", "1", "40"});
  EXPECT_EQ(seven.output, encode_bmp24(displaced(map, in, {3, 1, 40, 0})));
}

TEST(Joggle, ExtremeBrightnessSaturatesAndHoldsTheBytes) {
  const Image in = random_image(4, 2, 9);
  const Image white = solid_image(4, 2, Pixel{255, 255, 255});
  const Image black = solid_image(4, 2, Pixel{0, 0, 0});
  const std::pair<const Image*, std::string> cases[] = {{&white, "2147483647"},
                                                        {&black, "2147483647"},
                                                        {&white, "-2147483648"},
                                                        {&black, "-2147483648"},
                                                        {&black, "99999999999"}};
  for (const auto& [map, brightness] : cases) {
    GeometryRun got =
        run_on("joggle", {encode_bmp24(*map), encode_bmp24(in)}, {"1", "1", brightness, "1"});
    const bool light = (map == &white) == (brightness[0] != '-');
    EXPECT_EQ(got.output, encode_bmp24(solid_image(4, 2, light ? Pixel{255, 255, 255} : Pixel{})))
        << brightness;
  }
}

TEST(Joggle, RefusalsLeaveNoOutput) {
  const Bytes map = encode_bmp24(random_image(4, 3, 1));
  Bytes eight = map;
  put_le16(eight, 28, 8);
  struct Case {
    Bytes map, in;
    std::vector<std::string> numbers;
    std::string out;
  };
  const Case cases[] = {
      {map,
       encode_bmp24(random_image(4, 2, 1)),
       {"1"},
       "Infile1 X_size = 4 Y_size = 3 1670万色\nInfile2 X_size = 4 Y_size = 2 1670万色\n"
       "大きさが違います。\n"},
      {map,
       encode_bmp24(random_image(4, 3, 2)),
       {"1", "1", "1", "3"},
       size_lines(4, 3) + "Wrong Flag !\n"},
      {encode_bmp24(Image{0, 3, {}}),
       encode_bmp24(Image{0, 3, {}}),
       {"1", "1", "1", "-1"},
       size_lines(0, 3) + "Wrong Flag !\n"},
      {eight, map, {"1"}, "このファイルは1670万色タイプではありません。(Infile1)\n"},
      {map,
       eight,
       {"1"},
       "Infile1 X_size = 4 Y_size = 3 1670万色\n"
       "このファイルは1670万色タイプではありません。(Infile2)\n"},
  };
  for (const Case& c : cases) {
    GeometryRun got = run_on("joggle", {c.map, c.in}, c.numbers);
    EXPECT_EQ(got.result.status, 1);
    EXPECT_EQ(got.result.out, c.out);
    EXPECT_FALSE(got.has_output);
  }
}

TEST(Joggle, EmptyImagesAndRandomMapsMatchTheModel) {
  expect_joggle(Image{0, 2, {}}, Image{0, 2, {}}, {3, 3, 1, 2});
  expect_joggle(Image{3, 0, {}}, Image{3, 0, {}}, {3, 3, 1, 0});
  const Image big = random_image(301, 223, 10);
  const Image big_map = random_image(301, 223, 11);
  for (int flag = 0; flag < 3; ++flag) expect_joggle(big_map, big, {17, -9, 60, flag});
  std::mt19937 gen(12);
  for (int i = 0; i < 18; ++i) {
    const int w = 1 + int(gen() % 40), h = 1 + int(gen() % 40);
    const Params p{int(gen() % 41) - 20, int(gen() % 41) - 20, int(gen() % 301) - 150,
                   int(gen() % 3)};
    expect_joggle(random_image(w, h, gen()), random_image(w, h, gen()), p);
  }
}

}  // namespace
}  // namespace bmp::test
