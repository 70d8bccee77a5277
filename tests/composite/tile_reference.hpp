// Plain models of the tile tools' arithmetic, written pixel by pixel from the
// formulas (cross-fade, half-band turn, edge sinking), for their tests.
#pragma once

#include <cmath>
#include <string>

#include "tests/composite/composite_cli.hpp"
#include "tests/support/bmp_builder.hpp"

namespace bmp::test {

// A picture whose bytes differ from pixel to pixel and channel to channel.
inline Image tile_pattern(int width, int height) {
  return make_image(width, height, [](int c, int r) {
    return Pixel{uint8_t(c * 37 + r * 11 + 5), uint8_t(r * 53 + c * 3), uint8_t(250 - c * 7 - r)};
  });
}

inline uint8_t channel(const Pixel& p, int c) { return c == 0 ? p.b : c == 1 ? p.g : p.r; }
inline void set_channel(Pixel& p, int c, int v) {
  uint8_t byte = static_cast<uint8_t>(v);
  (c == 0 ? p.b : c == 1 ? p.g : p.r) = byte;
}

// trunc(far × (1 − k/W) + near × (k/W)) for every channel.
inline Pixel faded(const Pixel& far, const Pixel& near, int k, int band) {
  double q = static_cast<double>(k) / band;
  Pixel out;
  for (int c = 0; c < 3; ++c) {
    set_channel(out, c, static_cast<int>(channel(far, c) * (1 - q) + channel(near, c) * q));
  }
  return out;
}

// The seam pass along the rows (`across`) or up the columns: the line of n
// pixels loses its far band, the first W are faded from it, and output index
// j shows faded index (trunc(W / 2) + j) mod (n − W).
inline Image seam_model(const Image& in, int band, bool across) {
  const int n = across ? in.width : in.height;
  const int kept = n - band;
  Image out{across ? kept : in.width, across ? in.height : kept, {}};
  out.pixels.resize(static_cast<size_t>(out.width) * out.height);
  for (int line = 0; line < (across ? in.height : in.width); ++line) {
    auto at = [&](int i) { return across ? in.at(i, line) : in.at(line, i); };
    for (int j = 0; j < kept; ++j) {
      int k = (band / 2 + j) % kept;
      Pixel p = k < band ? faded(at(k + kept), at(k), k, band) : at(k);
      (across ? out.at(j, line) : out.at(line, j)) = p;
    }
  }
  return out;
}

struct SinkModel {
  int band = 0;
  bool across = true;
  int flag2 = 0;  // 1 near edge, 2 far edge, else both
  Pixel colour;
  double percent = 0;
};

// s(i) = (sin(((180 / W) × i + 270) × 3.141592654 / 180) + 1) / 2.
inline double sink_s(int i, int band) {
  return (std::sin(((180.0 / band) * i + 270) * 3.141592654 / 180) + 1) / 2;
}

inline Image sink_model(const Image& in, const SinkModel& m) {
  Image out = in;
  const int n = m.across ? in.width : in.height;
  const int far_start = n - m.band;
  const double t = m.percent / 100.0;
  for (int r = 0; r < in.height; ++r) {
    for (int col = 0; col < in.width; ++col) {
      const int i = m.across ? col : r;
      const Pixel& px = in.at(col, r);
      for (int c = 0; c < 3; ++c) {
        const int v = channel(px, c), colour = channel(m.colour, c);
        double mix;
        if (m.flag2 != 2 && i < m.band) {
          double s = sink_s(i, m.band);
          mix = colour * (1 - s) + v * s;
        } else if (m.flag2 != 1 && i > far_start) {
          double s = sink_s(i - far_start, m.band);
          mix = colour * s + v * (1 - s);
        } else {
          continue;
        }
        set_channel(out.at(col, r), c, static_cast<int>(mix * (1 - t) + v * t));
      }
    }
  }
  return out;
}

// The progress lines of rows first .. end − 1 (each "[%04d]\r" is 7 bytes).
inline std::string progress_lines(int first, int end) { return progress(end).substr(7 * first); }

inline std::string size_line(int width, int height) {
  return "X_size = " + std::to_string(width) + " Y_size = " + std::to_string(height) +
         " 1670万色\n";
}

}  // namespace bmp::test
