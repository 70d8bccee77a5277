// The engine of the four stacking and joining tools: 2 to 15 24-bit inputs
// put one above the other (the first on top) or side by side (the first on
// the left), either of equal sizes or aligned on a fill colour. Rows stream
// from the inputs to the output; no image is held.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/bmp_io.hpp"
#include "core/image_rows.hpp"
#include "core/tool_frame.hpp"

namespace bmp {

enum class Arrangement {
  stack,  // one above the other: widths may differ
  join,   // side by side: heights may differ
};

// Where a smaller input lies in the output's room for it, in stored order:
// from the left for stacking, from the bottom row for joining.
enum class Alignment { start, centre, end };

struct Fill {
  std::array<uint8_t, 3> colour{};  // blue, green, red: the bytes of a fill pixel
  Alignment alignment = Alignment::start;
};

// The fill pixels before a piece of `size` in a room of `room`: none, the
// truncated half of the rest (an odd one more after it), or all of the rest.
int64_t lead_of(Alignment alignment, int64_t room, int64_t size);

// Stacks `images` (the last one first, so the first ends on top) into `out`,
// whose header (the largest width, the sum of heights) the caller wrote.
// row_done(r) after each row, r counting from 0 within each input.
void stack_images(std::span<const InputFile* const> inputs, std::span<const ImageLayout> images,
                  const Fill& fill, OutputFile& out, const RowDone& row_done);

// Joins `images` side by side into `out` (the sum of widths, the largest
// height); an input without a row at an output row gives fill pixels there.
// row_done(g) after each output row g.
void join_images(std::span<const InputFile* const> inputs, std::span<const ImageLayout> images,
                 const Fill& fill, OutputFile& out, const RowDone& row_done);

// A whole run of one of the four tools: the plain ones (`with_fill` false,
// inputs then Outfile) refuse inputs whose widths (stacking) or heights
// (joining) differ; the fill ones take red, green, blue and Flag after
// Outfile.
void run_stacking(Run& run, Arrangement arrangement, bool with_fill);

}  // namespace bmp
