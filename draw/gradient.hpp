// The gradient that `ramp` writes as a new image and `ramp_over` lays over a
// region: two colours blended along a direction in degrees, shaped by a
// curve flag and confined to a band between a start and an end percentage.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "core/console.hpp"
#include "core/files.hpp"
#include "defocus/direction_projection.hpp"
#include "draw/curves.hpp"

namespace bmp {

class Run;

// A colour as the command line gives it: reals, not truncated before the blend.
struct Colour {
  double red = 0;
  double green = 0;
  double blue = 0;
};

// Three reals from arguments first, first + 1, first + 2: red, green, blue.
Colour colour_args(const Run& run, int first);

struct Gradient {
  Colour colour1;  // on the side the degree points to (s = 1)
  Colour colour2;  // on the opposite side (s = 0)
  double degree = 0;
  double flag = 0;   // the curve flag as given: checked at the first pixel
  double power = 0;  // K of flags 4 and 5
  double start = 0;
  double end = 100;
};

// For flags 4 and 5, the prompt and the power constant K from standard input;
// 0 for other flags. No number, a negative K or NaN (pow(0, K) undefined)
// is refused with the power-constant message.
double read_power_constant(double flag, Console& console);

// The pixels of one gradient over a width × height area. Each pixel depends
// on its position only, so any part of any row can be made on its own. Most
// pixels' bytes are told from bounds on their s and c, without the library's
// calls; each is the byte the plain computation gives.
class GradientRows {
 public:
  GradientRows(const Gradient& gradient, CurveFlag curve, int32_t width, int32_t height);
  // Blue, green, red of the pixels of stored row y from column first_x on,
  // as many as `pixels` holds (3 bytes each).
  void fill(int32_t y, int32_t first_x, std::span<uint8_t> pixels) const;

 private:
  // Pieces are made in chunks of this many pixels, whose working values stay
  // in the nearest cache.
  static constexpr size_t chunk_pixels = 2048;
  void fill_chunk(int32_t y, int32_t first_x, std::span<uint8_t> pixels) const;

  DirectionPass pass_;
  CurveFlag curve_;
  double power_;
  Colour base_;  // colour 2
  Colour rise_;  // colour 1 - colour 2
  CurveBounds bounds_;
  bool bounded_;  // colours finite: the bytes follow c's bounds
};

// The rows of the gradient over a width × height area; none for an area
// without pixels, which never reaches a first pixel. A flag outside the curve
// table fails with "Wrong Flags ! ", as at the first pixel.
std::optional<GradientRows> gradient_rows(const Gradient& gradient, int32_t width, int32_t height);

// The width × height stored rows of the gradient into `out` (after its
// header), bottom first, each with its `dm` zero bytes and followed by the
// progress line "[%04d]\r". A flag outside the curve table fails with
// "Wrong Flags ! " at the first pixel. Large areas are made by several
// threads at once; every pixel is computed the same way, so the bytes are too.
void write_gradient_rows(const Gradient& gradient, int32_t width, int32_t height, OutputFile& out,
                         Console& console);

}  // namespace bmp
