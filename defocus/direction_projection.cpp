#include "defocus/direction_projection.hpp"

#include <cmath>
#include <vector>

#include "core/formulas.hpp"
#include "core/processor.hpp"
#include "draw/curves.hpp"

namespace bmp {
namespace {

// Degrees from an arc tangent's radians, and the sine of degrees, both with
// the suite's pi and in this order of operations: the bits of every t
// depend on it.
double degrees_of(double arc_tangent) { return arc_tangent * 180 / PI_LITERAL; }
double atan_degrees(double ratio) { return degrees_of(std::atan(ratio)); }
double sin_degrees(double angle) { return std::sin(radians(angle)); }

// The corner a pixel's distance is measured from, by the reduced angle a
// (the one lying furthest against the direction).
enum class Corner { bottom_right, top_right, bottom_left, top_left };

Corner corner_of(double a) {
  if (-90 < a && a <= 0) return Corner::bottom_right;
  if (-180 < a && a <= -90) return Corner::top_right;
  if (0 < a && a <= 90) return Corner::bottom_left;
  return Corner::top_left;
}

// The angle added to the degrees of each pixel's arc tangent: x - a is
// x + (-a), and the sum is the same either way round.
double turn_of(Corner corner, double a) {
  switch (corner) {
    case Corner::bottom_right:
      return -a;
    case Corner::top_right:
      return -(a + 90);
    case Corner::bottom_left:
      return a;
    case Corner::top_left:
      break;
  }
  return a - 90;
}

// The arc tangent's argument and the distance of column x of row `row` from
// the corner; u is x, or 1 for the very first pixel.
struct CornerTerms {
  double ratio;
  double distance;
};

template <Corner corner>
inline CornerTerms corner_terms(double w, double h, double row, double u, double x) {
  if constexpr (corner == Corner::bottom_right) {
    return {row / (w - u), std::sqrt(row * row + (w - u) * (w - u))};
  } else if constexpr (corner == Corner::top_right) {
    return {(w - u) / (h - row), std::sqrt((w - u) * (w - u) + (h - row) * (h - row))};
  } else if constexpr (corner == Corner::bottom_left) {
    // The angle takes x + 1 where the distance takes u: deliberate, so the
    // arc tangent never divides by zero.
    return {row / (x + 1.0), std::sqrt(u * u + row * row)};
  } else {
    return {u / (h - row), std::sqrt(u * u + (h - row) * (h - row))};
  }
}

// The sine's argument in radians from the arc tangent (in radians).
inline double sine_argument(double arc_tangent, double turn) {
  return radians(degrees_of(arc_tangent) + turn);
}

// t = P / E. Only a one-pixel-wide area's first pixel lies on the (bottom
// right) corner: its angle would be 0 / 0, but at distance 0 its P is 0
// whatever the angle.
template <Corner corner>
inline double position_of(double sine, double distance, double extent) {
  if constexpr (corner == Corner::bottom_right) {
    return (distance == 0 ? 0 : sine * distance) / extent;
  } else {
    return sine * distance / extent;
  }
}

template <Corner corner>
double project_from(double a, double extent, int32_t x, int32_t y, double w, double h) {
  const double u = (x == 0 && y == 0) ? 1 : x;
  const CornerTerms terms = corner_terms<corner>(w, h, y, u, x);
  const double sine = corner == Corner::bottom_right && terms.distance == 0
                          ? 0
                          : std::sin(sine_argument(std::atan(terms.ratio), turn_of(corner, a)));
  return position_of<corner>(sine, terms.distance, extent);
}

// P within the slack of DirectionPass of the true one, from the cosine and
// sine of the turn: see its constructor.
template <Corner corner>
inline double rough_projection(double w, double h, double row, double u, double x, double c,
                               double s) {
  if constexpr (corner == Corner::bottom_right) {
    return row * c + (w - u) * s;
  } else if constexpr (corner == Corner::top_right) {
    return (w - u) * c + (h - row) * s;
  } else if constexpr (corner == Corner::bottom_left) {
    // The arc tangent's distances (x + 1, row) differ from the distance's.
    const double across = x + 1.0;
    return (row * c + across * s) *
           (std::sqrt(u * u + row * row) / std::sqrt(across * across + row * row));
  } else {
    return u * c + (h - row) * s;
  }
}

}  // namespace

// fmod is exact, and degree - 180 × (trunc(degree) / 180) is that same
// remainder, so the two agree to the bit wherever the whole-number division
// is defined; fmod also reduces degrees beyond the 32-bit range correctly.
double reduced_angle(double degree) { return std::fmod(degree, 180.0); }

// The remainder by a full turn is 180 or more (in magnitude) exactly when
// trunc(degree) / 180 is odd.
bool reversed_direction(double degree) { return std::fabs(std::fmod(degree, 360.0)) >= 180; }

double direction_extent(double a, int32_t width, int32_t height) {
  const double w = width;
  const double h = height;
  double angle;
  if (-90 < a && a < 0) {
    angle = atan_degrees(h / w) - a;
  } else if (-180 < a && a <= -90) {
    angle = atan_degrees(w / h) - (a + 90);
  } else if (0 <= a && a <= 90) {
    angle = atan_degrees(h / w) + a;
  } else {  // 90 < a < 180
    angle = (a - 90) + atan_degrees(w / h);
  }
  return sin_degrees(angle) * std::sqrt(w * w + h * h);
}

double project_position(double a, double extent, int32_t x, int32_t y, int32_t width,
                        int32_t height) {
  switch (corner_of(a)) {
    case Corner::bottom_right:
      return project_from<Corner::bottom_right>(a, extent, x, y, width, height);
    case Corner::top_right:
      return project_from<Corner::top_right>(a, extent, x, y, width, height);
    case Corner::bottom_left:
      return project_from<Corner::bottom_left>(a, extent, x, y, width, height);
    case Corner::top_left:
      break;
  }
  return project_from<Corner::top_left>(a, extent, x, y, width, height);
}

double band_fraction(double t, double lo, double hi, double start, double end, bool reversed) {
  double s;
  if (lo > t) {
    s = 0;
  } else if (t <= hi) {
    const double band = ((100 - start) - (100 - end)) / 100;
    // A band of width 0 lets only t == lo through: 0 / 0, given the 0 that
    // t == lo has in every wider band.
    s = band == 0 ? 0 : (t - lo) / band;
  } else {
    s = 1;
  }
  return reversed ? 1 - s : s;
}

DirectionPass::DirectionPass(double degree, double start, double end, int32_t width, int32_t height)
    : width(width),
      height(height),
      start(start),
      end(end),
      angle(reduced_angle(degree)),
      extent(direction_extent(angle, width, height)),
      lo((100 - end) / 100),
      hi((100 - start) / 100),
      reversed(reversed_direction(degree)) {
  // P is sin(atan(q) + b) × d for a ratio q >= 0 of two distances and an
  // angle b from 0 up to 90 degrees: expanded, sin(atan(q)) cos b +
  // cos(atan(q)) sin b is a sum of the two distances, each times a cosine
  // or sine of b, over their hypotenuse. The arc tangent, the sine and the
  // degree conversions (whose PI_LITERAL factors cancel) each err by about
  // 2^-52 of their values: P by at most 1e-14 × (w + h + 2), which `slack`
  // exceeds by far.
  const double turn = turn_of(corner_of(angle), angle);
  cos_turn = std::cos(radians(turn));
  sin_turn = std::sin(radians(turn));
  // A band from 0 to 1 leaves (next to) no pixel outside: no rough test then.
  rough_known = width >= 2 && height >= 2 && std::isfinite(extent) && extent >= 1;
  rough = rough_known && (lo > 0 || hi < 1);
  slack = 1e-9 * (static_cast<double>(width) + height + 2) / extent + 1e-9;
}

double DirectionPass::rough_position(int32_t x, int32_t y) const {
  const double u = (x == 0 && y == 0) ? 1 : x;
  const double w = width;
  const double h = height;
  double p;
  switch (corner_of(angle)) {
    case Corner::bottom_right:
      p = rough_projection<Corner::bottom_right>(w, h, y, u, x, cos_turn, sin_turn);
      break;
    case Corner::top_right:
      p = rough_projection<Corner::top_right>(w, h, y, u, x, cos_turn, sin_turn);
      break;
    case Corner::bottom_left:
      p = rough_projection<Corner::bottom_left>(w, h, y, u, x, cos_turn, sin_turn);
      break;
    case Corner::top_left:
      p = rough_projection<Corner::top_left>(w, h, y, u, x, cos_turn, sin_turn);
      break;
  }
  return p / extent;
}

// ---- Whole rows ---------------------------------------------------------------

namespace {

// A row's columns whose s needs the trigonometry, and the values between the
// library's calls: the loops around the calls run on vectors, each lane the
// scalar operations in order, so the bits are band_at's.
struct RowScratch {
  std::vector<int32_t> columns;
  std::vector<double> ratio;  // the arc tangent's argument, its result, the sine's, the sine, t
  std::vector<double> distance;
  std::vector<double> rough;

  void reserve(size_t n) {
    if (columns.size() >= n) return;
    columns.resize(n);
    ratio.resize(n);
    distance.resize(n);
    rough.resize(n);
  }
};

RowScratch& row_scratch(size_t n) {
  thread_local RowScratch scratch;
  scratch.reserve(n);
  return scratch;
}

template <Corner corner>
inline void terms_of_columns(double w, double h, double row, const int32_t* __restrict columns,
                             size_t n, double* __restrict ratio, double* __restrict distance) {
  for (size_t j = 0; j < n; ++j) {
    const double x = columns[j];
    const CornerTerms terms = corner_terms<corner>(w, h, row, x, x);
    ratio[j] = terms.ratio;
    distance[j] = terms.distance;
  }
}

// corner_terms of the listed columns of a row, pixel (0, 0) aside.
BMP_VECTOR_CLONES void ratios_and_distances(Corner corner, double w, double h, double row,
                                            const int32_t* __restrict columns, size_t n,
                                            double* __restrict ratio, double* __restrict distance) {
  switch (corner) {
    case Corner::bottom_right:
      return terms_of_columns<Corner::bottom_right>(w, h, row, columns, n, ratio, distance);
    case Corner::top_right:
      return terms_of_columns<Corner::top_right>(w, h, row, columns, n, ratio, distance);
    case Corner::bottom_left:
      return terms_of_columns<Corner::bottom_left>(w, h, row, columns, n, ratio, distance);
    case Corner::top_left:
      return terms_of_columns<Corner::top_left>(w, h, row, columns, n, ratio, distance);
  }
}

// v[j] = sine_argument(v[j], turn).
BMP_VECTOR_CLONES void sine_arguments(double turn, double* __restrict v, size_t n) {
  for (size_t j = 0; j < n; ++j) v[j] = sine_argument(v[j], turn);
}

template <Corner corner>
inline void positions_of(double extent, const double* __restrict distance, double* __restrict v,
                         size_t n) {
  for (size_t j = 0; j < n; ++j) v[j] = position_of<corner>(v[j], distance[j], extent);
}

// t in place of the sine v[j].
BMP_VECTOR_CLONES void positions(Corner corner, double extent, const double* __restrict distance,
                                 double* __restrict v, size_t n) {
  if (corner == Corner::bottom_right) {
    positions_of<Corner::bottom_right>(extent, distance, v, n);
  } else {  // the other corners form t alike
    positions_of<Corner::top_left>(extent, distance, v, n);
  }
}

template <Corner corner>
inline void rough_of_columns(double w, double h, double row, double c, double s, double extent,
                             int32_t first, double* __restrict t, int32_t n) {
  for (int32_t j = 0; j < n; ++j) {
    const double x = first + j;
    t[j] = rough_projection<corner>(w, h, row, x, x, c, s) / extent;
  }
}

// rough_position of columns first .. first + n - 1 of a row, pixel (0, 0)
// aside.
BMP_VECTOR_CLONES void rough_positions(Corner corner, double w, double h, double row, double c,
                                       double s, double extent, int32_t first, double* __restrict t,
                                       int32_t n) {
  switch (corner) {
    case Corner::bottom_right:
      return rough_of_columns<Corner::bottom_right>(w, h, row, c, s, extent, first, t, n);
    case Corner::top_right:
      return rough_of_columns<Corner::top_right>(w, h, row, c, s, extent, first, t, n);
    case Corner::bottom_left:
      return rough_of_columns<Corner::bottom_left>(w, h, row, c, s, extent, first, t, n);
    case Corner::top_left:
      return rough_of_columns<Corner::top_left>(w, h, row, c, s, extent, first, t, n);
  }
}

// v[j] = function(v[j]): the library's calls, one after another.
template <class Function>
void in_place(Function function, double* v, size_t n) {
  for (size_t j = 0; j < n; ++j) v[j] = function(v[j]);
}

}  // namespace

void DirectionPass::band_row(int32_t y, int32_t first_x, std::span<double> s) const {
  const size_t n = s.size();
  if (n == 0) return;
  RowScratch& scratch = row_scratch(n);
  int32_t* columns = scratch.columns.data();
  size_t count = 0;
  if (rough) {
    // t < lo gives 0; t > max(lo, hi) gives 1, the ends of the band.
    const double* t = scratch.rough.data();
    rough_row(y, first_x, scratch.rough.data(), n);
    for (size_t j = 0; j < n; ++j) {
      if (t[j] + slack < lo || (t[j] - slack > lo && t[j] - slack > hi)) {
        s[j] = band_fraction(t[j], lo, hi, start, end, reversed);
      } else {
        columns[count++] = first_x + static_cast<int32_t>(j);
      }
    }
    if (count == 0) return;
  } else {
    for (size_t j = 0; j < n; ++j) columns[j] = first_x + static_cast<int32_t>(j);
    count = n;
  }
  const Corner corner = corner_of(angle);
  double* v = scratch.ratio.data();
  ratios_and_distances(corner, width, height, y, columns, count, v, scratch.distance.data());
  in_place([](double q) { return std::atan(q); }, v, count);
  sine_arguments(turn_of(corner, angle), v, count);
  in_place([](double a) { return std::sin(a); }, v, count);
  positions(corner, extent, scratch.distance.data(), v, count);
  for (size_t j = 0; j < count; ++j) {
    s[static_cast<size_t>(columns[j] - first_x)] =
        band_fraction(v[j], lo, hi, start, end, reversed);
  }
  // Pixel (0, 0) takes u = 1 for its distance: the one pixel worked out alone.
  if (y == 0 && columns[0] == 0) s[0] = band_at(0, 0);
}

// s rises with t (band_fraction's steps are each monotonic under rounding,
// and 0 below the band and 1 above it bound them), except that just below
// hi the quotient may exceed 1 by the rounding of lo and hi: the bounds of
// a t range that holds hi take s at hi too.
bool DirectionPass::band_bounds_row(int32_t y, int32_t first_x, std::span<double> low,
                                    std::span<double> high) const {
  if (!rough_known) return false;
  const size_t n = low.size();
  if (n == 0) return true;
  double* t = low.data();
  rough_row(y, first_x, t, n);
  const double at_hi = band_fraction(hi, lo, hi, start, end, false);
  for (size_t j = 0; j < n; ++j) {
    const double below = t[j] - slack;
    const double above = t[j] + slack;
    double a = band_fraction(below, lo, hi, start, end, false);
    double b = band_fraction(above, lo, hi, start, end, false);
    if (below <= hi && hi <= above && at_hi > b) b = at_hi;
    low[j] = reversed ? 1 - b : a;
    high[j] = reversed ? 1 - a : b;
  }
  return true;
}

void DirectionPass::rough_row(int32_t y, int32_t first_x, double* t, size_t n) const {
  rough_positions(corner_of(angle), width, height, y, cos_turn, sin_turn, extent, first_x, t,
                  static_cast<int32_t>(n));
  if (y == 0 && first_x == 0) t[0] = rough_position(0, 0);
}

}  // namespace bmp
