// A plain model of the HLS colour tools for the tests, written from the
// formulas as they read: one pixel after another in reading order (stored
// row 0 first, left to right), the library's fmod at every fold, every
// division done where it stands. A Reading other than `as_written` groups or
// orders one step another way, so a test can find an input on which that
// other reading would change a byte.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "tests/support/bmp_builder.hpp"

namespace bmp::test {

enum class Reading {
  as_written,
  rising_by_sixtieths,    // (upper - lower) × (h / 60.0) + lower
  falling_by_sixtieths,   // (upper - lower) × ((240.0 - h) / 60.0) + lower
  saturation_split,       // d / (2.0 - max - min)
  upper_first,            // upper = L × (1.0 + S), lower = 2L - upper (L ≤ 0.5)
  upper_at_180,           // h = 180.0 gives upper, not the falling slope
  channels_from_raw_hue,  // red, green, blue from the hue before its fold
  units_by_reciprocal,    // byte × (1.0 / 255.0)
  offset_by_turns_first,  // w × (360.0 × MOD)
  weight_by_fractions,    // red × (77 / 255.0) + ...
  factor_on_byte_first,   // (byte × MOD) × w, (S × MOD) × w
};

struct ModelHls {
  double hue, lightness, saturation;
};

class HlsModel {
 public:
  explicit HlsModel(Reading reading = Reading::as_written) : reading_(reading) {}
  double hue() const { return hue_; }

  double fold(double h) const {
    h = std::fmod(h, 360.0);
    if (h < 0.0) h += 360.0;
    return h;
  }

  double channel(double h, double lower, double upper) const {
    h = fold(h);
    if (h < 60.0) {
      if (reading_ == Reading::rising_by_sixtieths) return (upper - lower) * (h / 60.0) + lower;
      return (upper - lower) * h / 60.0 + lower;
    }
    if (h < 180.0) return upper;
    if (reading_ == Reading::upper_at_180 && h == 180.0) return upper;
    if (h < 240.0) {
      if (reading_ == Reading::falling_by_sixtieths) {
        return (upper - lower) * ((240.0 - h) / 60.0) + lower;
      }
      return (upper - lower) * (240.0 - h) / 60.0 + lower;
    }
    return lower;
  }

  ModelHls to_hls(double r, double g, double b) {
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    const double l = (mx + mn) / 2.0;
    const double d = mx - mn;
    if (d == 0.0) return {hue_, l, 0.0};
    double s;
    if (l <= 0.5) {
      s = d / (mx + mn);
    } else if (reading_ == Reading::saturation_split) {
      s = d / (2.0 - mx - mn);
    } else {
      s = d / (2.0 - (mx + mn));
    }
    double h = r == mx ? (g - b) / d : g == mx ? (b - r) / d + 2.0 : (r - g) / d + 4.0;
    h *= 60.0;
    if (h < 0.0) h += 360.0;
    hue_ = h;
    return {h, l, s};
  }

  std::array<double, 3> to_rgb(double h, double l, double s) const {
    l = std::clamp(l, 0.0, 1.0);
    s = std::clamp(s, 0.0, 1.0);
    const double raw = h;
    h = fold(h);
    double lower, upper;
    if (l <= 0.5) {
      if (reading_ == Reading::upper_first) {
        upper = l * (1.0 + s);
        lower = 2.0 * l - upper;
      } else {
        lower = (1.0 - s) * l;
        upper = 2.0 * l - lower;
      }
    } else {
      upper = (1.0 - s) * l + s;
      lower = 2.0 * l - upper;
    }
    if (reading_ == Reading::channels_from_raw_hue) h = raw;
    return {channel(h + 120.0, lower, upper), channel(h, lower, upper),
            channel(h - 120.0, lower, upper)};
  }

  double unit(uint8_t byte) const {
    return reading_ == Reading::units_by_reciprocal ? byte * (1.0 / 255.0) : byte / 255.0;
  }

  static uint8_t byte_of(double x) { return static_cast<uint8_t>(static_cast<int>(x * 255.0)); }

  // The HLS step of one pixel; change(h, l, s) alters the three in place.
  template <class Change>
  Pixel step(Pixel p, const Change& change) {
    ModelHls c = to_hls(unit(p.r), unit(p.g), unit(p.b));
    change(c);
    c.lightness = std::min(c.lightness, 1.0);
    c.saturation = std::min(c.saturation, 1.0);
    const std::array<double, 3> rgb = to_rgb(c.hue, c.lightness, c.saturation);
    return Pixel{byte_of(rgb[2]), byte_of(rgb[1]), byte_of(rgb[0])};
  }

  Reading reading() const { return reading_; }

 private:
  Reading reading_;
  double hue_ = 0.0;
};

// trunc(v) for a real, clamped to 0..255.
inline uint8_t clamped_byte(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 255.0) return 255;
  return static_cast<uint8_t>(static_cast<int>(v));
}

// recolor: mode 0 multiplies, 1 adds (bytes), 2 multiplies, 3 adds (HLS);
// red takes `first`, green `second`, blue `third`.
inline Image recolor_model(const Image& in, int mode, double first, double second, double third,
                           Reading reading = Reading::as_written) {
  Image out = in;
  HlsModel hls(reading);
  for (Pixel& p : out.pixels) {
    if (mode == 0 || mode == 1) {
      auto apply = [&](uint8_t v, double k) { return clamped_byte(mode == 0 ? v * k : v + k); };
      p = Pixel{apply(p.b, third), apply(p.g, second), apply(p.r, first)};
    } else if (mode == 2) {
      p = hls.step(p, [&](ModelHls& c) {
        c.hue *= first;
        c.lightness *= second;
        c.saturation *= third;
      });
    } else {
      p = hls.step(p, [&](ModelHls& c) {
        c.hue += first;
        c.lightness += second;
        c.saturation += third;
      });
    }
  }
  return out;
}

// The weight of a FILTER pixel: luminance before truncation, / 255.0.
inline double filter_weight(const Pixel& f, Reading reading = Reading::as_written) {
  if (reading == Reading::weight_by_fractions) {
    return (f.r * (77 / 255.0) + f.g * (150 / 255.0) + f.b * (28 / 255.0) + 0.5) / 255.0;
  }
  return (f.r * 77 / 255.0 + f.g * 150 / 255.0 + f.b * 28 / 255.0 + 0.5) / 255.0;
}

// recolor_mask with Flag 0 (hue), 1 (brightness) or 2 (saturation); DATA
// pixel (x, y) weighed by FILTER pixel (x, y).
inline Image recolor_mask_model(const Image& filter, const Image& data, double mod, int flag,
                                Reading reading = Reading::as_written) {
  Image out = data;
  HlsModel hls(reading);
  for (int y = 0; y < data.height; ++y) {
    for (int x = 0; x < data.width; ++x) {
      Pixel& p = out.at(x, y);
      const double w = filter_weight(filter.at(x, y), reading);
      if (flag == 0) {
        const double offset =
            reading == Reading::offset_by_turns_first ? w * (360.0 * mod) : w * 360.0 * mod;
        p = hls.step(p, [&](ModelHls& c) { c.hue += offset; });
      } else if (flag == 1) {
        auto scale = [&](uint8_t v) {
          return clamped_byte(reading == Reading::factor_on_byte_first ? v * mod * w
                                                                       : v * (mod * w));
        };
        p = Pixel{scale(p.b), scale(p.g), scale(p.r)};
      } else {
        p = hls.step(p, [&](ModelHls& c) {
          c.saturation = reading == Reading::factor_on_byte_first ? c.saturation * mod * w
                                                                  : c.saturation * (mod * w);
        });
      }
    }
  }
  return out;
}

}  // namespace bmp::test
