// The soft ellipse of `disc` and `vignette`: an inner ellipse of semi-axes
// s and p, a band out to the outer semi-axes along the same angle, and the
// fades a1 and a2 across the band. Per row, the columns certainly inside the
// inner ellipse and those certainly outside the band are found from the
// ellipses' own equations with a safety margin; only the columns between
// take the trigonometric path, so every pixel gets what the plain
// evaluation gives.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/row_loop.hpp"
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
// `Fades` says which of them a caller uses (the other is left 0).
enum class Fades { a1, a2, both };
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
  EllipsePoint point_at(int64_t c, int64_t r, Fades fades = Fades::both) const;
  // The columns of stored row r whose pixels are inside by a wide margin: no
  // pixel there needs a test.
  IndexRange inside_columns(int64_t r, int32_t width) const;
  // The columns of stored row r whose pixels may be inside or in the band;
  // every other pixel of the row is outside by a wide margin.
  IndexRange near_columns(int64_t r, int32_t width) const;
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
//   inside(px), band(px, point), outside(px), each channel set from that
//   channel alone (so that inside and outside are looked up in tables of
//   the 256 byte values); `inside_kept` and `outside_kept` say that a zone
//   keeps its pixels as read, so that it is not visited at all; `fades`
//   names the fade band() uses.
// Each output row is its input row with the zones painted; rows are made by
// several threads on large images, each pixel exactly as alone.
template <class Paint>
class SoftEllipsePainter {
 public:
  SoftEllipsePainter(const SoftEllipse& ellipse, const Paint& paint, int32_t width, int32_t height)
      : ellipse_(ellipse), paint_(paint), width_(width), reach_(ellipse.reach(width, height)) {
    for (int v = 0; v < 256; ++v) {
      uint8_t in[3] = {uint8_t(v), uint8_t(v), uint8_t(v)}, out[3] = {in[0], in[1], in[2]};
      paint.inside(in);
      paint.outside(out);
      for (int i = 0; i < 3; ++i) inside_[i][v] = in[i], outside_[i][v] = out[i];
    }
  }

  // Stored row r's pixels from image column `column` on.
  void paint_row(int64_t r, int64_t column, std::span<uint8_t> pixels) const {
    const IndexRange piece{column, column + static_cast<int64_t>(pixels.size() / 3)};
    auto at = [&](int64_t c) { return pixels.data() + 3 * (c - column); };
    IndexRange near;
    if (reach_.rows.contains(r)) near = ellipse_.near_columns(r, width_).intersect(reach_.columns);
    if (near.empty()) near = {piece.end, piece.end};
    fill(outside_, !Paint::outside_kept, {piece.first, near.first}, piece, at);
    fill(outside_, !Paint::outside_kept, {near.end, piece.end}, piece, at);
    IndexRange inside = ellipse_.inside_columns(r, width_).intersect(near);
    if (inside.empty()) inside = {near.end, near.end};
    fill(inside_, !Paint::inside_kept, inside, piece, at);
    evaluate(r, IndexRange{near.first, inside.first}.intersect(piece), at);
    evaluate(r, IndexRange{inside.end, near.end}.intersect(piece), at);
  }

 private:
  using Table = uint8_t[3][256];

  template <class At>
  static void fill(const Table& table, bool painted, IndexRange columns, IndexRange piece,
                   const At& at) {
    if (!painted) return;
    columns = columns.intersect(piece);
    for (int64_t c = columns.first; c < columns.end; ++c) {
      uint8_t* px = at(c);
      for (int i = 0; i < 3; ++i) px[i] = table[i][px[i]];
    }
  }

  template <class At>
  void evaluate(int64_t r, IndexRange columns, const At& at) const {
    for (int64_t c = columns.first; c < columns.end; ++c) {
      uint8_t* px = at(c);
      const EllipsePoint point = ellipse_.point_at(c, r, Paint::fades);
      if (point.zone == EllipseZone::band) {
        paint_.band(px, point);
      } else {
        const Table& table = point.zone == EllipseZone::inside ? inside_ : outside_;
        for (int i = 0; i < 3; ++i) px[i] = table[i][px[i]];
      }
    }
  }

  const SoftEllipse& ellipse_;
  const Paint& paint_;
  int32_t width_;
  PixelRect reach_;
  Table inside_;
  Table outside_;
};

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
  const double m = args.trans / 100;
  const ZoneColour colour{{args.colour[0], args.colour[1], args.colour[2]}, m, 1 - m};
  auto paint = [&](const auto& rule) {
    const SoftEllipsePainter painter(ellipse, rule, image.width, image.height);
    rewrite_rows24_shared(
        in, image, out, worker_count(16 * int64_t{image.width} * image.height),
        [](int32_t) { return 0; },
        [&](int32_t r, int32_t column, std::span<uint8_t> pixels, int) {
          painter.paint_row(r, column, pixels);
        },
        [&](int32_t r) { report_progress(console, r); });
  };
  if (args.flag == 0) {
    paint(OneWay{colour});
  } else {
    paint(Turn{colour});
  }
  out.commit();
}

}  // namespace bmp
