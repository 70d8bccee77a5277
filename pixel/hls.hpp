// The HLS conversions of the colour tools: red, green, blue in 0..1 to hue in
// degrees, lightness and saturation in 0..1 and back (the double-cone model).
// Every test and every operation is in a fixed order: the tools' bytes depend
// on it to the last bit. A grey colour has no hue of its own; it keeps the
// hue of the last coloured conversion, which HlsConversion remembers.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "core/formulas.hpp"

namespace bmp {

struct Hls {
  double hue;  // degrees
  double lightness;
  double saturation;
};

struct Rgb {
  double red;
  double green;
  double blue;
};

// fmod(h, 360.0), then 360.0 added to a negative remainder. Below 720.0 the
// remainder is h or h - 360.0, both exact, so the library call is skipped
// for the angles the conversions make themselves; the bits are the same.
inline double fold_degrees(double h) {
  double folded;
  if (h > -360.0 && h < 360.0) {
    folded = h;
  } else if (h >= 360.0 && h < 720.0) {
    folded = h - 360.0;
  } else {
    folded = std::fmod(h, 360.0);
  }
  if (folded < 0.0) folded = folded + 360.0;
  return folded;
}

// hue_value: one channel of an HLS colour from an angle and the two bounds.
// At exactly 180.0 the falling slope is taken (it gives upper, up to the last
// bit); at 60.0 upper, at 240.0 lower.
inline double hue_value(double h, double lower, double upper) {
  h = fold_degrees(h);
  if (h < 60.0) return (upper - lower) * h / 60.0 + lower;
  if (h < 180.0) return upper;
  if (h < 240.0) return (upper - lower) * (240.0 - h) / 60.0 + lower;
  return lower;
}

// hls_to_rgb: lightness and saturation clamped into 0..1 and the hue folded
// into 0..360 first, so any finite input gives channels in 0..1.
inline Rgb hls_to_rgb(double hue, double lightness, double saturation) {
  if (lightness < 0.0) lightness = 0.0;
  if (lightness > 1.0) lightness = 1.0;
  if (saturation < 0.0) saturation = 0.0;
  if (saturation > 1.0) saturation = 1.0;
  const double h = fold_degrees(hue);
  double lower;
  double upper;
  if (lightness <= 0.5) {
    lower = (1.0 - saturation) * lightness;
    upper = 2.0 * lightness - lower;
  } else {
    upper = (1.0 - saturation) * lightness + saturation;
    lower = 2.0 * lightness - upper;
  }
  Rgb rgb;
  rgb.red = hue_value(h + 120.0, lower, upper);
  rgb.green = hue_value(h, lower, upper);
  rgb.blue = hue_value(h - 120.0, lower, upper);
  return rgb;
}

// The conversion to HLS with its remembered hue: 0.0 when made, overwritten
// by every colour that is not grey, untouched by a grey one. A run makes one
// and converts every pixel through it, in reading order.
class HlsConversion {
 public:
  double remembered_hue() const { return remembered_hue_; }

  // rgb_to_hls: the hue reported is the remembered hue after the call. On a
  // tie for the maximum red wins over green, green over blue.
  Hls rgb_to_hls(double r, double g, double b) {
    double max = r < g ? g : r;
    if (b > max) max = b;
    double min = r <= g ? r : g;
    if (b < min) min = b;
    const double lightness = (max + min) / 2.0;
    const double d = max - min;
    if (d == 0.0) return Hls{remembered_hue_, lightness, 0.0};
    const double saturation = lightness <= 0.5 ? d / (max + min) : d / (2.0 - (max + min));
    double hue;
    if (r == max) {
      hue = (g - b) / d;
    } else if (g == max) {
      hue = (b - r) / d + 2.0;
    } else {  // b is the maximum
      hue = (r - g) / d + 4.0;
    }
    hue = hue * 60.0;
    if (hue < 0.0) hue = hue + 360.0;
    remembered_hue_ = hue;
    return Hls{hue, lightness, saturation};
  }

 private:
  double remembered_hue_ = 0.0;
};

// byte / 255.0 for every byte, the division done once.
inline constexpr std::array<double, 256> byte_units = [] {
  std::array<double, 256> units{};
  for (int v = 0; v < 256; ++v) units[static_cast<size_t>(v)] = v / 255.0;
  return units;
}();

// A channel in 0..1 back to a byte: trunc(x × 255.0), kept in 0..255.
inline uint8_t channel_byte(double x) {
  return static_cast<uint8_t>(std::clamp(truncate_toward_zero(x * 255.0), 0, 255));
}

// The HLS step of one pixel (blue, green, red bytes, rewritten in place):
// each byte / 255.0, rgb_to_hls, change(hls) alters hue, lightness and
// saturation, lightness and saturation above 1.0 become 1.0, hls_to_rgb,
// and trunc(x × 255.0) written blue, green, red.
template <class Change>
inline void hls_pixel_step(HlsConversion& conversion, uint8_t* bgr, const Change& change) {
  Hls hls = conversion.rgb_to_hls(byte_units[bgr[2]], byte_units[bgr[1]], byte_units[bgr[0]]);
  change(hls);
  if (hls.lightness > 1.0) hls.lightness = 1.0;
  if (hls.saturation > 1.0) hls.saturation = 1.0;
  const Rgb rgb = hls_to_rgb(hls.hue, hls.lightness, hls.saturation);
  bgr[0] = channel_byte(rgb.blue);
  bgr[1] = channel_byte(rgb.green);
  bgr[2] = channel_byte(rgb.red);
}

}  // namespace bmp
