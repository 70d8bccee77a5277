// The soft ellipse of disc and vignette evaluated pixel by pixel exactly as
// the rule is written, for the tests' expected images.
#pragma once

#include <cmath>

#include "tests/support/bmp_builder.hpp"

namespace bmp::test {

struct Ellipse {
  double x_c, y_c, x_radius, y_radius, x_boke, y_boke;
};

enum class Zone { inside, band, outside };

struct ZoneAt {
  Zone zone;
  double a1 = 0, a2 = 0;
};

inline constexpr double pi_literal = 3.141592654;

// Column c of stored row r of an image of height h.
inline ZoneAt ellipse_zone(const Ellipse& e, int h, int c, int r) {
  const double s = e.x_radius - e.x_boke, p = e.y_radius - e.y_boke;
  const double K = h - e.y_c - 1;
  const double dx = c - e.x_c + 0.00001, dy = r - K + 0.00001;
  const double U = std::atan(dx / (dy * (s / p))) / pi_literal * 180;
  double S;
  if (r <= K && c >= e.x_c) {
    S = -U;
  } else if (r > K) {
    S = 180 - U;
  } else {
    S = 360 - U;
  }
  const double sn = std::sin(S * pi_literal / 180), cs = std::cos(S * pi_literal / 180);
  const double r_in = std::sqrt((sn * s) * (sn * s) + (cs * p) * (cs * p));
  const double r_out = std::sqrt((sn * (s + e.x_boke)) * (sn * (s + e.x_boke)) +
                                 (cs * (p + e.y_boke)) * (cs * (p + e.y_boke)));
  const double V = std::sqrt(dx * dx + dy * dy);
  if (V < r_in) return {Zone::inside};
  if (!(V < r_out)) return {Zone::outside};
  const double D = r_out - r_in, E = V - r_in;
  return {Zone::band, (std::sin((180 / D * E + 270) * pi_literal / 180) + 1) / 2,
          (std::sin((360 / D * E + 270) * pi_literal / 180) + 1) / 2};
}

// Applies value(zone, in, colour) to every channel of every pixel, keeping
// the low 8 bits of its truncation; colour is blue, green, red.
template <class Value>
Image paint_ellipse(const Image& in, const Ellipse& e, const double colour[3], const Value& value) {
  Image out = in;
  for (int r = 0; r < in.height; ++r) {
    for (int c = 0; c < in.width; ++c) {
      const ZoneAt z = ellipse_zone(e, in.height, c, r);
      Pixel& p = out.at(c, r);
      uint8_t* bytes[3] = {&p.b, &p.g, &p.r};
      for (int i = 0; i < 3; ++i) {
        *bytes[i] = uint8_t(static_cast<long long>(value(z, double(*bytes[i]), colour[i])));
      }
    }
  }
  return out;
}

}  // namespace bmp::test
