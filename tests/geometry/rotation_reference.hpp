// A plain, slow model of the rotation tools written straight from their
// formulas, for the tests to compare whole outputs with. It shares no code
// with the tools: every canvas pixel comes from the clamp formula, every
// sample from its own cos and sin, every mean from a division in doubles.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.hpp"

namespace bmp::test::reference {

using Channels = std::array<int, 4>;  // file order: b, g, r (24-bit) or a, r, g, b

// An image as channel tuples; at(c, r) with row 0 at the bottom.
struct Grid {
  int width = 0;
  int height = 0;
  std::vector<Channels> pixels;
  const Channels& at(int c, int r) const { return pixels[static_cast<size_t>(r) * width + c]; }
};

inline Grid from_image(const Image& image) {
  Grid g{image.width, image.height, {}};
  for (const Pixel& p : image.pixels) g.pixels.push_back({p.b, p.g, p.r, 0});
  return g;
}
inline Grid from_image4(const Image4& image) {
  Grid g{image.width, image.height, {}};
  for (const Pixel4& p : image.pixels) g.pixels.push_back({p.a, p.r, p.g, p.b});
  return g;
}
inline Image to_image(const Grid& g) {
  Image image{g.width, g.height, {}};
  for (const Channels& c : g.pixels) {
    image.pixels.push_back({uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2])});
  }
  return image;
}
inline Image4 to_image4(const Grid& g) {
  Image4 image{g.width, g.height, {}};
  for (const Channels& c : g.pixels) {
    image.pixels.push_back({uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]), uint8_t(c[3])});
  }
  return image;
}

constexpr double pi = 3.141592654;

inline int half(int n) { return n / 2; }  // C++ division truncates toward zero

struct Frame {
  int X, Y, M, S, L, B, ex, ey, a, b, Wa, Ha;
};

// The margins; `right_angle_rule` false applies the plus-2 rule at 0, 90,
// 180 and 270 degrees as well.
inline std::pair<int, int> margins(double angle, int X, int Y, bool right_angle_rule = true) {
  int whole = static_cast<int>(std::trunc(angle));
  double k = whole % 360 + (angle - whole);
  if (k < 0) k += 360;
  bool first = (0 <= k && k < 90) || (180 <= k && k < 270);
  if (right_angle_rule && (k == 0.0 || k == 180.0)) return {-1, -1};
  if (right_angle_rule && (k == 90.0 || k == 270.0)) return {half(Y - X) - 1, half(X - Y) - 1};
  double u = (first ? k : k - 90) * pi / 180;
  int one = std::abs(static_cast<int>(X * std::cos(u) + Y * std::sin(u)));
  int two = std::abs(static_cast<int>(-X * std::sin(u) - Y * std::cos(u)));
  int W = first ? one : two;
  int H = first ? two : one;
  return {half(W - X) + 2, half(H - Y) + 2};
}

inline Frame frame(int X, int Y, std::pair<int, int> m) {
  Frame f{};
  f.X = X;
  f.Y = Y;
  f.M = Y > X ? Y : X;
  f.S = 2 * f.M;
  f.L = (f.S - X) / 2;
  f.B = (f.S - Y) / 2;
  f.ex = m.first;
  f.ey = m.second;
  f.a = half(f.S - X - 2 * f.ex);
  f.b = half(f.S - Y - 2 * f.ey);
  f.Wa = f.S - 2 * f.a;
  f.Ha = f.S - 2 * f.b;
  return f;
}

struct Window {
  int c0, c1, r0, r1;
};

inline Window window(const Frame& f, bool grown) {
  if (grown) return {f.a, f.S - f.a, f.b, f.S - f.b};
  int px = f.X % 2, py = f.Y % 2;
  return {f.a + f.ex + px, f.S - f.a - f.ex, f.b + f.ey + py, f.S - f.b - f.ey};
}

using Offsets = std::vector<std::pair<double, double>>;
inline const Offsets one_sample = {{0.2, 0.2}};
inline const Offsets four_samples = {{0.2, 0.2}, {0.8, 0.2}, {0.2, 0.8}, {0.8, 0.8}};
inline const Offsets eight_samples = {{0.15, 0.15}, {0.85, 0.15}, {0.15, 0.85}, {0.85, 0.85},
                                      {0.5, 0.05},  {0.95, 0.5},  {0.5, 0.95},  {0.05, 0.5}};

// A source pixel, or nothing where the position lies outside the source.
using Source = std::function<std::optional<Channels>(int c, int r)>;

inline Source grid_source(const Grid& g) {
  return [&g](int c, int r) -> std::optional<Channels> {
    if (c < 0 || c >= g.width || r < 0 || r >= g.height) return std::nullopt;
    return g.at(c, r);
  };
}

// The canvas of side S, pixel by pixel: the input at (L, B), outside it the
// clamped edge pixel or the fill colour; an input without pixels gives the
// fill colour. Positions outside the canvas give nothing.
inline Source canvas(const Grid& input, const Frame& f, std::optional<Channels> solid) {
  return [&input, f, solid](int c, int r) -> std::optional<Channels> {
    if (c < 0 || c >= f.S || r < 0 || r >= f.S) return std::nullopt;
    if (input.width == 0 || input.height == 0) return solid.value_or(Channels{});
    int ic = c - f.L, ir = r - f.B;
    bool inside = ic >= 0 && ic < f.X && ir >= 0 && ir < f.Y;
    if (!inside && solid) return *solid;
    return input.at(std::clamp(ic, 0, f.X - 1), std::clamp(ir, 0, f.Y - 1));
  };
}

// The window's pixels turned about (cx, cy): per sample an inverse mapping,
// per channel trunc(sum / n).
inline Grid turn(const Source& source, Window w, int cx, int cy, double kaiten,
                 const Offsets& offsets, Channels fill) {
  const double t = kaiten * pi / 180;
  Grid out{w.c1 - w.c0, w.r1 - w.r0, {}};
  for (int i = w.r0; i < w.r1; ++i) {
    for (int j = w.c0; j < w.c1; ++j) {
      Channels sum{};
      for (auto [ox, oy] : offsets) {
        double dx = static_cast<double>(j - cx) - 0.5 + ox;
        double dy = static_cast<double>(i - cy) - 0.5 + oy;
        int sx = static_cast<int>(std::cos(t) * dx + std::sin(t) * dy) + cx;
        int sy = static_cast<int>(std::cos(t) * dy - std::sin(t) * dx) + cy;
        Channels s = source(sx, sy).value_or(fill);
        for (int k = 0; k < 4; ++k) sum[k] += s[k];
      }
      Channels mean;
      for (int k = 0; k < 4; ++k) mean[k] = static_cast<int>(sum[k] / double(offsets.size()));
      out.pixels.push_back(mean);
    }
  }
  return out;
}

// One twirl or twirl32 run: the result, or nothing where the window is not
// the size the header states (or holds no pixel).
struct TwirlResult {
  Grid image;
  Window window;
};
inline std::optional<TwirlResult> twirl(const Grid& input, double kaiten, const Offsets& offsets,
                                        std::optional<Channels> solid, bool grown) {
  Frame f = frame(input.width, input.height, margins(kaiten, input.width, input.height));
  Window w = window(f, grown);
  int want_w = grown ? f.Wa : f.X, want_h = grown ? f.Ha : f.Y;
  if (w.c1 - w.c0 != want_w || w.r1 - w.r0 != want_h || want_w <= 0 || want_h <= 0) {
    return std::nullopt;
  }
  return TwirlResult{
      turn(canvas(input, f, solid), w, f.M, f.M, kaiten, offsets, solid.value_or(Channels{})), w};
}

// The stars of a pass over rows r0 to r1 - 1: one per row index that is a
// multiple of 20.
inline std::string stars(int r0, int r1) {
  std::string s;
  for (int i = r0; i < r1; ++i) {
    if (i % 20 == 0) s += "*";
  }
  return s;
}

}  // namespace bmp::test::reference
