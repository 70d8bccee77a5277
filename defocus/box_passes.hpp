// The two blur passes of the fractional-box tools (mist_slope, mist_mask):
// pass 1 from the input into temp0000.bmp, pass 2 from there into the output,
// with the same radius for each pixel in both passes.
#pragma once

#include <functional>
#include <span>

#include "core/bmp_io.hpp"
#include "core/console.hpp"
#include "core/files.hpp"
#include "defocus/defocus_frame.hpp"

namespace bmp {

// Fills the radius (>= 0, at most the run's largest) of every pixel of stored
// row y.
using RowRadii = std::function<void(int32_t y, std::span<double> radii)>;

// Writes the 24-bit header to temp0000.bmp and then to `output`, runs both
// passes with "*" on every twentieth row of each, and removes the temporary
// file. The caller commits `output`.
void fractional_box_passes(Console& console, InputFile& input, const ImageLayout& image,
                           OutputFile& output, EdgeMode mode, double max_radius,
                           const RowRadii& row_radii);

}  // namespace bmp
