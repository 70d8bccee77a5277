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

EllipsePoint SoftEllipse::point_at(int64_t c, int64_t r) const {
  const EllipseRadii radii = ellipse_radii_at(c, r);
  if (radii.v < radii.r_in) return {EllipseZone::inside};
  if (!(radii.v < radii.r_out)) return {EllipseZone::outside};
  const double d = radii.r_out - radii.r_in;
  const double e = radii.v - radii.r_in;
  // The angles as written: 180 ÷ D × E, not 180 × (E ÷ D).
  return {EllipseZone::band, sine_rise(180 / d * e), sine_rise(360 / d * e)};
}

std::optional<EllipseZone> SoftEllipse::quick_zone(int64_t c, int64_t r) const {
  const double dx = double(c) - e_.x_c + 0.00001;
  const double dy = double(r) - k_ + 0.00001;
  if (dx == 0 || !(dy * ratio_ != 0)) return std::nullopt;
  // Along the pixel's direction the inner ellipse has radius² s²p²V² ÷ den,
  // and the outer radius² is (dx²p²A² + dy²s²B²) ÷ den.
  const double dx2 = dx * dx, dy2 = dy * dy;
  const double v2 = dx2 + dy2;
  const double across = dx2 * square(p_), along = dy2 * square(s_);
  const double den = across + along;
  const double in2 = square(s_) * square(p_) * v2 / den;
  const double out2 = (across * square(a_) + along * square(b_)) / den;
  if (!std::isfinite(in2) || !std::isfinite(out2) || !std::isfinite(v2)) return std::nullopt;
  if (v2 < in2 - tolerance_) return EllipseZone::inside;
  if (v2 > in2 + tolerance_ && v2 > out2 + tolerance_) return EllipseZone::outside;
  return std::nullopt;
}

PixelRect SoftEllipse::reach(int32_t width, int32_t height) const {
  // No radius exceeds the largest semi-axis; the margin covers rounding and
  // the 0.00001 offsets.
  const double m = std::max({s_, p_, std::fabs(a_), std::fabs(b_)}) * (1 + 1e-6) + 2;
  return {range_between(k_ - m, k_ + m, height), range_between(e_.x_c - m, e_.x_c + m, width)};
}

}  // namespace bmp
