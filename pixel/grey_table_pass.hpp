// The pass of the tools that recolour an image by its grey levels: each
// pixel's luma_30_59_11 level indexes a 256-entry colour table.
#pragma once

#include <array>
#include <cstdint>

#include "core/files.hpp"
#include "core/tool_frame.hpp"

namespace bmp {

struct TableColour {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
};

// Entry i is the colour written for grey level i (255 is never used: white
// is level 254).
using GreyColourTable = std::array<TableColour, 256>;

// The grey levels of a row's pixels (blue, green, red) mapped through `table`.
void recolour_pixels(std::span<uint8_t> pixels, const GreyColourTable& table);

// The run after the files are open: the header read without a signature test
// ("Infile1 X_size = ..."), the output header, the rows with their progress,
// then "This size is %4d * %4d\n" and "\n".
void recolour_by_grey(Run& run, InputFile& in, OutputFile& out, const GreyColourTable& table);

}  // namespace bmp
