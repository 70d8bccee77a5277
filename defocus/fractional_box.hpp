// The fractional box of the direction-graded and filter-weighted defocus
// tools: a square window of real radius r around a pixel whose outer ring is
// weighted by the fraction f of r and whose four corners by f², summed in
// double precision and normalised by (2r + 1)².
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "defocus/defocus_frame.hpp"

namespace bmp {

// A 24-bit image in memory, stored rows from the bottom, blue-green-red.
struct BoxSource {
  const uint8_t* pixels = nullptr;  // the first byte of stored row 0
  int64_t row_bytes = 0;
  int32_t width = 0;
  int32_t height = 0;
  const uint8_t* pixel(int64_t row, int64_t column) const {
    return pixels + row * row_bytes + 3 * column;
  }
};

// The window of a radius r >= 0: half-width M, fraction f and its weights.
struct BoxWindow {
  int64_t half_width;  // M
  double fraction;     // f = r - trunc(r)
  double corner;       // f², the corner weight
  double area;         // (2r + 1)², the sum of all weights
};

// M = trunc(r) + 1. (trunc(r + 1) is the same number except just below a
// whole r, where r + 1 rounds up and the window would outgrow its weights.)
BoxWindow box_window(double radius);

// `fractional_box_average` over a source image and edge mode. The result is
// byte for byte that of the plain sum over the (2M + 1)² window, rows outer and
// columns inner, of weight × value. Each pixel forms the sum's exact value from
// summed-area tables in constant time; only where the plain sum's rounding
// could tip the truncated result are its additions re-run, exactly and with
// whole runs of weight-1 values at once.
class FractionalBox {
 public:
  // `source` must outlive its use; radii from 0 up to max_radius may be asked.
  FractionalBox(const BoxSource& source, EdgeMode mode, double max_radius);
  ~FractionalBox();
  FractionalBox(const FractionalBox&) = delete;
  FractionalBox& operator=(const FractionalBox&) = delete;

  // The next pass's image, of the same size; the tables' memory is kept.
  void set_source(const BoxSource& source);

  // Blue, green and red of output pixel (x, y) for a radius r >= 0:
  // trunc(sum / (2r + 1)²) per channel.
  std::array<uint8_t, 3> fractional_box_average(int32_t x, int32_t y, double radius);

  // Output row y: pixel x takes radii[x]; 3 bytes per pixel into `out`.
  // Rows are cheapest in ascending order (the tables move by bands).
  void average_row(int32_t y, std::span<const double> radii, std::span<uint8_t> out);

 private:
  struct Tables;
  std::unique_ptr<Tables> tables_;
};

}  // namespace bmp
