// A plain model of the overlay compositing tools, written from their
// description pixel by pixel: the background's stored rows g from the bottom,
// the overlay's bottom row on row d = Y1 - Y2 - Y_ORI, real divisions by 255
// truncated, bytes their low 8 bits.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "tests/support/bmp_builder.hpp"

namespace bmp::test::reference {

inline int weight_of(int percent) { return int(std::trunc(percent * 2.55)); }

inline uint8_t low_byte(double quotient) { return uint8_t(int64_t(std::trunc(quotient)) & 255); }

// out = trunc((c (255 - T) + b T) / 255), the numerator in 64 bits.
inline uint8_t composite(int colour, int background, int weight) {
  return low_byte(double(int64_t{colour} * (255 - weight) + int64_t{background} * weight) / 255);
}

// Calls at(h, g, overlay column, overlay row) for every covered background
// pixel; returns d.
inline int64_t for_each_covered(int bg_width, int bg_height, int ov_width, int ov_height, int x_ori,
                                int y_ori, const std::function<void(int, int, int, int)>& at) {
  const int64_t d = int64_t{bg_height} - ov_height - y_ori;
  for (int g = 0; g < bg_height; ++g) {
    if (g < d || g >= d + ov_height) continue;
    for (int h = 0; h < bg_width; ++h) {
      if (h < x_ori || h >= int64_t{x_ori} + ov_width) continue;
      at(h, g, h - x_ori, int(g - d));
    }
  }
  return d;
}

inline Image matte_blend(const Image& background, const Image4& overlay, int x_ori, int y_ori,
                         int percent, bool inverse) {
  Image out = background;
  const int t = weight_of(percent);
  for_each_covered(background.width, background.height, overlay.width, overlay.height, x_ori, y_ori,
                   [&](int h, int g, int k, int row) {
                     const Pixel4& ov = overlay.at(k, row);
                     const int a = inverse ? 255 - ov.a : ov.a;
                     Pixel& bg = out.at(h, g);
                     auto channel = [&](int o, uint8_t& b) {
                       int mix = int(std::trunc(double((255 - a) * o + a * b) / 255));
                       b = composite(mix, b, t);
                     };
                     channel(ov.b, bg.b);
                     channel(ov.g, bg.g);
                     channel(ov.r, bg.r);
                   });
  return out;
}

struct Key {
  int r, g, b;
};

inline Image key_blend(const Image& background, const Image& overlay, int x_ori, int y_ori,
                       int percent, std::optional<Key> key) {
  Image out = background;
  const int t = weight_of(percent);
  for_each_covered(
      background.width, background.height, overlay.width, overlay.height, x_ori, y_ori,
      [&](int h, int g, int k, int row) {
        const Pixel& ov = overlay.at(k, row);
        if (key && key->r == ov.r && key->g == ov.g && key->b == ov.b) return;
        Pixel& bg = out.at(h, g);
        bg = Pixel{composite(ov.b, bg.b, t), composite(ov.g, bg.g, t), composite(ov.r, bg.r, t)};
      });
  return out;
}

// The "rr" line for an overlay reaching below the background.
inline std::string skipped_rows_line(int64_t d, int64_t header_bytes, int64_t row_bytes) {
  if (d >= 0) return "";
  return "rr = " + std::to_string(header_bytes + -d * row_bytes) +
         "--------------------------------------\n";
}

}  // namespace bmp::test::reference
