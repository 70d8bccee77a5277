// The vector kernels of the fractional box, on four lanes (AVX2) and on
// eight (AVX-512): the estimates of a run of pixels, and the plain loop's
// sums re-run for one channel of several neighbouring pixels at once. Both
// widths are one source, lane_kernels.inc, compiled once for each target by
// lanes_avx2.cpp and lanes_avx512.cpp, which hold the operations of their
// width. Every lane makes exactly the scalar code's operations on its pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "defocus/fractional_box/area_sums.hpp"
#include "defocus/fractional_box/window_plans.hpp"

namespace bmp::fracbox {

// One channel of up to eight neighbouring pixels whose windows share one
// half-width, for the loop's sums side by side: lane l is pixel x + l, with
// its own fraction, corner weight and area, read from the row's plans.
struct LaneGroup {
  int64_t x;
  int channel;
  unsigned wanted;  // bit l: pixel x + l's byte is to be written
  const double* fraction;
  const double* corner;
  const double* area;
};

// The rows of the windows of half-width M around row y, looked up once for
// all the groups of a row: the pixels of window rows y - M .. y + M, and the
// table's prefix rows y - M + 1 .. y + M where every inner row is looked up
// without mapping (direct).
struct WindowRows {
  const uint8_t* const* pixels;
  const uint32_t* const* prefixes;
  bool direct;
};

// WindowRows of a table, kept in `pixels` and `prefixes`.
WindowRows window_rows(const AreaSums<uint32_t>& sums, int64_t y, int64_t m,
                       std::vector<const uint8_t*>& pixels, std::vector<const uint32_t*>& prefixes);

// In an estimate's record of the channels it leaves open (bit c for channel
// c): the pixel was not estimated at all.
inline constexpr uint8_t not_estimated = 8;

#if defined(__x86_64__)
// The kernels of one width: four lanes (AVX2) or eight (AVX-512).
template <int lanes>
struct LaneKernels {
  // The lanes serve pixels x .. x + lanes - 1 whose windows of half-width M
  // start inside the image (x >= M) and end this far short of its right
  // side (x + M + reach <= width), where their loads stay inside the row.
  static constexpr int64_t estimate_reach = lanes == 4 ? 6 : 8;
  static constexpr int64_t sums_reach = lanes == 4 ? 6 : 12;

  // The estimates of pixels begin .. end - 1 of row y, `lanes` at a time
  // where their plans share a half-width and are all bounded
  // (RowWindows::in_lanes) or all exact (exact_in_lanes), and their windows
  // fit: settled bytes into the row's bytes `out`, open channels into
  // open[x - begin]; not_estimated for the other pixels.
  static void estimate(const AreaSums<uint32_t>& sums, const RowWindows& windows, int64_t y,
                       int64_t begin, int64_t end, int64_t width, uint8_t* out, uint8_t* open);

  // The loop's sums of n groups of half-width m in row y, whose windows'
  // rows are `rows`, and from them the bytes they want, into the row's bytes
  // `out`.
  static void loop_sums(const AreaSums<uint32_t>& sums, const WindowRows& rows, int64_t y,
                        int64_t m, const LaneGroup* groups, int n, uint8_t* out);
};
#endif

}  // namespace bmp::fracbox
