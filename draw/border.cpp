// border: a soft frame of width 幅 in a colour over a 24-bit image, solid at
// the image edge and fading to nothing at its inner edge, whose corners are
// rounded with radius ROUND. Forms: Infile Outfile 幅 ROUND RED GREEN BLUE
// (flag), flag 0 S-line (the default), 1 SIN, any other Liner.
#include "draw/border.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/messages.hpp"
#include "core/parallel.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"
#include "draw/curves.hpp"
#include "draw/rectangle.hpp"

namespace bmp {
namespace {

constexpr int border_forms[] = {8, 9};
constexpr int border_lone_counts[] = {2};
// The usage block follows the banner with no blank line.
constexpr std::string_view border_usage[] = {
    "USAGE: COMMAND Infile Outfile 幅 ROUND RED GREEN BLUE (flag)\n",
    "\n",
    "--- FLAG ---\n",
    "0 --- S-line\n",
    "1 --- SIN\n",
    "2 --- Liner\n",
};

constexpr ToolSpec border_spec{
    .title = "BORDER UTILITY(BMP FILE VERSION)\n",
    .usage = border_usage,
    .warning = Warning::for_bmp,
    .forms = border_forms,
    .lone = LoneArgument::blank_wrong_paramater,
    .lone_counts = border_lone_counts,
};

struct BorderArgs {
  int width = 0;                 // 幅
  int round = 0;                 // ROUND
  double colour[3] = {0, 0, 0};  // blue, green, red: whole numbers, never clamped
  int flag = 0;
};

BorderArgs parse_border_args(const Run& run) {
  BorderArgs args;
  args.width = arg_int(run.arg(3));
  args.round = arg_int(run.arg(4));
  args.colour[2] = arg_trunc(run.arg(5));
  args.colour[1] = arg_trunc(run.arg(6));
  args.colour[0] = arg_trunc(run.arg(7));
  if (run.count() == 9) args.flag = arg_trunc(run.arg(8));
  return args;
}

// `FrameCurve`: the weight 0..255 at x into the frame from its inner edge,
// I = 幅. The sines are `ease_in_out` and `ease_in` with their own scalings.
class FrameCurve {
 public:
  FrameCurve(int flag, int width) : flag_(flag), i_(width) {}
  double operator()(double x) const {
    switch (flag_) {
      case 0:  // S-line
        return (sine_from_270(180 / i_ * x) + 1) * 127.5;
      case 1:  // SIN
        return (sine_from_270(90 / i_ * x) + 1) * 255;
      default:  // Liner
        return 1.0 / i_ * x * 255;
    }
  }

 private:
  int flag_;
  double i_;
};

// `frame_alpha` for an image of w × h pixels, rows counted from the bottom.
class FrameAlpha {
 public:
  FrameAlpha(const BorderArgs& args, int32_t w, int32_t h)
      : f_(args.flag, args.width),
        band_(args.width),
        round_(args.round),
        p_(int64_t{args.width} + args.round),
        w_(w),
        h_(h) {}

  int64_t p() const { return p_; }

  // The corner square that holds (c, r), if any, and its weight.
  std::optional<double> corner(int64_t c, int64_t r) const {
    const bool left = c <= p_, right = c >= w_ - p_ - 1;
    const bool bottom = r <= p_, top = r >= h_ - p_ - 1;
    if (!((left || right) && (bottom || top))) return std::nullopt;
    // Bottom-left, bottom-right, top-left, top-right, in that order.
    const int64_t cx = left ? p_ : w_ - p_ - 1;
    const int64_t cy = bottom ? p_ : h_ - p_ - 1;
    const double d = std::sqrt(double(c - cx) * double(c - cx) + double(r - cy) * double(r - cy));
    if (d > double(p_)) return 255.0;
    if (d >= round_) return f_(d - round_);
    return 0.0;
  }
  // The band weight of (c, r) outside the corners, tested bottom, left, top,
  // right; 0 away from them.
  double band(int64_t c, int64_t r) const {
    if (r <= band_) return f_(double(band_ - r));
    if (c <= band_) return f_(double(band_ - c));
    if (r >= h_ - band_) return f_(double(r - (h_ - band_ - 1)));
    if (c >= w_ - band_) return f_(double(c - (w_ - band_ - 1)));
    return 0;
  }
  double operator()(int64_t c, int64_t r) const {
    if (std::optional<double> a = corner(c, r)) return *a;
    return band(c, r);
  }

 private:
  FrameCurve f_;
  int64_t band_;
  double round_;
  int64_t p_;
  int64_t w_, h_;
};

// The weights of one stored row, the bands' from per-row values and
// per-column tables, each entry the same expression as `frame_alpha`'s.
class FrameRows {
 public:
  FrameRows(const BorderArgs& args, int32_t w, int32_t h)
      : alpha_(args, w, h), f_(args.flag, args.width), band_(args.width), w_(w), h_(h) {
    left_ = IndexRange{0, band_ + 1}.clipped(w);
    right_ = IndexRange{w_ - band_, w_}.clipped(w);
    for (int64_t c = left_.first; c < left_.end; ++c) left_f_.push_back(f_(double(band_ - c)));
    for (int64_t c = right_.first; c < right_.end; ++c) {
      right_f_.push_back(f_(double(c - (w_ - band_ - 1))));
    }
    // Away from the bottom and top bands only the corner squares and the
    // side bands have weight.
    const int64_t reach = std::max(alpha_.p(), band_);
    sides_ = {{IndexRange{0, reach + 1}.clipped(w), IndexRange{w_ - reach - 1, w_}.clipped(w)}};
    if (sides_[0].end >= sides_[1].first) sides_ = {{IndexRange{0, w_}, IndexRange{}}};
  }

  // Calls blend(c, a) for every column c in `columns` of stored row r whose
  // weight a may differ from 0.
  template <class Blend>
  void each_weight(int64_t r, IndexRange columns, const Blend& blend) const {
    const bool bottom = r <= band_, top = r >= h_ - band_;
    const double row_f = bottom ? f_(double(band_ - r))
                         : top  ? f_(double(r - (h_ - band_ - 1)))
                                : 0;
    auto weight = [&](int64_t c) {
      if (std::optional<double> a = alpha_.corner(c, r)) return *a;
      if (bottom) return row_f;
      if (left_.contains(c)) return left_f_[static_cast<size_t>(c - left_.first)];
      if (top) return row_f;
      if (right_.contains(c)) return right_f_[static_cast<size_t>(c - right_.first)];
      return 0.0;
    };
    if (bottom || top) {
      for (int64_t c = columns.first; c < columns.end; ++c) blend(c, weight(c));
      return;
    }
    for (const IndexRange& side : sides_) {
      const IndexRange part = side.intersect(columns);
      for (int64_t c = part.first; c < part.end; ++c) blend(c, weight(c));
    }
  }

 private:
  FrameAlpha alpha_;
  FrameCurve f_;
  int64_t band_;
  int64_t w_, h_;
  IndexRange left_, right_;
  std::vector<double> left_f_, right_f_;
  std::array<IndexRange, 2> sides_;
};

void border(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const BorderArgs args = parse_border_args(run);
  // Every falloff divides by the width.
  if (args.width == 0) fail(msg::frame_width_zero);
  Console& console = run.console();
  // No magic test, the low 8 bits of the bit count, and the header read and
  // reported twice, the output's header written in between.
  const HeaderCheck check{
      .magic = false, .line = SizeLine::infile, .index = 1, .low_byte_only = true};
  const ImageLayout image = read_bmp_header(*in, console, check);
  write_bmp24_header(*out, image.width, image.height);
  read_bmp_header(*in, console, check);
  const int64_t p = int64_t{args.width} + args.round;
  if (image.width < 2 * p || image.height < 2 * p) fail("Over Size !\n");

  const FrameRows frame(args, image.width, image.height);
  rewrite_rows24_shared(
      *in, image, *out, worker_count(4 * int64_t{image.width} * image.height),
      [](int32_t) { return 0; },
      [&](int32_t r, int32_t column, std::span<uint8_t> pixels, int) {
        const IndexRange piece{column, column + static_cast<int64_t>(pixels.size() / 3)};
        frame.each_weight(r, piece, [&](int64_t c, double a) {
          uint8_t* px = pixels.data() + 3 * (c - column);
          // ((255 - a) × in + a × colour) ÷ 255, truncated, low 8 bits.
          for (int i = 0; i < 3; ++i) {
            px[i] = static_cast<uint8_t>(
                truncate_toward_zero(((255 - a) * px[i] + a * args.colour[i]) / 255));
          }
        });
      },
      [&](int32_t r) { report_progress(console, r); });
  size_report(console, SizeReport::star, image.width, image.height);
  console.write("\n");
  out->commit();
}

}  // namespace

int run_border(std::span<const std::string_view> args) {
  return run_tool(border_spec, args, border);
}

}  // namespace bmp
