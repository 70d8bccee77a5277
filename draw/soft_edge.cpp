#include "draw/soft_edge.hpp"

#include <algorithm>
#include <cmath>

#include "core/failure.hpp"
#include "core/formulas.hpp"
#include "core/messages.hpp"
#include "draw/curves.hpp"

namespace bmp {
namespace {

double square(double x) { return x * x; }

// The larger real root of a x² + b x + c (a > 0), or 0 when it is below 0 or
// there is none (the quadratic is then above 0 for every x >= 0); NaN when
// the coefficients are not finite.
double larger_root(double a, double b, double c) {
  if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) return NAN;
  const double discriminant = b * b - 4 * a * c;
  if (!std::isfinite(discriminant)) return NAN;
  if (discriminant < 0) return 0;
  const double root = std::sqrt(discriminant);
  // Of the two forms, the one without cancellation.
  const double larger = b < 0 ? (-b + root) / (2 * a) : (2 * c) / (-b - root);
  return larger > 0 ? larger : 0;
}

}  // namespace

SoftEllipse::SoftEllipse(const EllipseParams& params, int32_t image_height)
    : e_(params),
      k_(image_height - params.y_c - 1),
      s_(params.x_radius - params.x_boke),
      p_(params.y_radius - params.y_boke),
      a_(s_ + params.x_boke),
      b_(p_ + params.y_boke),
      ratio_(s_ / p_) {
  if (std::isnan(params.x_c) || std::isnan(params.y_c)) fail(msg::nan_centre);
  // s ÷ p and the angle need an inner ellipse: a band as wide as its
  // semi-axis (or NaN) leaves none.
  if (!(s_ > 0) || !(p_ > 0)) fail(Channel::out, msg::no_inner_ellipse, s_, p_);
  // The plain evaluation's radii differ from the ellipse's own by far less
  // than this, PI_LITERAL's offset from pi included.
  tolerance_ = 1e-7 * (square(s_) + square(p_) + square(a_) + square(b_));
}

EllipseRadii SoftEllipse::ellipse_radii_at(int64_t c, int64_t r) const {
  const double dx = double(c) - e_.x_c + 0.00001;
  const double dy = double(r) - k_ + 0.00001;
  const double u = std::atan(dx / (dy * ratio_)) / PI_LITERAL * 180;
  double angle;
  if (double(r) > k_) {
    angle = 180 - u;
  } else if (double(c) >= e_.x_c) {
    angle = -u;
  } else {
    angle = 360 - u;
  }
  const double sin_s = std::sin(radians(angle));
  const double cos_s = std::cos(radians(angle));
  EllipseRadii radii;
  radii.r_in = std::sqrt(square(sin_s * s_) + square(cos_s * p_));
  radii.r_out = std::sqrt(square(sin_s * (s_ + e_.x_boke)) + square(cos_s * (p_ + e_.y_boke)));
  radii.v = std::sqrt(dx * dx + dy * dy);
  return radii;
}

EllipsePoint SoftEllipse::point_at(int64_t c, int64_t r, Fades fades) const {
  const EllipseRadii radii = ellipse_radii_at(c, r);
  if (radii.v < radii.r_in) return {EllipseZone::inside};
  if (!(radii.v < radii.r_out)) return {EllipseZone::outside};
  const double d = radii.r_out - radii.r_in;
  const double e = radii.v - radii.r_in;
  // The angles as written: 180 ÷ D × E, not 180 × (E ÷ D).
  EllipsePoint point{EllipseZone::band};
  if (fades != Fades::a2) point.a1 = sine_rise(180 / d * e);
  if (fades != Fades::a1) point.a2 = sine_rise(360 / d * e);
  return point;
}

IndexRange SoftEllipse::inside_columns(int64_t r, int32_t width) const {
  // With q = (dx ÷ s)² + (dy ÷ p)² < 1, quick_zone's in² - V² is V²(1 - q) ÷ q,
  // at least min(s², p²)(1 - q); keeping 1 - q above four tolerances'
  // worth leaves room for its rounding. One column less on each side covers
  // the 0.00001 offset and the rounding of the bounds.
  const double dy = double(r) - k_ + 0.00001;
  const double margin = 4 * tolerance_ / std::min(square(s_), square(p_));
  const double room = 1 - square(dy / p_) - margin;
  if (!(room > 0)) return {};
  const double half = s_ * std::sqrt(room) - 1;
  return range_between(e_.x_c - half, e_.x_c + half, width);
}

IndexRange SoftEllipse::near_columns(int64_t r, int32_t width) const {
  // With x = dx², Y = dy² and den = xp² + Ys² (> 0), a pixel is outside when
  // V² exceeds both the inner radius² s²p²V² ÷ den and the outer radius²
  // (xp²A² + Ys²B²) ÷ den. By a tolerance, times den, these are
  //   (x + Y)(den - s²p²) - t den > 0  and  (x + Y) den - xp²A² - Ys²B² - t den > 0,
  // quadratics in x that open upwards: beyond the larger root of each, every
  // pixel of the row is outside by the margin. Two columns more on each side
  // cover the 0.00001 offset and the rounding of the roots.
  const double dy = double(r) - k_ + 0.00001;
  const double y = dy * dy, s2 = square(s_), p2 = square(p_);
  const double t = 4 * tolerance_;
  const double beyond_inner =
      larger_root(p2, y * s2 - s2 * p2 + y * p2 - t * p2, y * (y * s2 - s2 * p2) - t * y * s2);
  const double beyond_outer = larger_root(p2, y * s2 + y * p2 - p2 * square(a_) - t * p2,
                                          y * y * s2 - y * s2 * square(b_) - t * y * s2);
  const double half = std::sqrt(std::max(beyond_inner, beyond_outer)) * (1 + 1e-9) + 2;
  if (!std::isfinite(half)) return IndexRange{0, width};
  return range_between(e_.x_c - half, e_.x_c + half, width);
}

PixelRect SoftEllipse::reach(int32_t width, int32_t height) const {
  // No radius exceeds the largest semi-axis; the margin covers rounding and
  // the 0.00001 offsets.
  const double m = std::max({s_, p_, std::fabs(a_), std::fabs(b_)}) * (1 + 1e-6) + 2;
  return {range_between(k_ - m, k_ + m, height), range_between(e_.x_c - m, e_.x_c + m, width)};
}

}  // namespace bmp
