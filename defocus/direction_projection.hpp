// The position of a pixel along a direction given in degrees, shared by the
// direction-graded defocus and the gradient tools: the angle reduced by whole
// half turns, the area's extent along it, each pixel's fraction t of that
// extent and the band fraction s between a start and an end percentage.
// Degree 0 points to the top of the displayed image, 90 to the right, -90 to
// the left; pixels are addressed by column x from the left and stored row y
// from the bottom. Angles are turned into radians with PI_LITERAL.
#pragma once

#include <cstdint>
#include <span>

namespace bmp {

// The degree less a whole number of half turns, in (-180, 180):
// degree - 180 × (trunc(degree) / 180). 200 gives 20, -200 gives -20.
double reduced_angle(double degree);

// Whether an odd number of half turns was taken off, so that the reduced
// angle points against the degree and s runs the other way: degrees from 180
// up to 360 (and -180 down to -360) are reversed, 360 draws like 0 again.
bool reversed_direction(double degree);

// E: the extent along the reduced angle a of a width × height area.
double direction_extent(double a, int32_t width, int32_t height);

// t = P / E for column x, stored row y: P is the pixel's distance from the
// corner that lies furthest against the direction, times the sine of an
// angle. The very first pixel (0, 0) uses 1 in place of x in the distance,
// and for 0 < a <= 90 the angle uses x + 1 (so t is close to, not exactly,
// the plain projection). A one-pixel-wide area puts its first pixel on that
// corner for -90 < a <= 0: its distance and t are 0.
double project_position(double a, double extent, int32_t x, int32_t y, int32_t width,
                        int32_t height);

// s in [0, 1] with lo = (100 - end) / 100 and hi = (100 - start) / 100: 0
// below lo, linear from lo to hi, 1 above hi; then 1 - s when reversed. With
// start equal to end the pixel exactly at lo gets 0, as it does in any band.
double band_fraction(double t, double lo, double hi, double start, double end, bool reversed);

// What a graded pass over a width × height area computes once before its
// pixel loop, and the pixel's t and s from it.
struct DirectionPass {
  DirectionPass(double degree, double start, double end, int32_t width, int32_t height);

  double position_at(int32_t x, int32_t y) const {
    return project_position(angle, extent, x, y, width, height);
  }
  double band_at(int32_t x, int32_t y) const {
    return band_fraction(position_at(x, y), lo, hi, start, end, reversed);
  }
  // s for the columns 0 .. s.size() - 1 of stored row y, each bit for bit
  // band_at's. The arc tangent and sine are taken only where t may lie
  // within the band or near its ends (elsewhere s is 0 or 1 wherever in
  // that region t lies, and a rough t tells which), and the arithmetic
  // around them runs over the whole row at once.
  void band_row(int32_t y, std::span<double> s) const { band_row(y, 0, s); }
  // The same for the columns first_x .. first_x + s.size() - 1: a row made
  // in pieces.
  void band_row(int32_t y, int32_t first_x, std::span<double> s) const;
  // Bounds on s for the columns first_x .. first_x + low.size() - 1 of stored
  // row y from the rough positions alone, without the library's calls:
  // low[j] <= band_at(first_x + j, y) <= high[j] (NaN where a bound is
  // undefined); equal bounds are band_at's s. False, and nothing written,
  // where the pass has no rough positions (an area one pixel wide or high, an
  // extent below 1 or undefined).
  bool band_bounds_row(int32_t y, int32_t first_x, std::span<double> low,
                       std::span<double> high) const;

  int32_t width;
  int32_t height;
  double start;
  double end;
  double angle;   // a
  double extent;  // E
  double lo;      // (100 - end) / 100
  double hi;      // (100 - start) / 100
  bool reversed;

 private:
  // t within `slack` of the true one, for pixels of a pass whose `rough` holds.
  double rough_position(int32_t x, int32_t y) const;
  // rough_position of columns first_x .. first_x + n - 1 of row y into t.
  void rough_row(int32_t y, int32_t first_x, double* t, size_t n) const;

  bool rough_known = false;  // rough_position holds
  bool rough = false;        // and band_row tests it
  double cos_turn = 0;       // of the angle added to each pixel's arc tangent
  double sin_turn = 0;
  double slack = 0;
};

}  // namespace bmp
