// A slow, direct re-implementation of the fractional box of mist_slope and
// mist_mask, written from its definition for the tests to compare against:
// every sample of the (2M + 1)² window, rows outer and columns inner, weight ×
// value summed in double, then trunc(sum / (2r + 1)²). It shares no code with
// the tools.
#pragma once

#include <array>
#include <cmath>

#include "tests/support/bmp_builder.hpp"

namespace bmp::test {

// Clamp repeats the edge; wrap continues on the opposite side, however far.
inline long ref_fold(long i, long n, bool wrap) {
  if (!wrap) return i < 0 ? 0 : (i >= n ? n - 1 : i);
  return ((i % n) + n) % n;
}

// The window half-width is trunc(r) + 1 (written trunc(r + 1) elsewhere; the
// two differ only for r a hair below a whole number, tested on its own).
inline Pixel ref_fractional_box(const Image& src, int x, int y, double r, bool wrap) {
  const long m = static_cast<long>(std::trunc(r)) + 1;
  const double f = r - std::trunc(r);
  const double ff = f * f;
  double sum[3] = {0, 0, 0};
  for (long row = y - m; row <= y + m; ++row) {
    for (long col = x - m; col <= x + m; ++col) {
      const bool row_edge = row == y - m || row == y + m;
      const bool col_edge = col == x - m || col == x + m;
      const double weight = row_edge && col_edge ? ff : (row_edge || col_edge ? f : 1.0);
      const Pixel& p = src.at(static_cast<int>(ref_fold(col, src.width, wrap)),
                              static_cast<int>(ref_fold(row, src.height, wrap)));
      sum[0] += weight * p.b;
      sum[1] += weight * p.g;
      sum[2] += weight * p.r;
    }
  }
  const double area = (2 * r + 1) * (2 * r + 1);
  return Pixel{static_cast<uint8_t>(static_cast<int>(sum[0] / area)),
               static_cast<uint8_t>(static_cast<int>(sum[1] / area)),
               static_cast<uint8_t>(static_cast<int>(sum[2] / area))};
}

// One pass, pixel (x, y) with radius radius_at(x, y).
template <class RadiusAt>
Image ref_fractional_pass(const Image& src, RadiusAt radius_at, bool wrap) {
  Image out = src;
  for (int y = 0; y < src.height; ++y) {
    for (int x = 0; x < src.width; ++x)
      out.at(x, y) = ref_fractional_box(src, x, y, radius_at(x, y), wrap);
  }
  return out;
}

// The tools' two passes, with the same radii both times.
template <class RadiusAt>
Image ref_fractional_twice(const Image& src, RadiusAt radius_at, bool wrap) {
  return ref_fractional_pass(ref_fractional_pass(src, radius_at, wrap), radius_at, wrap);
}

}  // namespace bmp::test
