// One pixel's bytes: each channel from the tables' estimate of the window's
// sum where the bound settles it, else from the plain loop's additions re-run.
// The vector lanes do the same for several pixels at once; these serve where
// they cannot (the image's edges, windows of different sizes side by side).
#pragma once

#include <cstdint>

#include "defocus/fractional_box/area_sums.hpp"
#include "defocus/fractional_box/exact_sums.hpp"
#include "defocus/fractional_box/window_plans.hpp"

namespace bmp::fracbox {

// Output pixel (x, y)'s bytes that the estimate settles into out[0..2]; bit
// c of the result is set for each channel c that it leaves to the loop.
template <class Table>
unsigned estimate_at(const Table& sums, int64_t width, EdgeMode mode, int64_t x, int64_t y,
                     const WindowPlan& plan, uint8_t* out) {
  const BoxWindow& window = plan.window;
  const int64_t m = window.half_width;
  const auto inner = sums.box(y - m + 1, y + m - 1, x - m + 1, x + m - 1);
  if (window.fraction == 0) {
    // Ring and corners weigh 0: the loop adds whole numbers only, exactly.
    for (int c = 0; c < 3; ++c) out[c] = channel_byte(static_cast<double>(inner[c]), window.area);
    return 0;
  }
  using Sum = typename decltype(inner)::value_type;
  const auto whole = sums.box(y - m, y + m, x - m, x + m);
  const int64_t left = 3 * mapped(x - m, width, mode);
  const int64_t right = 3 * mapped(x + m, width, mode);
  const uint8_t* bottom = sums.row_pixels(y - m);
  const uint8_t* top = sums.row_pixels(y + m);
  const uint8_t* corners[4] = {bottom + left, bottom + right, top + left, top + right};
  unsigned unsettled = 0;
  for (int c = 0; c < 3; ++c) {
    const int corner_sum = corners[0][c] + corners[1][c] + corners[2][c] + corners[3][c];
    const double inside = static_cast<double>(inner[c]);
    const double ring = static_cast<double>(Sum(Sum(whole[c] - inner[c]) - Sum(corner_sum)));
    const double estimate = inside + window.fraction * ring + window.corner * corner_sum;
    if (plan.exact) {  // the loop forms exactly this sum
      out[c] = channel_byte(estimate, window.area);
      continue;
    }
    const double quotient = estimate * plan.inverse_area;
    const int settled =
        plan.bounded ? settled_channel(quotient, plan.relative_slack * quotient + 0x1p-900) : -1;
    if (settled < 0) {
      unsettled |= 1u << c;
    } else {
      out[c] = static_cast<uint8_t>(settled);
    }
  }
  return unsettled;
}

// The channels of output pixel (x, y) in `unsettled`, from the loop's
// additions re-run one pixel at a time, into out[0..2].
template <class Table>
void loop_channels_at(const Table& sums, int64_t width, EdgeMode mode, int64_t x, int64_t y,
                      const BoxWindow& window, unsigned unsettled, uint8_t* out) {
  const int64_t m = window.half_width;
  for (int c = 0; c < 3; ++c) {
    if ((unsettled & (1u << c)) == 0) continue;
    const int64_t first = x - m;
    auto inside = [first](int64_t i) { return 3 * (first + i); };
    auto folded = [=](int64_t i) { return 3 * map_edge_index(first + i, width, mode); };
    const bool within = first >= 0 && x + m < width;
    double loop;
    if (m <= plain_loop_half_width) {
      loop = within ? loop_sum<Runs::one_by_one>(sums, c, x, y, window, inside)
                    : loop_sum<Runs::one_by_one>(sums, c, x, y, window, folded);
    } else {
      loop = within ? loop_sum<Runs::at_once>(sums, c, x, y, window, inside)
                    : loop_sum<Runs::at_once>(sums, c, x, y, window, folded);
    }
    out[c] = channel_byte(loop, window.area);
  }
}

// Output pixel (x, y)'s three bytes into out[0..2], the row's bytes from
// out - 3x on.
template <class Table>
void average_at(const Table& sums, int64_t width, EdgeMode mode, int64_t x, int64_t y,
                const WindowPlan& plan, uint8_t* out) {
  const unsigned unsettled = estimate_at(sums, width, mode, x, y, plan, out);
  if (unsettled != 0) loop_channels_at(sums, width, mode, x, y, plan.window, unsettled, out);
}

}  // namespace bmp::fracbox
