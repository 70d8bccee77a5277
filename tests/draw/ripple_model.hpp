// The concentric wave written out plainly from its definition, one pixel at
// a time in file order, for the tests of ripple_over and ripple_plain. It
// shares no code with the tools.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/draw/random_model.hpp"
#include "tests/support/bmp_builder.hpp"

namespace bmp::test {

struct WaveCall {
  int x = 0, y = 0, radius = 0, waves = 0, phase = 0, damping = 0;
  double height = 1.0;
  int flag = 0;
  bool real_height = true;  // the long form (高さ as a real, then flag)
};

// X-原点 .. 減衰率, then 高さ (and flag) as the form needs.
inline std::vector<std::string> wave_args(const WaveCall& c) {
  std::vector<std::string> args{std::to_string(c.x),      std::to_string(c.y),
                                std::to_string(c.radius), std::to_string(c.waves),
                                std::to_string(c.phase),  std::to_string(c.damping)};
  if (c.real_height) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", c.height);
    args.insert(args.end(), {text, std::to_string(c.flag)});
  }
  return args;
}

// The usage block both tools print after their continuation line.
inline const std::string wave_usage_tail =
    "\n"
    "       波数、減水率、半径、高さ(default 1.0)が実数で指定できる｡\n"
    "\n"
    "--- Flag ---\n"
    "0       = 最初のベースとして 128 を敷いて波を作る。\n"
    "1       = 128 のベースに 64 の乱数を与え、その上に波を作る。\n"
    "\n"
    "ripple_plain ----- 同心型ベース128型\n"
    "surge_over ----- 波及型ベースFILE型\n"
    "surge_plain ----- 波及型ベース128型\n"
    "ripple_over ----- 同心型ベースFILE型\n"
    "\n"
    "WARNING for BMP FILE ONLY\n";

// An image size and a wave, drawn at random: centres inside and outside the
// image, radii that cut it, negative and zero waves and damping, integer and
// real heights, noise or none.
struct WaveCase {
  int width = 0, height = 0;
  WaveCall call;
};
inline std::vector<WaveCase> random_wave_cases(uint32_t seed, int count) {
  std::mt19937 pick(seed);
  auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(pick); };
  std::vector<WaveCase> cases;
  for (int n = 0; n < count; ++n) {
    const int w = between(1, 23), h = between(1, 17);
    WaveCall c{between(-6, w + 6), between(-6, h + 6), between(-2, 25),
               between(-3, 6),     between(-400, 400), between(-2, 4)};
    c.flag = n % 3 == 0 ? 0 : between(-2, 3);
    c.height = between(-20, 30) / 10.0;
    if (n % 5 == 4) {  // the shortest form: 高さ 1.0, no noise
      c.real_height = false;
      c.height = 1.0;
      c.flag = 0;
    }
    cases.push_back({w, h, c});
  }
  return cases;
}

inline std::string describe(const WaveCase& k) {
  const WaveCall& c = k.call;
  return std::to_string(k.width) + " x " + std::to_string(k.height) + " centre " +
         std::to_string(c.x) + ", " + std::to_string(c.y) + " radius " + std::to_string(c.radius) +
         " waves " + std::to_string(c.waves) + " damping " + std::to_string(c.damping) +
         " height " + std::to_string(c.height) + " flag " + std::to_string(c.flag);
}

namespace model {

// W at column j, stored row i of an image h rows high, and whether the pixel
// lies within reach (d <= R).
inline double wave(const WaveCall& c, int h, int j, int i, bool& inside) {
  const double R = c.radius - 0.5;
  const double L = R / (c.waves + 0.25);
  const double A = 127 * c.height;
  const long long dx = j - c.x, dy = i - (h - c.y);
  const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
  inside = d <= R;
  return std::pow((R - d) / R, c.damping) *
         (std::cos((d / L * 360 + c.phase) * 3.141592654 / 180) * A);
}

inline uint8_t channel(int in, double v) {
  const long long t = in + static_cast<long long>(v) - 128;
  if (t < 0) return 0;
  if (t > 255) return 255;
  return static_cast<uint8_t>(static_cast<long long>(v + in - 128));
}

}  // namespace model

inline Image model_ripple_over(const Image& in, const WaveCall& c) {
  Lcg random;
  Image out = in;
  for (int i = 0; i < in.height; ++i) {
    for (int j = 0; j < in.width; ++j) {
      bool inside;
      const double w = model::wave(c, in.height, j, i, inside);
      Pixel& p = out.at(j, i);
      if (c.flag != 0 && !inside) {
        const int red = random.next() / 512 + 96;
        const int green = random.next() / 512 + 96;
        const int blue = random.next() / 512 + 96;
        p = {model::channel(p.b, blue), model::channel(p.g, green), model::channel(p.r, red)};
        continue;
      }
      double v = 128;
      if (inside) v = c.flag != 0 ? w + (random.next() / 512.0 + 96.0) : w + 128;
      p = {model::channel(p.b, v), model::channel(p.g, v), model::channel(p.r, v)};
    }
  }
  return out;
}

inline Image model_ripple_plain(int width, int height, const WaveCall& c) {
  Lcg random;
  return make_image(width, height, [&](int j, int i) {
    bool inside;
    const double w = model::wave(c, height, j, i, inside);
    uint8_t grey;
    if (c.flag == 0) {
      const long long v = static_cast<long long>(inside ? w + 128 : 128.0);
      grey = static_cast<uint8_t>(std::clamp<long long>(v, 0, 255));
    } else {
      const int base = random.next() / 512 + 96;
      const double v = inside ? w + (random.next() / 512.0 + 96.0) : 128;
      grey = model::channel(base, v);
    }
    return Pixel{grey, grey, grey};
  });
}

}  // namespace bmp::test
