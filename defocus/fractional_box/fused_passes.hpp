// Both passes of a blur at once: the second runs a few runs of rows behind
// the first on the same threads, its tables built from the first pass's rows
// kept in memory; and the sizes both kinds of pass cut their rows into.
#pragma once

#include <cstdint>

#include "core/files.hpp"
#include "core/image_rows.hpp"
#include "core/temp_files.hpp"
#include "defocus/defocus_frame.hpp"
#include "defocus/fractional_box/terms.hpp"

namespace bmp::fracbox {

// A run's tables start with its margins' rows: runs of four margins (and no
// fewer than 32 rows) keep that extra work at half a run's own rows or less.
int64_t run_rows_for(int64_t margin);

// The output rows a lone pass makes before it writes any: a few MiB of rows,
// and at least two runs for each thread, so that every thread has work
// whatever the width.
int64_t band_rows_for(int32_t width, int32_t height, int64_t margin, unsigned threads);

// fractional_box_blur_twice where the windows stay inside the image (clamped
// edges) and reach well short of its height; false, with nothing done,
// elsewhere.
bool blur_twice_fused(const ImageRows& input, TempFileChain& temps, OutputFile& dest, EdgeMode mode,
                      double max_radius, const RowRadii& row_radii, RadiiCost cost,
                      const RowDone& after_row);

}  // namespace bmp::fracbox
