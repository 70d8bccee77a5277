#include "draw/gradient.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/formulas.hpp"
#include "core/messages.hpp"
#include "core/parallel.hpp"
#include "core/processor.hpp"
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

GradientRows::GradientRows(const Gradient& gradient, CurveFlag curve, int32_t width, int32_t height)
    : pass_(gradient.degree, gradient.start, gradient.end, width, height),
      curve_(curve),
      power_(gradient.power),
      base_(gradient.colour2),
      rise_{gradient.colour1.red - gradient.colour2.red,
            gradient.colour1.green - gradient.colour2.green,
            gradient.colour1.blue - gradient.colour2.blue} {}

namespace {

// The curve's values of a row piece, kept by each thread from piece to piece.
std::span<double> curve_scratch(size_t n) {
  thread_local std::vector<double> values;
  if (values.size() < n) values.resize(n);
  return {values.data(), n};
}

// Blue, green, red of each pixel from its curve value c.
BMP_VECTOR_CLONES void colours_of(const Colour& base, const Colour& rise,
                                  const double* __restrict c, uint8_t* __restrict pixels,
                                  size_t n) {
  for (size_t i = 0; i < n; ++i) {
    pixels[3 * i] = gradient_colour(base.blue, rise.blue, c[i]);
    pixels[3 * i + 1] = gradient_colour(base.green, rise.green, c[i]);
    pixels[3 * i + 2] = gradient_colour(base.red, rise.red, c[i]);
  }
}

}  // namespace

void GradientRows::fill(int32_t y, int32_t first_x, std::span<uint8_t> pixels) const {
  const size_t n = pixels.size() / 3;
  std::span<double> c = curve_scratch(n);
  pass_.band_row(y, first_x, c);
  curve_row(curve_, power_, c);
  colours_of(base_, rise_, c.data(), pixels.data(), n);
}

// The flag is taken up by the first pixel's colour.
std::optional<GradientRows> gradient_rows(const Gradient& gradient, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  std::optional<CurveFlag> curve = curve_flag_of(gradient.flag);
  if (!curve) fail(msg::wrong_flags);
  return GradientRows(gradient, *curve, width, height);
}

namespace {

// A stretch of one row: rows longer than a stream block are made in pieces,
// so memory stays bounded whatever the width.
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

}  // namespace

// The pixels of a batch are made at once, by several threads on a large
// image (each pixel is computed exactly as alone, so the bytes are the same),
// then written and reported in row order.
void write_gradient_rows(const Gradient& gradient, int32_t width, int32_t height, OutputFile& out,
                         Console& console) {
  const std::optional<GradientRows> made = gradient_rows(gradient, width, height);
  if (!made) {
    for (int32_t y = 0; y < height; ++y) report_progress(console, y);
    return;
  }
  const GradientRows& rows = *made;
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

}  // namespace bmp
