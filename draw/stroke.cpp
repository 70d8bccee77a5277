// stroke: a straight one-pixel line between two points in a colour over a
// 24-bit image, weighed by a percentage (100, the default, paints the solid
// colour; 0 keeps the picture). Forms: Infile Outfile X1 Y1 X2 Y2 red green
// blue (透過度).
#include "draw/stroke.hpp"

#include <algorithm>
#include <cmath>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/messages.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"
#include "draw/rectangle.hpp"

namespace bmp {
namespace {

constexpr int stroke_forms[] = {10, 11};
constexpr std::string_view stroke_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile X1 Y1 X2 Y2 red green blue 透過度\n",
    "\n",
};

constexpr ToolSpec stroke_spec{
    .title = "STROKE UTILITY BMP FILE VERSION\n",
    .usage = stroke_usage,
    .warning = Warning::for_bmp,
    .forms = stroke_forms,
};

struct StrokeArgs {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  double colour[3] = {0, 0, 0};  // blue, green, red: whole numbers, not clamped
  double weight = 100;           // 透過度: 100 paints the colour, 0 keeps the pixel
};

StrokeArgs parse_stroke_args(const Run& run) {
  StrokeArgs args;
  args.x1 = arg_real(run.arg(3));
  args.y1 = arg_real(run.arg(4));
  args.x2 = arg_real(run.arg(5));
  args.y2 = arg_real(run.arg(6));
  args.colour[2] = arg_trunc(run.arg(7));
  args.colour[1] = arg_trunc(run.arg(8));
  args.colour[0] = arg_trunc(run.arg(9));
  if (run.count() == 11) args.weight = arg_real(run.arg(10));
  // A NaN end point would leave the line without rows or columns.
  for (int i = 3; i <= 6; ++i) {
    if (std::isnan(arg_real(run.arg(i)))) fail(Channel::out, msg::not_a_number, run.arg(i).c_str());
  }
  return args;
}

// The line in stored rows: A the upper end point (point 1 when both are at
// the same height), rows rA >= rB.
struct Line {
  double xa, ra, xb, rb;
  bool horizontal() const { return ra == rb; }
  // Exactly 45 degrees is steep: |rB - rA| >= |xB - xA|.
  bool steep() const { return std::fabs(rb - ra) >= std::fabs(xb - xa); }
  // The column where the line crosses stored row r, in the order written.
  double x_at(double r) const { return (xb - xa) / (rb - ra) * (r - ra) + xa; }
};

Line order_end_points(const StrokeArgs& a, int32_t height) {
  const double h = height;
  if (a.y2 < a.y1) return {a.x2, h - a.y2, a.x1, h - a.y1};
  return {a.x1, h - a.y1, a.x2, h - a.y2};
}

// `line_row_span`: the run [lo, hi] of stored row i of a line that is not
// horizontal, from where it enters the row to where it leaves it upwards,
// never past the upper end point's column.
IndexRange line_row_span(const Line& line, int64_t i) {
  const int64_t here = truncate_toward_zero(line.x_at(double(i)));
  const int64_t above = truncate_toward_zero(line.x_at(double(i) + 1));
  const int64_t top = truncate_toward_zero(line.xa);
  if (line.xa <= line.xb) return {std::max(above, top), here};
  return {here, std::min(above, top)};
}

// The columns of stored row i that the line paints, cut to the image: a
// shallow run lo <= c < hi; a steep run every other column of lo <= c <= hi,
// starting with its first column inside the image; a horizontal line the
// columns strictly between its end columns.
struct Painted {
  IndexRange columns;
  int64_t step = 1;
};

Painted painted_columns(const Line& line, int64_t i, int32_t width) {
  const double row = double(i);
  if (row > line.ra || row < line.rb) return {};
  if (line.horizontal()) {
    const double left = std::min(line.xa, line.xb), right = std::max(line.xa, line.xb);
    // The first whole column above `left` up to the last below `right`.
    return {range_between(std::floor(left) + 1, std::ceil(right) - 1, width)};
  }
  const IndexRange run = line_row_span(line, i);
  if (line.steep()) return {IndexRange{run.first, run.end + 1}.clipped(width), 2};
  return {run.clipped(width)};
}

void stroke(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const StrokeArgs args = parse_stroke_args(run);
  Console& console = run.console();
  const ImageLayout image = read_bmp_header(*in, console, HeaderCheck{});
  write_bmp24_header(*out, image.width, image.height);

  const Line line = order_end_points(args, image.height);
  // trunc(colour × m + in × k): the weight falls on the colour.
  const TransparencyMix mix(args.weight);
  rewrite_rows24(
      *in, image, *out,
      [&](int y, int column, std::span<uint8_t> pixels) {
        const Painted paint = painted_columns(line, y, image.width);
        const IndexRange here =
            paint.columns.intersect({column, column + int64_t(pixels.size() / 3)});
        int64_t c = here.first;
        // A steep run alternates from its first column inside the image,
        // whichever piece of the row that column lies in.
        if (paint.step == 2 && (c - paint.columns.first) % 2 != 0) ++c;
        for (; c < here.end; c += paint.step) {
          uint8_t* pixel = pixels.data() + 3 * (c - column);
          for (int i = 0; i < 3; ++i)
            pixel[i] = static_cast<uint8_t>(mix(args.colour[i], pixel[i]));
        }
      },
      [&](int y) { report_progress(console, y); });
  out->commit();
}

}  // namespace

int run_stroke(std::span<const std::string_view> args) {
  return run_tool(stroke_spec, args, stroke);
}

}  // namespace bmp
