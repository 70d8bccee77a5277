// A slow, direct re-implementation of the defocus tools' row-graded box blur,
// written from the formulas as they stand, for the tests to compare against:
// for every output row its degree, both whole radii, the column sums rebuilt
// from the 2r + 1 rows, each row sum formed from its 2r + 1 column sums, the
// mean truncated, then the blend. It shares no code with the tools.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "tests/support/bmp_builder.hpp"

namespace bmp::test {

struct RefGrade {
  double d1 = 0;
  double d2 = 0;
  double start = 0;  // percent from the top
  double end = 100;
  int profile = 0;  // 0 one way, else turn
};

// The edge fold, repeated until the index is inside (a single fold wherever
// the radius does not pass the image's size).
inline int ref_map(long long i, long long n, bool wrap) {
  if (!wrap) return static_cast<int>(i >= n ? n - 1 : (i < 0 ? 0 : i));
  while (i >= n) i -= n;
  while (i < 0) i += n;
  return static_cast<int>(i);
}

inline int ref_boundary_row(int height, double percent) {
  return static_cast<int>(height * (1.0 - percent / 100.0));
}

inline double ref_degree(int o, int height, const RefGrade& g) {
  const int end_row = ref_boundary_row(height, g.end);
  const int start_row = ref_boundary_row(height, g.start);
  if (g.profile == 0) {
    if (o < end_row) return g.d2;
    if (o >= start_row) return g.d1;
    return ((g.d1 - g.d2) / (double)(start_row - end_row)) * (double)(o - end_row) + g.d2;
  }
  if (o < end_row || o >= start_row) return g.d1;
  double k = (std::sin(((360 / (double)(end_row - start_row)) * (double)(o - start_row) + 270) *
                       3.141592654 / 180) +
              1) /
             2;
  return (g.d2 - g.d1) * k + g.d1;
}

// One channel's box mean of radius r around (x, o), the sums in Sum (uint32_t
// as the tools specify, uint64_t where a 32-bit sum would wrap).
template <class Sum>
std::vector<int> ref_box_row(const Image& src, int o, int r, bool wrap, int channel) {
  const int w = src.width, h = src.height;
  std::vector<Sum> column(static_cast<size_t>(w), 0);
  for (long long k = (long long)o - r; k <= (long long)o + r; ++k) {
    int row = ref_map(k, h, wrap);
    for (int x = 0; x < w; ++x) {
      const Pixel& p = src.at(x, row);
      column[static_cast<size_t>(x)] += channel == 0 ? p.b : channel == 1 ? p.g : p.r;
    }
  }
  std::vector<int> mean(static_cast<size_t>(w));
  for (int x = 0; x < w; ++x) {
    Sum s = 0;
    for (long long k = (long long)x - r; k <= (long long)x + r; ++k)
      s += column[ref_map(k, w, wrap)];
    mean[static_cast<size_t>(x)] =
        static_cast<int>(static_cast<long long>((double)s / ((r + r + 1.0) * (r + r + 1.0)))) &
        0xff;
  }
  return mean;
}

// One pass of the graded blur.
template <class Sum = uint32_t>
Image ref_pass(const Image& src, const RefGrade& g, bool wrap) {
  Image out = src;
  for (int o = 0; o < src.height; ++o) {
    double z = ref_degree(o, src.height, g);
    int r_out = (int)(z + 1.0);
    int r_in = (int)z;
    double f = z - r_in;
    for (int c = 0; c < 3; ++c) {
      std::vector<int> a_out = ref_box_row<Sum>(src, o, r_out, wrap, c);
      std::vector<int> a_in = ref_box_row<Sum>(src, o, r_in, wrap, c);
      for (int x = 0; x < src.width; ++x) {
        uint8_t v = static_cast<uint8_t>((int)(a_out[x] * f + a_in[x] * (1 - f)) & 0xff);
        Pixel& p = out.at(x, o);
        (c == 0 ? p.b : c == 1 ? p.g : p.r) = v;
      }
    }
  }
  return out;
}

// The tools' two passes.
template <class Sum = uint32_t>
Image ref_twice(const Image& src, const RefGrade& g, bool wrap) {
  return ref_pass<Sum>(ref_pass<Sum>(src, g, wrap), g, wrap);
}

// A uniform degree.
inline RefGrade ref_even(double degree) { return RefGrade{degree, degree, 0, 100, 0}; }

// Deterministic busy pixels: neighbouring values differ, so that every box
// size and edge choice shows in the result.
inline Image ref_pattern(int width, int height, unsigned seed = 1) {
  unsigned state = seed * 2654435761u + 12345u;
  return make_image(width, height, [&](int, int) {
    auto next = [&] {
      state = state * 1103515245u + 12345u;
      return static_cast<uint8_t>(state >> 16);
    };
    Pixel p;
    p.b = next();
    p.g = next();
    p.r = next();
    return p;
  });
}

}  // namespace bmp::test
