#include "geometry/rotation.hpp"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/failure.hpp"
#include "core/formulas.hpp"
#include "core/messages.hpp"
#include "core/row_bands.hpp"

namespace bmp {
namespace {

// The angle reduced to [0, 360): trunc(angle) rem 360 plus the fraction.
double reduced_angle(double angle) {
  const int32_t whole = truncate_toward_zero(angle);
  double k = (whole % 360) + (angle - whole);
  if (k < 0) k = k + 360;
  return k;
}

bool first_or_third_quadrant(double k) { return (0 <= k && k < 90) || (180 <= k && k < 270); }

// The two sides of the box of an X x Y rectangle turned by u degrees:
// |trunc(X cos u + Y sin u)| and |trunc(-X sin u - Y cos u)|, X and Y as doubles.
std::array<int32_t, 2> turned_sides(double degrees, int32_t width, int32_t height) {
  const double u = degrees * PI_LITERAL / 180;
  const double x = width;
  const double y = height;
  return {std::abs(truncate_toward_zero(x * std::cos(u) + y * std::sin(u))),
          std::abs(truncate_toward_zero(-x * std::sin(u) - y * std::cos(u)))};
}

RotationMargins growth_margins(double k, int32_t width, int32_t height) {
  int32_t box_width, box_height;
  if (first_or_third_quadrant(k)) {
    auto [first, second] = turned_sides(k, width, height);
    box_width = first;
    box_height = second;
  } else {
    auto [first, second] = turned_sides(k - 90, width, height);
    box_height = first;
    box_width = second;
  }
  return {half(box_width - width) + 2, half(box_height - height) + 2};
}

}  // namespace

RotationMargins compute_rotation_margins(double angle, int32_t width, int32_t height) {
  const double k = reduced_angle(angle);
  // Exact compares of doubles, as the margins' rule states them.
  if (k == 0.0 || k == 180.0) return {-1, -1};
  if (k == 90.0 || k == 270.0) return {half(height - width) - 1, half(width - height) - 1};
  return growth_margins(k, width, height);
}

RotationMargins bounding_box_margins(double angle, int32_t width, int32_t height) {
  return growth_margins(reduced_angle(angle), width, height);
}

void check_canvas_size(int32_t width, int32_t height, int bytes_per_pixel,
                       const std::string& input_name) {
  const int64_t side = 2 * int64_t{height > width ? height : width};
  const int64_t row = bytes_per_pixel == 3 ? 3 * side + side % 4 : 4 * side;
  const int64_t header = bytes_per_pixel == 3 ? bmp24_header_bytes : bmp32_header_bytes;
  if (row > 0 && side > (max_file_bytes - header) / row) {
    fail(Channel::out, msg::too_large_to_turn, input_name.c_str());
  }
}

RotationFrame rotation_frame(int32_t width, int32_t height, RotationMargins margins,
                             int bytes_per_pixel) {
  RotationFrame f;
  f.width = width;
  f.height = height;
  f.centre = height > width ? height : width;
  f.side = 2 * f.centre;
  f.left = (f.side - width) / 2;
  f.bottom = (f.side - height) / 2;
  f.canvas_padding = bytes_per_pixel == 3 ? row_padding(f.side) : 0;
  f.margins = margins;
  f.grown_column = half(f.side - width - 2 * margins.ex);
  f.grown_row = half(f.side - height - 2 * margins.ey);
  f.auto_width = f.side - 2 * f.grown_column;
  f.auto_height = f.side - 2 * f.grown_row;
  return f;
}

PixelWindow rotation_window(const RotationFrame& f, SizeMode mode) {
  const int32_t a = f.grown_column;
  const int32_t b = f.grown_row;
  if (mode == SizeMode::auto_size) return {a, f.side - a, b, f.side - b};
  const int32_t px = f.width % 2 == 1 ? 1 : 0;
  const int32_t py = f.height % 2 == 1 ? 1 : 0;
  const RotationMargins& m = f.margins;
  return {a + m.ex + px, f.side - a - m.ex, b + m.ey + py, f.side - b - m.ey};
}

void check_window(const PixelWindow& window, int32_t width, int32_t height,
                  const std::string& input_name) {
  if (window.width() <= 0 || window.height() <= 0 || window.width() != width ||
      window.height() != height) {
    fail(Channel::out, msg::too_small_to_turn, input_name.c_str());
  }
}

TurnAngle turn_angle(double degrees) {
  const double t = degrees * PI_LITERAL / 180;
  return {std::cos(t), std::sin(t)};
}

SourcePosition rotate_source_position(int32_t j, int32_t i, int32_t cx, int32_t cy, SampleOffset o,
                                      TurnAngle t) {
  const double dx = offset_from_centre(j, cx, o.ox);
  const double dy = offset_from_centre(i, cy, o.oy);
  return {truncate_toward_zero(t.cos_t * dx + t.sin_t * dy) + cx,
          truncate_toward_zero(t.cos_t * dy - t.sin_t * dx) + cy};
}

std::span<const SampleOffset> sample_offsets(SampleSet set) {
  static constexpr SampleOffset one[] = {{0.2, 0.2}};
  static constexpr SampleOffset four[] = {{0.2, 0.2}, {0.8, 0.2}, {0.2, 0.8}, {0.8, 0.8}};
  static constexpr SampleOffset eight[] = {{0.15, 0.15}, {0.85, 0.15}, {0.15, 0.85}, {0.85, 0.85},
                                           {0.5, 0.05},  {0.95, 0.5},  {0.5, 0.95},  {0.05, 0.5}};
  switch (set) {
    case SampleSet::one_sample:
      return one;
    case SampleSet::four_samples:
      return four;
    case SampleSet::eight_samples:
      break;
  }
  return eight;
}

// ---- Sampling ---------------------------------------------------------------

namespace {

// A pixel's bytes in file order: blue, green, red; or alpha, red, green, blue.
template <int bytes_per_pixel>
std::array<uint8_t, bytes_per_pixel> file_order(const FillColour& c) {
  if constexpr (bytes_per_pixel == 3) {
    return {c.blue, c.green, c.red};
  } else {
    return {c.alpha, c.red, c.green, c.blue};
  }
}

// The kernel for a fixed sample count. The products cos t x dx and sin t x dx
// depend only on the column and the offset, cos t x dy and sin t x dy only on
// the row: each is formed once and the same two sums are then taken per
// sample, so every position has the bits of rotate_source_position.
template <int bytes_per_pixel, size_t n>
void sample_rows(const ImageRows& source, const PixelWindow& window, const Turn& turn,
                 std::span<const SampleOffset, n> offsets, OutputFile& out, const RowDone& done) {
  const TurnAngle t = turn_angle(turn.angle);
  const int32_t width = window.width();
  struct ColumnTerms {
    double cos_dx[n];
    double sin_dx[n];
  };
  std::vector<ColumnTerms> columns(static_cast<size_t>(width > 0 ? width : 0));
  for (int32_t x = 0; x < width; ++x) {
    for (size_t k = 0; k < n; ++k) {
      const double dx = offset_from_centre(window.c0 + x, turn.cx, offsets[k].ox);
      columns[static_cast<size_t>(x)].cos_dx[k] = t.cos_t * dx;
      columns[static_cast<size_t>(x)].sin_dx[k] = t.sin_t * dx;
    }
  }
  const auto fill = file_order<bytes_per_pixel>(turn.fill);
  const auto source_width = static_cast<uint32_t>(source.width());
  const auto source_height = static_cast<uint32_t>(source.height());

  // Rows are independent of each other: bands of them are computed on all
  // cores and written in order.
  auto fill_row = [&](int32_t i, uint8_t* row) {
    double sin_dy[n], cos_dy[n];
    for (size_t k = 0; k < n; ++k) {
      const double dy = offset_from_centre(i, turn.cy, offsets[k].oy);
      sin_dy[k] = t.sin_t * dy;
      cos_dy[k] = t.cos_t * dy;
    }
    for (const ColumnTerms& column : columns) {
      uint32_t sum0 = 0, sum1 = 0, sum2 = 0, sum3 = 0;
      for (size_t k = 0; k < n; ++k) {
        const int32_t sx = truncate_toward_zero(column.cos_dx[k] + sin_dy[k]) + turn.cx;
        const int32_t sy = truncate_toward_zero(cos_dy[k] - column.sin_dx[k]) + turn.cy;
        const uint8_t* sample = fill.data();
        if (static_cast<uint32_t>(sx) < source_width && static_cast<uint32_t>(sy) < source_height) {
          sample = source.row(sy) + int64_t{bytes_per_pixel} * sx;
        }
        sum0 += sample[0];
        sum1 += sample[1];
        sum2 += sample[2];
        if constexpr (bytes_per_pixel == 4) sum3 += sample[3];
      }
      // trunc(sum / n) in doubles equals the integer quotient: n is 1, 4 or
      // 8 and the sum is never negative.
      *row++ = static_cast<uint8_t>(sum0 / n);
      *row++ = static_cast<uint8_t>(sum1 / n);
      *row++ = static_cast<uint8_t>(sum2 / n);
      if constexpr (bytes_per_pixel == 4) *row++ = static_cast<uint8_t>(sum3 / n);
    }
  };
  produce_row_blocks<bytes_per_pixel>(
      out, width, window.height(), 1, int64_t{width} * static_cast<int64_t>(n),
      [&](const RowBlock& block) { fill_row(window.r0 + block.first, block.pixels); },
      [&](int32_t r) { done(window.r0 + r); });
}

}  // namespace

template <int bytes_per_pixel>
void sample_turn(const ImageRows& source, const PixelWindow& window, const Turn& turn,
                 OutputFile& out, const RowDone& done) {
  std::span<const SampleOffset> offsets = sample_offsets(turn.samples);
  switch (turn.samples) {
    case SampleSet::one_sample:
      return sample_rows<bytes_per_pixel, 1>(source, window, turn, offsets.first<1>(), out, done);
    case SampleSet::four_samples:
      return sample_rows<bytes_per_pixel, 4>(source, window, turn, offsets.first<4>(), out, done);
    case SampleSet::eight_samples:
      return sample_rows<bytes_per_pixel, 8>(source, window, turn, offsets.first<8>(), out, done);
  }
}

template void sample_turn<3>(const ImageRows&, const PixelWindow&, const Turn&, OutputFile&,
                             const RowDone&);
template void sample_turn<4>(const ImageRows&, const PixelWindow&, const Turn&, OutputFile&,
                             const RowDone&);

// ---- Canvas -----------------------------------------------------------------

namespace {

enum class Outside { edge, solid };

// One canvas row from an input row of X pixels: the row at columns L to
// L + X - 1, and outside them its end pixels repeated (edge) or the fill.
template <int bytes_per_pixel>
void embed_row(std::span<const uint8_t> input, const RotationFrame& f, Outside outside,
               const std::array<uint8_t, bytes_per_pixel>& fill, uint8_t* canvas_row) {
  constexpr size_t bpp = bytes_per_pixel;
  const uint8_t* first = outside == Outside::edge ? input.data() : fill.data();
  const uint8_t* last = outside == Outside::edge ? input.data() + input.size() - bpp : fill.data();
  uint8_t* at = canvas_row;
  for (int32_t c = 0; c < f.left; ++c, at += bpp) std::memcpy(at, first, bpp);
  std::memcpy(at, input.data(), input.size());
  at += input.size();
  for (int32_t c = f.left + f.width; c < f.side; ++c, at += bpp) std::memcpy(at, last, bpp);
  std::memset(at, 0, static_cast<size_t>(f.canvas_padding));
}

template <int bytes_per_pixel>
void build_canvas(const InputFile& in, const ImageLayout& image, const RotationFrame& f,
                  Outside outside, const FillColour& colour, OutputFile& canvas) {
  constexpr size_t bpp = bytes_per_pixel;
  const auto fill = file_order<bytes_per_pixel>(colour);
  const size_t row_bytes =
      static_cast<size_t>(f.side) * bpp + static_cast<size_t>(f.canvas_padding);
  const size_t input_bytes = static_cast<size_t>(f.width) * bpp;

  std::vector<uint8_t> fill_row(row_bytes, 0);
  for (size_t at = 0; at + bpp <= static_cast<size_t>(f.side) * bpp; at += bpp) {
    std::memcpy(fill_row.data() + at, fill.data(), bpp);
  }
  if (f.width == 0 || f.height == 0) {
    for (int32_t r = 0; r < f.side; ++r) canvas.write(fill_row);
    return;
  }

  // The bottom and top edge rows, from input rows 0 and Y - 1.
  std::vector<uint8_t> input_row(input_bytes);
  std::vector<uint8_t> bottom_row(row_bytes), top_row(row_bytes);
  in.read_at(static_cast<uint64_t>(image.offset(0, 0)), input_row);
  embed_row<bytes_per_pixel>(input_row, f, outside, fill, bottom_row.data());
  in.read_at(static_cast<uint64_t>(image.offset(f.height - 1, 0)), input_row);
  embed_row<bytes_per_pixel>(input_row, f, outside, fill, top_row.data());
  const std::vector<uint8_t>& below = outside == Outside::edge ? bottom_row : fill_row;
  const std::vector<uint8_t>& above = outside == Outside::edge ? top_row : fill_row;

  for (int32_t r = 0; r < f.bottom; ++r) canvas.write(below);
  RowReader rows(in, static_cast<uint64_t>(image.data_offset), static_cast<size_t>(image.row_bytes),
                 image.height);
  for (int32_t r = 0; r < f.height; ++r) {
    embed_row<bytes_per_pixel>(rows.next().first(input_bytes), f, outside, fill,
                               canvas.reserve(row_bytes).data());
  }
  for (int32_t r = f.bottom + f.height; r < f.side; ++r) canvas.write(above);
}

}  // namespace

void build_edge_canvas(const InputFile& in, const ImageLayout& image, const RotationFrame& frame,
                       OutputFile& canvas) {
  build_canvas<3>(in, image, frame, Outside::edge, FillColour{}, canvas);
}

void build_solid_canvas(const InputFile& in, const ImageLayout& image, const RotationFrame& frame,
                        const FillColour& fill, OutputFile& canvas) {
  build_canvas<3>(in, image, frame, Outside::solid, fill, canvas);
}

void build_edge_canvas32(const InputFile& in, const ImageLayout& image, const RotationFrame& frame,
                         OutputFile& canvas) {
  build_canvas<4>(in, image, frame, Outside::edge, FillColour{}, canvas);
}

void build_solid_canvas32(const InputFile& in, const ImageLayout& image, const RotationFrame& frame,
                          const FillColour& fill, OutputFile& canvas) {
  build_canvas<4>(in, image, frame, Outside::solid, fill, canvas);
}

// ---- Kernels of the rotation tools -----------------------------------------

namespace {

template <int bytes_per_pixel>
void rotate_canvas(const ImageRows& canvas, const RotationFrame& frame, SizeMode mode, double angle,
                   SampleSet samples, const FillColour& fill, OutputFile& out,
                   const RowDone& done) {
  const Turn turn{frame.centre, frame.centre, angle, samples, fill};
  sample_turn<bytes_per_pixel>(canvas, rotation_window(frame, mode), turn, out, done);
}

}  // namespace

void rotate_nearest(const ImageRows& canvas, const RotationFrame& frame, SizeMode mode,
                    double angle, const FillColour& fill, OutputFile& out, const RowDone& done) {
  rotate_canvas<3>(canvas, frame, mode, angle, SampleSet::one_sample, fill, out, done);
}

void rotate_aa4(const ImageRows& canvas, const RotationFrame& frame, SizeMode mode, double angle,
                const FillColour& fill, OutputFile& out, const RowDone& done) {
  rotate_canvas<3>(canvas, frame, mode, angle, SampleSet::four_samples, fill, out, done);
}

void rotate_aa8(const ImageRows& canvas, const RotationFrame& frame, SizeMode mode, double angle,
                const FillColour& fill, OutputFile& out, const RowDone& done) {
  rotate_canvas<3>(canvas, frame, mode, angle, SampleSet::eight_samples, fill, out, done);
}

void rotate_nearest32(const ImageRows& canvas, const RotationFrame& frame, SizeMode mode,
                      double angle, const FillColour& fill, OutputFile& out, const RowDone& done) {
  rotate_canvas<4>(canvas, frame, mode, angle, SampleSet::one_sample, fill, out, done);
}

void rotate_aa8_32(const ImageRows& canvas, const RotationFrame& frame, SizeMode mode, double angle,
                   const FillColour& fill, OutputFile& out, const RowDone& done) {
  rotate_canvas<4>(canvas, frame, mode, angle, SampleSet::eight_samples, fill, out, done);
}

}  // namespace bmp
