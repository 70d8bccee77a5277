// The fractional box of the direction-graded and filter-weighted defocus
// tools: a square window of real radius r around a pixel whose outer ring is
// weighted by the fraction f of r and whose four corners by f², summed in
// double precision and normalised by (2r + 1)².
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "core/files.hpp"
#include "core/image_rows.hpp"
#include "core/temp_files.hpp"
#include "defocus/defocus_frame.hpp"
#include "defocus/fractional_box/terms.hpp"

namespace bmp {

// For tests that compare the paths: the widest vector lanes the box may use,
// 8 (AVX-512, where the processor has it), 4 (AVX2) or 0 (the plain loops
// alone). The bytes are the same whichever is used.
void limit_box_lanes(int lanes);

// `fractional_box_average` over a source image and edge mode. The result is
// byte for byte that of the plain sum over the (2M + 1)² window, rows outer and
// columns inner, of weight × value. Each pixel takes the window's whole-number
// parts (inner square, ring, corners) from summed-area tables in constant time
// and settles its bytes from them wherever the plain sum's rounding cannot tip
// the truncated result; the other channels re-run the plain sum's additions,
// exactly, with runs of weight-1 values added at once.
class FractionalBox {
 public:
  // Over a 24-bit `source` (which must outlive its use), for radii from 0 up
  // to max_radius (a larger one still works, at the cost of new tables).
  FractionalBox(const ImageRows& source, EdgeMode mode, double max_radius);
  ~FractionalBox();
  FractionalBox(const FractionalBox&) = delete;
  FractionalBox& operator=(const FractionalBox&) = delete;

  // The next pass's image, of the same size; the tables' memory is kept.
  void set_source(const ImageRows& source);

  // Blue, green and red of output pixel (x, y) for a radius r >= 0:
  // trunc(sum / (2r + 1)²) per channel.
  std::array<uint8_t, 3> fractional_box_average(int32_t x, int32_t y, double radius);

  // Output row y: pixel x takes radii[x]; 3 bytes per pixel into `out`.
  // Rows are cheapest in ascending order (the tables move by bands).
  void average_row(int32_t y, std::span<const double> radii, std::span<uint8_t> out);

  // One pass over the source set last into `dest`, whose header the caller
  // wrote: each stored row with its `dm` zero bytes, its radii from
  // row_radii; after_row(y) follows each row.
  void pass(OutputFile& dest, const RowRadii& row_radii, const RowDone& after_row);

 private:
  struct Tables;
  std::unique_ptr<Tables> tables_;
};

// One pass over `source` into `dest`, whose header the caller wrote: each
// stored row with its `dm` zero bytes, its radii from row_radii; after_row(y)
// follows each row.
void fractional_box_pass(FractionalBox& box, const ImageRows& source, OutputFile& dest,
                         const RowRadii& row_radii, const RowDone& after_row);

// The pass for blur_twice_through_temp: both passes through one FractionalBox,
// whose tables' memory the second pass reuses.
BlurPass fractional_box_blur(EdgeMode mode, double max_radius, RowRadii row_radii,
                             RowDone after_row);

// blur_twice_through_temp(input, temps, dest, fractional_box_blur(mode,
// max_radius, row_radii, after_row)): the same bytes, progress and failures.
// Where the windows stay inside the image (clamped edges) and reach well
// short of its height, the second pass runs a few runs of rows behind the
// first on the same threads: its tables are built from the first pass's rows
// kept in memory, and dear radii are the first pass's. temp0000 is then
// opened and reopened where the passes would write and read it, with their
// messages, and left empty. Radii may exceed max_radius only by rounding.
void fractional_box_blur_twice(const ImageRows& input, TempFileChain& temps, OutputFile& dest,
                               EdgeMode mode, double max_radius, const RowRadii& row_radii,
                               RadiiCost cost, const RowDone& after_row);

}  // namespace bmp
