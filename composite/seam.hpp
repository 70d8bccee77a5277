// The passes that make a picture tile without a seam, and the edge sinking of
// seam_tile. A seam pass cross-fades a band of W pixels at the start of each
// line from the band at its far end, drops the far band (the line shrinks by
// W) and turns the line by trunc(W / 2), so the tile's edges fall inside the
// fade. Lines are rows (horizontal) or the column of rows (vertical).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/image_rows.hpp"

namespace bmp {

enum class Direction { horizontal, vertical };

// One faded value, far × (1 − q) + near × q truncated. The caller forms
// q = k / W first: the order gives the bytes (W 3, k 1, far 1, near 25 is
// 8.999999999999998, so 8).
inline uint8_t cross_fade(int far, int near, double q) {
  return static_cast<uint8_t>(truncate_toward_zero(far * (1 - q) + near * q));
}

// `cross_fade_row`: the faded band of a line of `size` pixels (3 bytes each)
// with band W, 0 <= W <= size − W, and N = size − W: faded pixel k < W is
// cross_fade(pixel k + N, pixel k, k / W) per channel, written to
// `faded_band` (3 × W bytes). Faded pixels k >= W are the line's own.
void cross_fade_row(std::span<const uint8_t> line, int32_t band, std::span<uint8_t> faded_band);

// The horizontal seam pass from `image` in `in` to `out`, whose header (width
// X − band, height Y) the caller wrote; row_done(r) after each stored row r.
// Needs 0 <= band <= X − band.
void horizontal_seam_pass(const InputFile& in, const ImageLayout& image, int32_t band,
                          OutputFile& out, const RowDone& row_done);

// The vertical seam pass: output rows for k = h .. N − 1, then 0 .. h − 1,
// with N = Y − band and h = trunc(band / 2); each row it needs is read with
// one positioned read. The caller wrote the header (X × N); row_done(k).
// Needs 0 <= band <= Y − band.
void vertical_seam_pass(const InputFile& in, const ImageLayout& image, int32_t band,
                        OutputFile& out, const RowDone& row_done);

// Which edges sink: `Flag2` 1 the near one (left or bottom), 2 the far one
// (right or top), any other value both.
enum class SinkEdges { both, near, far };

struct SinkSettings {
  Direction direction = Direction::horizontal;
  int32_t band = 0;
  SinkEdges edges = SinkEdges::both;
  std::array<uint8_t, 3> colour{};  // blue, green, red: the bytes of a pixel
  double percent = 0;               // `透過度`: 0 shows the sunk pixel, 100 the picture
};

// `sink_ramp`: s(i) = (sin(((180 / W) × i + 270) × π / 180) + 1) / 2 for
// i = 0 .. W − 1, in that order of operations.
std::vector<double> sink_ramp(int32_t band);

// Sinks the selected edges of `image` into the colour over the band along
// the ramp, then mixes the result back with the picture; pixels outside the
// bands are copied. The output has the input's size; the caller wrote its
// header. The band must fit the line: W <= n, or W <= n / 2 for both edges.
void sink_pass(const InputFile& in, const ImageLayout& image, const SinkSettings& sink,
               OutputFile& out, const RowDone& row_done);

}  // namespace bmp
