// maskhide, run as its own process on images the tests build.
#include <gtest/gtest.h>

#include "tests/pixel/pixel_cli.hpp"

namespace bmp::test {
namespace {

const std::string usage = banner("MASKHIDE UTILITY (BMP FILE VERSION)\n") +
                          "\nUSAGE: COMMAND INFILE1 INFILE2 OUTFILE (FLAG)\n\n"
                          "0 or no ----- decode(mono)\n"
                          "1 ----- ----- decode(color)\n"
                          "2 ----------- encode\n"
                          "\nWARNING for BMP FILE ONLY\n";

// The mask laid on the carrier from the bottom-left; each pixel under a blue
// byte below 128 takes three draws from the generator seeded with 0.
Image hidden(const Image& carrier, const Image& mask) {
  Lcg rand{0};
  Image out = carrier;
  for (int r = 0; r < carrier.height; ++r) {
    for (int c = 0; c < carrier.width; ++c) {
      if (c >= mask.width || r >= mask.height || mask.at(c, r).b >= 128) continue;
      int d[3];
      for (int& k : d) k = rand.next() / 8192 - 2;
      const int instead_of_zero[3] = {+1, -1, +1};
      Pixel& p = out.at(c, r);
      uint8_t* bytes[3] = {&p.b, &p.g, &p.r};
      for (int k = 0; k < 3; ++k) {
        if (d[k] == 0) d[k] = instead_of_zero[k];
        const int v = *bytes[k], t = v + d[k];
        *bytes[k] = uint8_t(t > 255 ? v - 3 : t < 0 ? v + 3 : t);
      }
    }
  }
  return out;
}

Image pattern(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    return Pixel{uint8_t(c * 37 + r), uint8_t(255 - c * r), uint8_t((c + r) % 2 ? 0 : 255)};
  });
}

// Dark where (c + 2r) % 3 is 0, else white; blue 127 and 128 either side.
Image mask_of(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    return (c + 2 * r) % 3 == 0 ? Pixel{127, 255, 255} : Pixel{128, 0, 0};
  });
}

Outcome run_two(const Image& first, const Image& second, std::vector<std::string> flag) {
  Scratch s;
  write_file(s.path("IN.bmp"), encode_bmp24(first, 0x11));
  write_file(s.path("IN2.bmp"), encode_bmp24(second, 0x22));
  std::vector<std::string> args = {"IN", "IN2", "OUT"};
  args.insert(args.end(), flag.begin(), flag.end());
  return run_files(s, "maskhide", args);
}

TEST(Maskhide, OtherArgumentCountsPrintTheUsage) {
  expect_refused_counts("maskhide", {0, 1, 2, 5}, usage);
}

TEST(Maskhide, TheFirstChangesOfTheGeneratorSeededWithZero) {
  // The first dark pixel changes by -2, -2, +1 (its third draw gives 0), the
  // second by -2, -1, -1 (its first draw is 2437).
  Outcome got = run_two(solid_image(3, 1, {100, 100, 100}), solid_image(2, 1, {0, 0, 0}), {"2"});
  ASSERT_EQ(got.result.status, 0);
  EXPECT_EQ(got.result.out, size_line(3, 1) + size_line(2, 1) + progress(1));
  EXPECT_EQ(got.image.pixels, (std::vector<Pixel>{{98, 98, 101}, {98, 99, 99}, {100, 100, 100}}));
}

TEST(Maskhide, HidingFollowsTheSerialDrawsForEveryMaskSize) {
  struct Case {
    int width, height, mask_width, mask_height;
  };
  const Case cases[] = {{5, 4, 5, 4}, {7, 6, 3, 2}, {4, 3, 9, 8}, {1, 5, 2, 1},
                        {0, 3, 2, 2}, {3, 0, 2, 2}, {6, 2, 0, 1}, {2, 3, 5, 0}};
  for (const Case& c : cases) {
    // Bytes 0, 1, 254 and 255 in the carrier: some changes turn back.
    Image carrier = make_image(c.width, c.height, [](int x, int y) {
      const uint8_t v[4] = {0, 1, 254, 255};
      return Pixel{v[(x + y) % 4], v[(x + 2 * y) % 4], v[(3 * x + y) % 4]};
    });
    Image mask = mask_of(c.mask_width, c.mask_height);
    Outcome got = run_two(carrier, mask, {"2"});
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.result.out, size_line(c.width, c.height) +
                                  size_line(c.mask_width, c.mask_height) + progress(c.height));
    EXPECT_EQ(encode_bmp24(got.image), encode_bmp24(hidden(carrier, mask)))
        << c.width << "x" << c.height << " under " << c.mask_width << "x" << c.mask_height;
  }
}

TEST(Maskhide, FlagsRevealOrHide) {
  const Image carrier = pattern(6, 5);
  const Image mask = mask_of(6, 5);
  const Image encoded = hidden(carrier, mask);
  const Image mono = mapped(mask, [](Pixel p) {
    return p.b < 128 ? Pixel{0, 0, 0} : Pixel{255, 255, 255};
  });
  Image colour = encoded;
  for (size_t i = 0; i < colour.pixels.size(); ++i) {
    if (mask.pixels[i].b >= 128) colour.pixels[i] = {255, 255, 255};
  }
  struct Case {
    std::vector<std::string> flag;
    const Image* first;
    const Image* second;
    const Image* want;
  };
  const Case cases[] = {
      {{"2"}, &carrier, &mask, &encoded},   {{"7"}, &carrier, &mask, &encoded},
      {{"-1"}, &carrier, &mask, &encoded},  {{}, &encoded, &carrier, &mono},
      {{"0"}, &encoded, &carrier, &mono},   {{"x"}, &encoded, &carrier, &mono},
      {{"1"}, &encoded, &carrier, &colour}, {{"1.9"}, &encoded, &carrier, &colour},
  };
  for (const Case& c : cases) {
    Outcome got = run_two(*c.first, *c.second, c.flag);
    ASSERT_EQ(got.result.status, 0) << got.result.out;
    EXPECT_EQ(got.image.pixels, c.want->pixels) << testing::PrintToString(c.flag);
  }
  Outcome self = run_two(carrier, carrier, {"1"});
  EXPECT_EQ(self.image.pixels, solid_image(6, 5, {255, 255, 255}).pixels);
}

TEST(Maskhide, LongRowsTakeTheMaskInPieces) {
  // Rows longer than a read block, under a narrower and a wider mask.
  const Image carrier = pattern(100003, 2);
  for (int mask_width : {60001, 100010}) {
    const Image mask = mask_of(mask_width, 1);
    Outcome got = run_two(carrier, mask, {"2"});
    ASSERT_EQ(got.result.status, 0);
    EXPECT_EQ(got.image.pixels, hidden(carrier, mask).pixels) << mask_width;
    Outcome back = run_two(got.image, carrier, {"0"});
    ASSERT_EQ(back.result.status, 0);
    for (int c : {0, 1, 2, 60000, 60001, 100002}) {
      const bool dark = c < mask_width && mask.at(c, 0).b < 128;
      const Pixel want = dark ? Pixel{0, 0, 0} : Pixel{255, 255, 255};
      EXPECT_EQ(back.image.at(c, 0), want) << c;
      EXPECT_EQ(back.image.at(c, 1), (Pixel{255, 255, 255}));
    }
  }
}

TEST(Maskhide, RevealingImagesOfOtherSizesIsRefused) {
  for (auto [w, h] : std::vector<std::pair<int, int>>{{4, 3}, {3, 4}, {5, 5}}) {
    Scratch s;
    write_file(s.path("IN.bmp"), encode_bmp24(pattern(3, 3)));
    write_file(s.path("IN2.bmp"), encode_bmp24(pattern(w, h)));
    Outcome got = run_files(s, "maskhide", {"IN", "IN2", "OUT", "0"});
    EXPECT_EQ(got.result.status, 1);
    EXPECT_EQ(got.result.out, size_line(3, 3) + size_line(w, h) + "Images " + s.path("IN.bmp") +
                                  " and " + s.path("IN2.bmp") + " differ in size !\n");
    EXPECT_FALSE(got.written);
  }
}

TEST(Maskhide, TheSecondInputIsCheckedLikeTheFirst) {
  Scratch s;
  write_file(s.path("IN.bmp"), encode_bmp24(pattern(3, 3)));
  Bytes bad = encode_bmp24(pattern(3, 3));
  bad[1] = 'Q';
  write_file(s.path("IN2.bmp"), bad);
  Outcome got = run_files(s, "maskhide", {"IN", "IN2", "OUT", "2"});
  EXPECT_EQ(got.result.status, 1);
  EXPECT_EQ(got.result.out, size_line(3, 3) + "Wrong Format !\n");
  EXPECT_FALSE(got.written);
  got = run_files(s, "maskhide", {"IN", "none", "OUT", "2"});
  EXPECT_EQ(got.result.out, "\ncan't open source file none\n");
}

}  // namespace
}  // namespace bmp::test
