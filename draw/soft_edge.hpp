// The soft ellipse of `disc` and `vignette`: an inner ellipse of semi-axes
// s and p, a band out to the outer semi-axes along the same angle, and the
// fades a1 and a2 across the band. The zone of most pixels is decided by the
// inner ellipse's own equation with a safety margin; the rest take the
// trigonometric path, so every pixel gets what the plain evaluation gives.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/image_rows.hpp"
#include "core/row_bands.hpp"
#include "core/tool_frame.hpp"
#include "draw/rectangle.hpp"

namespace bmp {

// `EllipseParams`: centre (column from the left, row from the top), outer
// semi-axes and band widths, as given.
struct EllipseParams {
  double x_c = 0;
  double y_c = 0;
  double x_radius = 0;  // X_半径
  double y_radius = 0;  // Y_半径
  double x_boke = 0;
  double y_boke = 0;
};

enum class EllipseZone { inside, band, outside };

// What `ellipse_radii_at` gives for one pixel.
struct EllipseRadii {
  double r_in = 0;   // the inner ellipse's radius along the pixel's angle
  double r_out = 0;  // the outer radius along the same angle
  double v = 0;      // the pixel's distance from the centre
};

// A pixel's zone and, in the band, the fades: a1 rises from 0 at the inner
// edge to 1 at the outer edge, a2 is 0 at both edges and 1 half-way.
struct EllipsePoint {
  EllipseZone zone = EllipseZone::outside;
  double a1 = 0;
  double a2 = 0;
};

class SoftEllipse {
 public:
  // Refuses a NaN centre and inner semi-axes that are not both above 0.
  SoftEllipse(const EllipseParams& params, int32_t image_height);

  // For the pixel in column c of stored row r, in the order the formulas
  // are written (degrees by ÷ PI_LITERAL × 180 and back).
  EllipseRadii ellipse_radii_at(int64_t c, int64_t r) const;
  // The zones in the order listed: inside when V < r_in, else band when
  // V < r_out, else outside; so with a negative band width a pixel with
  // r_out <= V < r_in is inside.
  EllipsePoint point_at(int64_t c, int64_t r) const;
  // The zone without trigonometry where a bound with a wide margin decides
  // it; nothing where only the plain evaluation can.
  std::optional<EllipseZone> quick_zone(int64_t c, int64_t r) const;
  // The pixels that can lie inside or in the band; all others are outside.
  PixelRect reach(int32_t width, int32_t height) const;

 private:
  EllipseParams e_;
  double k_;      // the centre's stored row, h - Y_c - 1
  double s_, p_;  // inner semi-axes
  double a_, b_;  // s + X_boke and p + Y_boke, as the outer radius forms them
  double ratio_;  // s ÷ p
  double tolerance_;
};

// A colour (blue, green, red) mixed by m = 透明度 ÷ 100 and k = 1 - m:
// each(px, value) stores the low 8 bits of trunc(value(in, colour)) in each
// channel.
struct ZoneColour {
  double colour[3];
  double m, k;
  template <class Value>
  void each(uint8_t* px, const Value& value) const {
    for (int i = 0; i < 3; ++i) {
      px[i] = static_cast<uint8_t>(truncate_toward_zero(value(double(px[i]), colour[i])));
    }
  }
};

// How a tool paints the zones, per pixel of three bytes:
//   inside(px), band(px, point), outside(px); `inside_kept` and
//   `outside_kept` say that a zone keeps its pixels as read, so that it is
//   not visited at all.
// Each output row is its input row with the zones painted; rows are made by
// several threads on large images, each pixel exactly as alone.
template <class Paint>
void paint_soft_ellipse(const SoftEllipse& ellipse, const ImageRows& rows, OutputFile& out,
                        const Paint& paint, const RowDone& row_done) {
  const int32_t width = rows.width();
  const PixelRect reach = ellipse.reach(width, rows.height());
  auto paint_outside = [&](uint8_t* row, int64_t first, int64_t end) {
    if (Paint::outside_kept) return;
    for (int64_t c = first; c < end; ++c) paint.outside(row + 3 * c);
  };
  produce_rows24(
      out, width, rows.height(), 16 * int64_t{width},
      [&](int32_t r, std::span<uint8_t> pixels) {
        std::memcpy(pixels.data(), rows.row(r), pixels.size());
        uint8_t* row = pixels.data();
        if (!reach.rows.contains(r) || reach.columns.empty()) {
          paint_outside(row, 0, width);
          return;
        }
        paint_outside(row, 0, reach.columns.first);
        paint_outside(row, reach.columns.end, width);
        for (int64_t c = reach.columns.first; c < reach.columns.end; ++c) {
          uint8_t* px = row + 3 * c;
          const std::optional<EllipseZone> zone = ellipse.quick_zone(c, r);
          if (zone == EllipseZone::inside) {
            if (!Paint::inside_kept) paint.inside(px);
          } else if (zone == EllipseZone::outside) {
            if (!Paint::outside_kept) paint.outside(px);
          } else {
            const EllipsePoint point = ellipse.point_at(c, r);
            if (point.zone == EllipseZone::inside) {
              paint.inside(px);
            } else if (point.zone == EllipseZone::band) {
              paint.band(px, point);
            } else {
              paint.outside(px);
            }
          }
        }
      },
      row_done);
}

// What `disc` and `vignette` take from their command lines.
struct SoftEllipseArgs {
  EllipseParams ellipse;
  double colour[3] = {0, 0, 0};  // blue, green, red, never clamped
  double trans = 0;              // 透明度
  int flag = 0;                  // 0: one way, else turn
};

// The rest of a run once the input's header is read: the ellipse (refused
// without an inner one), the output's header, then the rows painted by the
// OneWay or the Turn rule, made from a ZoneColour.
template <class OneWay, class Turn>
void draw_soft_ellipse(const SoftEllipseArgs& args, InputFile& in, const ImageLayout& image,
                       OutputFile& out, Console& console) {
  const SoftEllipse ellipse(args.ellipse, image.height);
  write_bmp24_header(out, image.width, image.height);
  const ImageRows rows(in, image);
  const double m = args.trans / 100;
  const ZoneColour colour{{args.colour[0], args.colour[1], args.colour[2]}, m, 1 - m};
  const RowDone done = [&](int32_t r) { report_progress(console, r); };
  if (args.flag == 0) {
    paint_soft_ellipse(ellipse, rows, out, OneWay{colour}, done);
  } else {
    paint_soft_ellipse(ellipse, rows, out, Turn{colour}, done);
  }
  out.commit();
}

}  // namespace bmp
