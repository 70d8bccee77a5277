// The rotation engine of twirl, twirl32 and mist_turn: the input embedded in a
// square canvas twice its larger side, the margins of the turned bounding box,
// the output window, and kernels that sample the canvas by inverse mapping
// with one, four or eight sub-samples per output pixel. The canvas is never
// made: each sample reads the input pixel it shows (clamped to the input's
// edges) or the fill colour, so memory and time follow the input and the
// output, not the square of the larger side. One implementation serves
// 3-byte (24-bit) and 4-byte pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/bmp_io.hpp"
#include "core/files.hpp"
#include "core/image_rows.hpp"

namespace bmp {

// The tools' Flag2: 0 keeps the input's size, any other value grows the
// output to hold the whole turned picture ("auto size").
enum class SizeMode { origin, auto_size };
constexpr SizeMode size_mode_of(int flag2) {
  return flag2 == 0 ? SizeMode::origin : SizeMode::auto_size;
}

// The colour of the canvas outside the input (solid canvas) and of samples
// that fall outside the canvas. Each byte is the low 8 bits of its argument.
struct FillColour {
  uint8_t red = 0, green = 0, blue = 0, alpha = 0;
  static constexpr FillColour of(int red, int green, int blue, int alpha = 0) {
    return {static_cast<uint8_t>(red), static_cast<uint8_t>(green), static_cast<uint8_t>(blue),
            static_cast<uint8_t>(alpha)};
  }
};

// How far the turned input's bounding box reaches beyond the input on each
// side, horizontally (ex) and vertically (ey).
struct RotationMargins {
  int32_t ex = 0;
  int32_t ey = 0;
  bool operator==(const RotationMargins&) const = default;
};

// Half the growth of the turned bounding box plus 2; at the four exact right
// angles (after reducing the angle to [0, 360)) the constant is -1 instead,
// which crops one pixel more on each side than the input's own frame.
RotationMargins compute_rotation_margins(double angle, int32_t width, int32_t height);
// The same margins with the plus-2 rule at every angle, right angles included.
RotationMargins bounding_box_margins(double angle, int32_t width, int32_t height);

// half(n): n / 2 truncated toward zero (-7 halves to -3).
constexpr int32_t half(int32_t n) { return n / 2; }

// The geometry of one run. Canvas coordinates are (column, stored row), row 0
// at the bottom; the centre of rotation is canvas column M, canvas row M.
struct RotationFrame {
  int32_t width = 0;         // X, the input's width
  int32_t height = 0;        // Y, the input's height
  int32_t centre = 0;        // M, the larger side
  int32_t side = 0;          // S = 2M, the canvas side
  int32_t left = 0;          // L = (S - X) / 2, canvas column of input column 0
  int32_t bottom = 0;        // B = (S - Y) / 2, canvas row of input row 0
  RotationMargins margins;   // ex, ey
  int32_t grown_column = 0;  // a = half(S - X - 2 ex), first column of the grown window
  int32_t grown_row = 0;     // b = half(S - Y - 2 ey), first row of the grown window
  int32_t auto_width = 0;    // W_a = S - 2a
  int32_t auto_height = 0;   // H_a = S - 2b
};

// Refuses, naming the input, an image whose frame would pass the 32-bit
// integers the engine computes in (a larger side beyond 2^30 - 5 pixels).
// Call it before rotation_frame: past it every frame value fits 32 bits.
void check_frame_size(int32_t width, int32_t height, const std::string& input_name);

// Refuses, naming the input, a turned image (an output, or an intermediate
// image a tool writes) of width x height pixels of `bytes_per_pixel` bytes
// whose file would not fit a file's 32-bit size field.
void check_turned_size(int32_t width, int32_t height, int bytes_per_pixel,
                       const std::string& input_name);

RotationFrame rotation_frame(int32_t width, int32_t height, RotationMargins margins);

// Columns c0 <= j < c1 and stored rows r0 <= i < r1, left to right, bottom to top.
struct PixelWindow {
  int32_t c0 = 0, c1 = 0, r0 = 0, r1 = 0;
  int32_t width() const { return c1 - c0; }
  int32_t height() const { return r1 - r0; }
  PixelWindow shifted(int32_t columns, int32_t rows) const {
    return {c0 + columns, c1 + columns, r0 + rows, r1 + rows};
  }
  bool operator==(const PixelWindow&) const = default;
};

// The part of the canvas that becomes the output: the grown box (auto) or the
// input's own frame, moved one column right for an odd width and one row up
// for an odd height (origin).
PixelWindow rotation_window(const RotationFrame& frame, SizeMode mode);

// Refuses, naming the input, a window that holds no pixel or that is not the
// size the output's header will state (tiny images at some angles).
void check_window(const PixelWindow& window, int32_t width, int32_t height,
                  const std::string& input_name);

// The sub-sample sets: offsets (ox along the row, oy along the column) inside
// one output pixel, in the order the kernels fetch them.
struct SampleOffset {
  double ox, oy;
};
enum class SampleSet { one_sample, four_samples, eight_samples };
std::span<const SampleOffset> sample_offsets(SampleSet set);

// cos t and sin t of t = degrees x PI_LITERAL / 180, the angle unreduced (so
// cos 90 degrees is a tiny number, not 0: outputs depend on it).
struct TurnAngle {
  double cos_t, sin_t;
};
TurnAngle turn_angle(double degrees);

// The signed distance of a sample from the centre along one axis: the
// integer difference, then minus 0.5, then plus the offset.
inline double offset_from_centre(int32_t position, int32_t centre, double offset) {
  return static_cast<double>(position - centre) - 0.5 + offset;
}

struct SourcePosition {
  int32_t sx, sy;
  bool operator==(const SourcePosition&) const = default;
};

// Inverse mapping of output position (j, i) with sub-sample offset o about
// centre (cx, cy): sx = trunc(cos t dx + sin t dy) + cx and
// sy = trunc(cos t dy - sin t dx) + cy. Truncation pulls every position toward
// the centre, so at 0 degrees the centre column and row appear twice.
SourcePosition rotate_source_position(int32_t j, int32_t i, int32_t cx, int32_t cy, SampleOffset o,
                                      TurnAngle t);

// Where a kernel's source lies among the positions it maps to: source pixel
// (0, 0) at (column, row). A position inside `area` reads the nearest source
// pixel, so the source's edge pixels repeat outward to the area's bounds;
// a position beyond it reads the fill colour.
struct Placement {
  int32_t column = 0, row = 0;
  PixelWindow area;
};

// Everything a kernel needs besides its source and window.
struct Turn {
  int32_t cx = 0, cy = 0;  // the centre
  double angle = 0;        // degrees
  SampleSet samples = SampleSet::one_sample;
  FillColour fill;                     // samples outside the source (or its area)
  std::optional<Placement> placement;  // none: the source at (0, 0), nothing around it
};

// Writes the window's rows to `out` (positioned after its header): each
// output pixel is, per channel, the truncated mean of its samples, each the
// nearest source pixel or the fill colour. 24-bit rows end with width % 4
// zero bytes; 4-byte rows end with none. The source's rows follow a header
// (a 24-bit pixel may be read as the word that ends with it). `done` gets
// the window's row numbers.
template <int bytes_per_pixel>
void sample_turn(const ImageRows& source, const PixelWindow& window, const Turn& turn,
                 OutputFile& out, const RowDone& done);
extern template void sample_turn<3>(const ImageRows&, const PixelWindow&, const Turn&, OutputFile&,
                                    const RowDone&);
extern template void sample_turn<4>(const ImageRows&, const PixelWindow&, const Turn&, OutputFile&,
                                    const RowDone&);

// The square canvas of a frame, as the kernels see it: canvas pixel (c, r)
// inside the input's area is the input's pixel (c - L, r - B); elsewhere on
// the canvas it is the input's nearest edge pixel (edge canvas) or the fill
// colour (solid canvas); beyond the canvas, the fill colour (black for the
// edge canvas). An input without pixels has nothing to repeat: its canvas is
// all fill colour.
struct Canvas {
  const ImageRows* input = nullptr;
  RotationFrame frame;
  FillColour fill;
  bool edge = true;
  // Where the input lies on the canvas and how far its pixels reach.
  Placement placement() const;
};

// The canvases of an input: nothing is copied, the input's rows are read
// where they lie for as long as the canvas is used.
Canvas build_edge_canvas(const ImageRows& input, const RotationFrame& frame);
Canvas build_solid_canvas(const ImageRows& input, const RotationFrame& frame,
                          const FillColour& fill);

// The rotation tools' kernels: the canvas turned about (M, M) by `angle`
// degrees over the window of `mode`; samples beyond the canvas take its fill
// colour. The 32 kernels read 4-byte pixels.
void rotate_nearest(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                    const RowDone& done);
void rotate_aa4(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                const RowDone& done);
void rotate_aa8(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                const RowDone& done);
void rotate_nearest32(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                      const RowDone& done);
void rotate_aa8_32(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                   const RowDone& done);

}  // namespace bmp
