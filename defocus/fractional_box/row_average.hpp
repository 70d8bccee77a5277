// A strip of an output row: every pixel's bytes, first the estimates (in
// vector lanes where they serve), then the plain loop's sums re-run for the
// channels the estimates leave open (in lanes where neighbouring windows
// share their half-width and lie inside the image, else one pixel at a time).
#pragma once

#include <cstdint>
#include <span>

#include "defocus/defocus_frame.hpp"
#include "defocus/fractional_box/window_plans.hpp"

namespace bmp::fracbox {

// Pixels begin .. end - 1 of output row y, pixel x with radius radii[x] and
// the plan `windows` holds at x, 3 bytes a pixel into the row's bytes `out`.
// Table: AreaSums<uint32_t> or AreaSums<uint64_t>, ready for row y.
template <class Table>
void average_strip(const Table& sums, int64_t width, EdgeMode mode, int64_t y,
                   std::span<const double> radii, const RowWindows& windows, int64_t begin,
                   int64_t end, uint8_t* out);

// The whole of output row y, planned on this thread.
template <class Table>
void average_row_of(const Table& sums, int64_t width, EdgeMode mode, int64_t y,
                    std::span<const double> radii, uint8_t* out);

}  // namespace bmp::fracbox
