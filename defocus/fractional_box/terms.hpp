// The words the fractional box's parts and its users share: the window of a
// radius, a row's radii as the tools work them out, and how dear they are.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace bmp {

// The window of a radius r >= 0: half-width M, fraction f and its weights.
struct BoxWindow {
  int64_t half_width;  // M
  double fraction;     // f = r - trunc(r)
  double corner;       // f², the corner weight
  double area;         // (2r + 1)², the sum of all weights
};

// M = trunc(r) + 1. (trunc(r + 1) is the same number except just below a
// whole r, where r + 1 rounds up and the window would outgrow its weights.)
BoxWindow box_window(double radius);

// Fills the radius (>= 0) of every pixel of stored row y. Rows are asked for
// from several threads at once, each row once per pass.
using RowRadii = std::function<void(int32_t y, std::span<double> radii)>;

// How dear a row's radii are to work out again.
enum class RadiiCost { cheap, dear };

}  // namespace bmp
