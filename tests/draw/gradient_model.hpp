// The gradient written out plainly from its definition, one pixel at a time,
// for the tests of ramp and ramp_over. It shares no code with the tools.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.hpp"

namespace bmp::test {

struct Rgb {
  double r = 0, g = 0, b = 0;
};

struct GradientCall {
  int width = 0;
  int height = 0;
  Rgb colour1;
  Rgb colour2;
  double degree = 0;
  int flag = 0;
  double k = 0;  // the power constant of flags 4 and 5
  double start = 0;
  double end = 100;
};

namespace model {

constexpr double pi = 3.141592654;

inline double sin_deg(double angle) { return std::sin(angle * pi / 180); }
inline double atan_deg(double ratio) { return std::atan(ratio) * 180 / pi; }

// t of pixel (x, y). Degrees below 360 in magnitude only: the reversal is the
// plain "degree >= 180 or <= -180".
inline double position(double degree, int x, int y, int W, int H) {
  int32_t q = static_cast<int32_t>(degree) / 180;
  double a = degree - 180 * q;
  double w = W, h = H;
  double A;
  if (a > -90 && a < 0) {
    A = atan_deg(h / w) - a;
  } else if (a > -180 && a <= -90) {
    A = atan_deg(w / h) - (a + 90);
  } else if (a >= 0 && a <= 90) {
    A = atan_deg(h / w) + a;
  } else {
    A = (a - 90) + atan_deg(w / h);
  }
  double E = sin_deg(A) * std::sqrt(w * w + h * h);
  double u = (x == 0 && y == 0) ? 1 : x;
  double P;
  if (a > -90 && a <= 0) {
    double d = std::sqrt(1.0 * y * y + (w - u) * (w - u));
    // The one-pixel-wide area's first pixel: at distance 0, P is 0.
    P = d == 0 ? 0 : sin_deg(atan_deg(y / (w - u)) - a) * d;
  } else if (a > -180 && a <= -90) {
    double d = std::sqrt((w - u) * (w - u) + (h - y) * (h - y));
    P = sin_deg(atan_deg((w - u) / (h - y)) - (a + 90)) * d;
  } else if (a > 0 && a <= 90) {
    double d = std::sqrt(u * u + 1.0 * y * y);
    P = sin_deg(atan_deg(y / (x + 1.0)) + a) * d;
  } else {
    double d = std::sqrt(u * u + (h - y) * (h - y));
    P = sin_deg((a - 90) + atan_deg(u / (h - y))) * d;
  }
  return P / E;
}

inline double band(const GradientCall& g, double t) {
  double lo = (100 - g.end) / 100, hi = (100 - g.start) / 100;
  double s;
  if (lo > t) {
    s = 0;
  } else if (t <= hi) {
    double width = ((100 - g.start) - (100 - g.end)) / 100;
    s = width == 0 ? 0 : (t - lo) / width;
  } else {
    s = 1;
  }
  if (g.degree >= 180 || g.degree <= -180) s = 1 - s;
  return s;
}

inline double curve(const GradientCall& g, double s) {
  switch (g.flag) {
    case 1:
      return (sin_deg(180 * s + 270) + 1) / 2;
    case 2:
      return sin_deg(90 * s);
    case 3:
      return 1 - sin_deg(90 - 90 * s);
    case 4:
      return std::pow(s * 1.0, g.k);
    case 5:
      return 1 - std::pow(s * 1.0, g.k);
    case 6:
      return (sin_deg(360 * s + 270) + 1) / 2;
    case 7:
      return sin_deg(180 * s);
    default:
      return s;
  }
}

inline uint8_t colour(double c2, double c1, double c) {
  double v = c2 + (c1 - c2) * c;
  int i = static_cast<int>(v);
  return static_cast<uint8_t>(std::clamp(i, 0, 255));
}

}  // namespace model

// The image ramp makes for the call.
inline Image expected_gradient(const GradientCall& g) {
  return make_image(g.width, g.height, [&](int x, int y) {
    double c = model::curve(g, model::band(g, model::position(g.degree, x, y, g.width, g.height)));
    return Pixel{model::colour(g.colour2.b, g.colour1.b, c),
                 model::colour(g.colour2.g, g.colour1.g, c),
                 model::colour(g.colour2.r, g.colour1.r, c)};
  });
}

// "--- FLAG ---" and the eight curve lines of the usage texts, which differ
// only in the spacing of the last one.
inline std::string curve_table(const std::string& last_line) {
  return "--- FLAG ---\n"
         "0  = Liner\n"
         "1  = (sin 270-450)遅早遅\n"
         "2  = (sin   0- 90)早遅\n"
         "3  = (sin  90-180)遅早\n"
         "4  = 累乗         遅早\n"
         "5  = 1-累乗       早遅\n"
         "6  = (sin 270-630)遅早遅早遅\n" +
         last_line;
}

inline const std::string power_prompt = "累乗の定数を入れてください。\n";

// A number as the command line writes it.
inline std::string arg(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The arguments R1 G1 B1 R2 G2 B2 degree flag start end of a call.
inline std::vector<std::string> gradient_args(const GradientCall& g) {
  return {arg(g.colour1.r), arg(g.colour1.g), arg(g.colour1.b), arg(g.colour2.r),
          arg(g.colour2.g), arg(g.colour2.b), arg(g.degree),    std::to_string(g.flag),
          arg(g.start),     arg(g.end)};
}

// "[0000]\r" ... for rows 0 to rows - 1.
inline std::string progress_lines(int rows) {
  std::string text;
  char line[32];
  for (int r = 0; r < rows; ++r) {
    std::snprintf(line, sizeof line, "[%04d]\r", r);
    text += line;
  }
  return text;
}

// Where two images first differ, for a readable failure on large images.
inline std::string first_difference(const Image& got, const Image& want) {
  if (got.width != want.width || got.height != want.height) {
    return "size " + std::to_string(got.width) + " x " + std::to_string(got.height) + ", want " +
           std::to_string(want.width) + " x " + std::to_string(want.height);
  }
  for (int y = 0; y < want.height; ++y) {
    for (int x = 0; x < want.width; ++x) {
      const Pixel& a = got.at(x, y);
      const Pixel& b = want.at(x, y);
      if (!(a == b)) {
        return "at (" + std::to_string(x) + ", " + std::to_string(y) + "): bgr " +
               std::to_string(a.b) + " " + std::to_string(a.g) + " " + std::to_string(a.r) +
               ", want " + std::to_string(b.b) + " " + std::to_string(b.g) + " " +
               std::to_string(b.r);
      }
    }
  }
  return "";
}

}  // namespace bmp::test
