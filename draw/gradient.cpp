#include "draw/gradient.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/formulas.hpp"
#include "core/messages.hpp"
#include "core/parallel.hpp"
#include "core/processor.hpp"
#include "core/row_bands.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

// trunc(C2 + (C1 - C2) × c), then clamped to a byte: colours beyond 0..255
// enter the blend unchanged and only its result is clamped.
uint8_t gradient_colour(double base, double rise, double c) {
  return static_cast<uint8_t>(std::clamp(truncate_toward_zero(base + rise * c), 0, 255));
}

}  // namespace

Colour colour_args(const Run& run, int first) {
  return {arg_real(run.arg(first)), arg_real(run.arg(first + 1)), arg_real(run.arg(first + 2))};
}

double read_power_constant(double flag, Console& console) {
  if (!needs_power_constant(flag)) return 0;
  std::optional<double> k = prompt_power_constant(console);
  if (!k || std::isnan(*k) || *k < 0) fail(msg::wrong_power_constant);
  return *k;
}

namespace {

// What a thread keeps from chunk to chunk: the bounds on s (then
// on c), which pixels they settle, and the pixels whose colours need s
// itself with their s (then c).
struct ChunkScratch {
  std::vector<double> low;
  std::vector<double> high;
  std::vector<double> c_low;
  std::vector<double> c_high;
  std::vector<uint8_t> held;
  std::vector<double> s;
  std::vector<uint32_t> listed;
};

ChunkScratch& chunk_scratch(size_t n) {
  thread_local ChunkScratch scratch;
  if (scratch.s.size() < n) {
    scratch.low.resize(n);
    scratch.high.resize(n);
    scratch.c_low.resize(n);
    scratch.c_high.resize(n);
    scratch.held.resize(n);
    scratch.s.resize(n);
    scratch.listed.resize(n);
  }
  return scratch;
}

// Blue, green, red of a pixel from its curve value c.
inline void put_colour(const Colour& base, const Colour& rise, double c, uint8_t* pixel) {
  pixel[0] = gradient_colour(base.blue, rise.blue, c);
  pixel[1] = gradient_colour(base.green, rise.green, c);
  pixel[2] = gradient_colour(base.red, rise.red, c);
}

BMP_VECTOR_CLONES void colours_of(const Colour& base, const Colour& rise,
                                  const double* __restrict c, uint8_t* __restrict pixels,
                                  size_t n) {
  for (size_t i = 0; i < n; ++i) put_colour(base, rise, c[i], pixels + 3 * i);
}

// Each channel's byte rises (or falls) with c under rounding as well, so
// where c's bounds give the same three bytes, every c between gives them:
// those pixels are made, and stay held.
BMP_VECTOR_CLONES void settled_colours(const Colour& base, const Colour& rise,
                                       const double* __restrict c_low,
                                       const double* __restrict c_high, uint8_t* __restrict held,
                                       uint8_t* __restrict pixels, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint8_t low[3], high[3];
    put_colour(base, rise, c_low[i], low);
    put_colour(base, rise, c_high[i], high);
    held[i] = held[i] && low[0] == high[0] && low[1] == high[1] && low[2] == high[2];
    pixels[3 * i] = low[0];
    pixels[3 * i + 1] = low[1];
    pixels[3 * i + 2] = low[2];
  }
}

bool finite(const Colour& colour) {
  return std::isfinite(colour.red) && std::isfinite(colour.green) && std::isfinite(colour.blue);
}

}  // namespace

GradientRows::GradientRows(const Gradient& gradient, CurveFlag curve, int32_t width, int32_t height)
    : pass_(gradient.degree, gradient.start, gradient.end, width, height),
      curve_(curve),
      power_(gradient.power),
      base_(gradient.colour2),
      rise_{gradient.colour1.red - gradient.colour2.red,
            gradient.colour1.green - gradient.colour2.green,
            gradient.colour1.blue - gradient.colour2.blue},
      bounds_(curve, gradient.power),
      bounded_(finite(base_) && finite(rise_)) {}

void GradientRows::fill(int32_t y, int32_t first_x, std::span<uint8_t> pixels) const {
  const size_t n = pixels.size() / 3;
  for (size_t at = 0; at < n; at += chunk_pixels) {
    const size_t count = std::min(chunk_pixels, n - at);
    fill_chunk(y, first_x + static_cast<int32_t>(at), pixels.subspan(3 * at, 3 * count));
  }
}

// Where the bounds on s settle a pixel's bytes, it is made without its arc
// tangent and sines; the others from s itself, given by equal bounds or
// worked out alone, their curve and colours over the chunk's list at once.
void GradientRows::fill_chunk(int32_t y, int32_t first_x, std::span<uint8_t> pixels) const {
  const size_t n = pixels.size() / 3;
  ChunkScratch& scratch = chunk_scratch(n);
  double* s = scratch.s.data();
  if (!bounded_ ||
      !pass_.band_bounds_row(y, first_x, {scratch.low.data(), n}, {scratch.high.data(), n})) {
    pass_.band_row(y, first_x, {s, n});
    curve_row(curve_, power_, {s, n});
    colours_of(base_, rise_, s, pixels.data(), n);
    return;
  }
  const double* low = scratch.low.data();
  const double* high = scratch.high.data();
  uint8_t* held = scratch.held.data();
  bounds_.bounds_row({low, n}, {high, n}, {scratch.c_low.data(), n}, {scratch.c_high.data(), n},
                     {held, n});
  settled_colours(base_, rise_, scratch.c_low.data(), scratch.c_high.data(), held, pixels.data(),
                  n);
  // The others from s itself: equal bounds on s give it, else it is worked
  // out alone.
  uint32_t* listed = scratch.listed.data();
  size_t count = 0;
  for (size_t j = 0; j < n; ++j) {
    if (held[j]) continue;
    const bool known = std::bit_cast<uint64_t>(low[j]) == std::bit_cast<uint64_t>(high[j]) &&
                       std::isfinite(low[j]);
    s[count] = known ? low[j] : pass_.band_at(first_x + static_cast<int32_t>(j), y);
    listed[count++] = static_cast<uint32_t>(j);
  }
  curve_row(curve_, power_, {s, count});
  for (size_t i = 0; i < count; ++i) put_colour(base_, rise_, s[i], &pixels[3 * listed[i]]);
}

// The flag is taken up by the first pixel's colour.
std::optional<GradientRows> gradient_rows(const Gradient& gradient, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  std::optional<CurveFlag> curve = curve_flag_of(gradient.flag);
  if (!curve) fail(msg::wrong_flags);
  return GradientRows(gradient, *curve, width, height);
}

namespace {

// A stretch of one row: rows longer than the pipeline's runs are made in
// pieces, so memory stays bounded whatever the width.
struct Piece {
  int32_t y;
  int32_t first_x;
  int32_t count;
};

constexpr int32_t piece_pixels = static_cast<int32_t>(stream_block_bytes / 3);
// Pieces are made in batches of about this many pixels, shared among the
// threads a few thousand pixels at a time.
constexpr int64_t batch_pixels = int64_t{1} << 21;
constexpr int64_t grain_pixels = 4096;

// The pixels of a batch of pieces are made at once, by several threads on a
// large image, then written and reported in row order.
void write_long_gradient_rows(const GradientRows& rows, int32_t width, int32_t height,
                              OutputFile& out, Console& console) {
  const int32_t piece = std::min(width, piece_pixels);
  const int64_t pieces_per_row = (int64_t{width} + piece - 1) / piece;
  const int64_t pieces = pieces_per_row * height;
  const int64_t per_batch = std::max<int64_t>(1, batch_pixels / piece);
  const unsigned workers = worker_count(int64_t{width} * height);
  std::vector<uint8_t> batch(static_cast<size_t>(std::min(per_batch, pieces) * piece * 3));
  const uint8_t padding[3] = {0, 0, 0};

  auto piece_at = [&](int64_t i) {
    const int32_t first_x = static_cast<int32_t>(i % pieces_per_row * piece);
    return Piece{static_cast<int32_t>(i / pieces_per_row), first_x,
                 std::min(piece, width - first_x)};
  };
  auto bytes_of = [&](int64_t slot, const Piece& p) {
    return std::span<uint8_t>(batch.data() + slot * piece * 3, static_cast<size_t>(p.count) * 3);
  };
  for (int64_t first = 0; first < pieces; first += per_batch) {
    const int64_t count = std::min(per_batch, pieces - first);
    share_out(count, std::max<int64_t>(1, grain_pixels / piece), workers, [&](int64_t slot) {
      const Piece p = piece_at(first + slot);
      rows.fill(p.y, p.first_x, bytes_of(slot, p));
    });
    for (int64_t slot = 0; slot < count; ++slot) {
      const Piece p = piece_at(first + slot);
      out.write(bytes_of(slot, p));
      if (p.first_x + p.count == width) {
        out.write(std::span<const uint8_t>(padding, static_cast<size_t>(row_padding(width))));
        report_progress(console, p.y);
      }
    }
  }
}

}  // namespace

// Each pixel is computed exactly as alone, so the bytes do not depend on how
// the rows were shared among threads. Rows up to the pipeline's size are made
// whole while the calling thread writes those done.
void write_gradient_rows(const Gradient& gradient, int32_t width, int32_t height, OutputFile& out,
                         Console& console) {
  const std::optional<GradientRows> rows = gradient_rows(gradient, width, height);
  if (!rows) {
    for (int32_t y = 0; y < height; ++y) report_progress(console, y);
    return;
  }
  if (static_cast<size_t>(row_bytes24(width)) > shared_run_bytes) {
    write_long_gradient_rows(*rows, width, height, out, console);
    return;
  }
  produce_rows24(
      out, width, height, width,
      [&](int32_t y, std::span<uint8_t> pixels) { rows->fill(y, 0, pixels); },
      [&](int32_t y) { report_progress(console, y); });
}

}  // namespace bmp
