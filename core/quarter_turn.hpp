// A 24-bit image turned by a quarter, its width becoming its height: output
// row r takes input column r or W - 1 - r, and its column c input row c or
// H - 1 - c.
#pragma once

#include "files.hpp"
#include "image_rows.hpp"
#include "row_loop.hpp"

namespace bmp {

// Which input column and row an output pixel takes.
struct QuarterTurn {
  bool column_from_right = false;  // row r takes column W - 1 - r
  bool row_from_top = false;       // column c takes row H - 1 - c
};

// Writes the H × W turned rows of `source` to `out` (whose header the caller
// wrote), each with its zero padding, done(row) after each.
void turn_quarter(const ImageRows& source, QuarterTurn turn, OutputFile& out, const RowDone& done);

}  // namespace bmp
