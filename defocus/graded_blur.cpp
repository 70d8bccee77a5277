#include "defocus/graded_blur.hpp"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/processor.hpp"
#include "core/row_pipeline.hpp"
#include "draw/curves.hpp"

namespace bmp {

int32_t boundary_row(int32_t height, double percent) {
  return truncate_toward_zero(static_cast<double>(height) * (1.0 - percent / 100.0));
}

GradeProfile grade_profile(Grading grading, double d1, double d2, double start, double end,
                           int32_t height) {
  return GradeProfile{grading, d1, d2, boundary_row(height, start), boundary_row(height, end)};
}

double grade_degree(int32_t row, const GradeProfile& profile) {
  // The row differences are whole numbers, formed before they become doubles
  // (in 64 bits, so that boundary rows from extreme percentages cannot overflow).
  const int64_t o = row;
  const int64_t start_row = profile.start_row;
  const int64_t end_row = profile.end_row;
  if (profile.grading == Grading::one_way) {
    if (o < end_row) return profile.d2;
    if (o >= start_row) return profile.d1;
    return ((profile.d1 - profile.d2) / static_cast<double>(start_row - end_row)) *
               static_cast<double>(o - end_row) +
           profile.d2;
  }
  if (o < end_row || o >= start_row) return profile.d1;
  // The angle runs from 360 at end_row down towards 0 at start_row, formed
  // in this order on purpose; K is 1 in the middle of the band.
  const double k = sine_rise((360 / static_cast<double>(end_row - start_row)) *
                             static_cast<double>(o - start_row));
  return (profile.d2 - profile.d1) * k + profile.d1;
}

namespace {

// Below this box size a sum (at most 255 × n, so below 2^52 and exact as a
// double) divided in double precision is never rounded up to the next whole
// number: its truncation is the floor of the true mean. From here on the
// sum is divided as an integer.
constexpr double exact_quotient_limit = 17592186044416.0;  // 2^44

// A box sum as a double, by its bits: exact for 0 <= sum < 2^52 (every sum
// below exact_quotient_limit boxes), and a conversion that vectorizes.
double exact_double(int64_t sum) {
  const uint64_t bits = static_cast<uint64_t>(sum) | 0x4330000000000000u;  // 2^52 + sum
  return std::bit_cast<double>(bits) - 4503599627370496.0;
}

// The box size (r + r + 1.0)², in the order the averages divide by it.
double box_size(int32_t radius) {
  const double side = static_cast<double>(int64_t{radius} + radius) + 1.0;
  return side * side;
}

uint8_t low_byte(double value) { return static_cast<uint8_t>(truncate_toward_zero(value)); }

}  // namespace

uint8_t box_average(uint64_t sum, int32_t radius) {
  if (radius < 0) return 0;  // an empty box
  const double n = box_size(radius);
  if (n < exact_quotient_limit) return low_byte(static_cast<double>(static_cast<int64_t>(sum)) / n);
  return static_cast<uint8_t>(sum / static_cast<uint64_t>(n));
}

uint8_t two_box_blend(int a_out, int a_in, double degree, int32_t r_in) {
  const double f = degree - r_in;
  return low_byte(a_out * f + a_in * (1 - f));  // the pass's blend(), for any degree
}

namespace {

// The loops below run on vectors as wide as the processor has
// (BMP_VECTOR_CLONES).

// out[i] = the mean of the box whose sum is high[i] − low[i]. The output
// overlaps neither input, which lets the loops run on vectors.
BMP_VECTOR_CLONES void divide_box_sums(const int64_t* __restrict high,
                                       const int64_t* __restrict low, double size,
                                       uint8_t* __restrict out, size_t n) {
  if (size < exact_quotient_limit) {
    // A mean lies in 0..255: the plain conversion truncates it exactly.
    for (size_t i = 0; i < n; ++i) {
      out[i] = static_cast<uint8_t>(static_cast<int32_t>(exact_double(high[i] - low[i]) / size));
    }
  } else {
    const auto whole = static_cast<int64_t>(size);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>((high[i] - low[i]) / whole);
  }
}

// sums[i] += entering[i] − leaving[i]: a window one row further on.
BMP_VECTOR_CLONES void slide_sums(int64_t* __restrict sums, const uint8_t* __restrict entering,
                                  const uint8_t* __restrict leaving, size_t n) {
  for (size_t i = 0; i < n; ++i) sums[i] += int64_t{entering[i]} - int64_t{leaving[i]};
}

// sums[i] += times × pixels[i].
BMP_VECTOR_CLONES void add_pixels(int64_t* __restrict sums, const uint8_t* __restrict pixels,
                                  int64_t times, size_t n) {
  if (times == 1) {
    for (size_t i = 0; i < n; ++i) sums[i] += pixels[i];
  } else if (times == -1) {
    for (size_t i = 0; i < n; ++i) sums[i] -= pixels[i];
  } else {
    for (size_t i = 0; i < n; ++i) sums[i] += times * pixels[i];
  }
}

// row[i] = trunc(A_out × f + A_in × (1 − f)). In a pass the value lies in
// 0..256 (degrees are 0 or more), so the plain conversion is exact there.
BMP_VECTOR_CLONES void blend_boxes(const uint8_t* __restrict outer, const uint8_t* __restrict inner,
                                   double f, uint8_t* __restrict row, size_t n) {
  const double g = 1 - f;
  for (size_t i = 0; i < n; ++i) {
    row[i] = static_cast<uint8_t>(static_cast<int32_t>(outer[i] * f + inner[i] * g));
  }
}

int64_t floor_div(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

// The per-column totals of the whole source, wanted only when a wrapped window
// goes round the image at least once; computed on first use.
class ColumnTotals {
 public:
  explicit ColumnTotals(const ImageRows& source) : source_(source) {}
  const std::vector<int64_t>& get() {
    std::call_once(computed_, [&] {
      totals_.assign(3 * static_cast<size_t>(source_.width()), 0);
      for (int64_t r = 0; r < source_.height(); ++r) {
        const uint8_t* pixels = source_.row(r);
        for (size_t i = 0; i < totals_.size(); ++i) totals_[i] += pixels[i];
      }
    });
    return totals_;
  }

 private:
  const ImageRows& source_;
  std::once_flag computed_;  // bands on several threads may ask at once
  std::vector<int64_t> totals_;
};

// The column sums of one box: for each column and channel (interleaved blue,
// green, red), the exact sum over the window rows first..last, the indices
// mapped into the image by the edge mode. The window moves with the output
// row; the sums follow it by the rows that enter and leave, or are formed
// afresh where that costs less. A run of mapped rows costs at most one pass
// over the image: whole turns of a wrapped run add the column totals, and a
// clamped run beyond an edge adds that edge row times its count.
class ColumnWindow {
 public:
  ColumnWindow(const ImageRows& source, EdgeMode edges, ColumnTotals& totals)
      : source_(source),
        edges_(edges),
        totals_(totals),
        sums_(3 * static_cast<size_t>(source.width()), 0) {}

  const int64_t* sums() const { return sums_.data(); }

  void move_to(int64_t first, int64_t last) {
    if (first == first_ + 1 && last == last_ + 1 && last_ >= first_) {
      slide();
      return;
    }
    const int64_t update = run_cost(std::abs(first - first_)) + run_cost(std::abs(last - last_));
    const int64_t afresh = run_cost(last - first + 1) + 1;
    if (afresh < update) {
      std::fill(sums_.begin(), sums_.end(), 0);
      add_run(first, last, 1);
    } else {
      // The sums are those of G(last + 1) − G(first) for a prefix G over the
      // mapped rows; each end moves on its own.
      if (first < first_) add_run(first, first_ - 1, 1);
      if (first > first_) add_run(first_, first - 1, -1);
      if (last > last_) add_run(last_ + 1, last, 1);
      if (last < last_) add_run(last + 1, last_, -1);
    }
    first_ = first;
    last_ = last;
  }

 private:
  int64_t mapped(int64_t k) const { return map_edge_index(k, source_.height(), edges_); }

  // Rows touched by a run of `length` mapped rows.
  int64_t run_cost(int64_t length) const { return std::min<int64_t>(length, source_.height()); }

  // One row in, one row out: the step of every output row at a steady radius.
  void slide() {
    slide_sums(sums_.data(), source_.row(mapped(last_ + 1)), source_.row(mapped(first_)),
               sums_.size());
    ++first_;
    ++last_;
  }

  void add_row(int64_t row, int64_t times) {
    add_pixels(sums_.data(), source_.row(row), times, sums_.size());
  }

  // Adds sign × the rows mapped from first..last (first <= last).
  void add_run(int64_t first, int64_t last, int64_t sign) {
    const int64_t n = source_.height();
    if (edges_ == EdgeMode::clamp) {
      if (first < 0) {
        add_row(0, sign * (std::min<int64_t>(last, -1) - first + 1));
        first = 0;
      }
      if (last >= n) {
        add_row(n - 1, sign * (last - std::max(first, n) + 1));
        last = n - 1;
      }
      for (int64_t k = first; k <= last; ++k) add_row(k, sign);
      return;
    }
    int64_t length = last - first + 1;
    if (length >= n) {
      const int64_t turns = sign * (length / n);
      const std::vector<int64_t>& totals = totals_.get();
      for (size_t i = 0; i < sums_.size(); ++i) sums_[i] += turns * totals[i];
      length %= n;
    }
    for (int64_t k = mapped(first); length > 0; --length, k = k + 1 == n ? 0 : k + 1)
      add_row(k, sign);
  }

  const ImageRows& source_;
  EdgeMode edges_;
  ColumnTotals& totals_;
  std::vector<int64_t> sums_;
  int64_t first_ = 0;  // the window first_..last_; empty at the start
  int64_t last_ = -1;
};

// The box averages of one output row from a window's column sums: the row
// sums over columns x − r .. x + r come from a prefix over the mapped columns,
// so a row costs the same for every radius.
class RowAverager {
 public:
  RowAverager(int32_t width, EdgeMode edges)
      : width_(width),
        edges_(edges),
        prefix_(3 * (static_cast<size_t>(width) + 1)),
        window_(3 * static_cast<size_t>(width)),
        zeros_(3 * static_cast<size_t>(width)) {}

  void average(const int64_t* sums, int32_t radius, uint8_t* out) {
    const size_t n3 = window_.size();
    if (radius < 0) {  // an empty box
      std::fill(out, out + n3, uint8_t{0});
      return;
    }
    int64_t* prefix = prefix_.data();
    int64_t blue = 0, green = 0, red = 0;  // running totals, kept out of memory
    prefix[0] = prefix[1] = prefix[2] = 0;
    for (size_t i = 0; i < n3; i += 3) {
      prefix[i + 3] = blue += sums[i];
      prefix[i + 4] = green += sums[i + 1];
      prefix[i + 5] = red += sums[i + 2];
    }

    // Columns whose window lies inside the row take the difference of two
    // prefix entries; the others map the columns beyond the row.
    const int64_t w = width_;
    const int64_t r = radius;
    const size_t inside_first = static_cast<size_t>(std::min(r, w));
    const size_t inside_end = static_cast<size_t>(std::max(w - r, std::min(r, w)));  // one past
    const double size = box_size(radius);
    for (size_t x = 0; x < inside_first; ++x) window_sums_mapped(sums, x, r);
    for (size_t x = inside_end; x < static_cast<size_t>(w); ++x) window_sums_mapped(sums, x, r);
    const size_t reach = static_cast<size_t>(3 * r);
    divide_box_sums(prefix + 3 * inside_first + reach + 3, prefix + 3 * inside_first - reach, size,
                    out + 3 * inside_first, 3 * (inside_end - inside_first));
    divide_box_sums(window_.data(), zeros_.data(), size, out, 3 * inside_first);
    divide_box_sums(window_.data() + 3 * inside_end, zeros_.data(), size, out + 3 * inside_end,
                    n3 - 3 * inside_end);
  }

 private:
  // G(m): the sum of the mapped columns' sums over column indices below m
  // (negative for m < 0), per channel c.
  int64_t prefix_at(const int64_t* sums, int64_t m, int c) const {
    const int64_t w = width_;
    const int64_t* prefix = prefix_.data();
    if (edges_ == EdgeMode::wrap) {
      const int64_t turns = floor_div(m, w);
      return turns * prefix[3 * w + c] + prefix[3 * (m - turns * w) + c];
    }
    if (m <= 0) return m * sums[c];
    if (m >= w) return prefix[3 * w + c] + (m - w) * sums[3 * (w - 1) + c];
    return prefix[3 * m + c];
  }

  void window_sums_mapped(const int64_t* sums, size_t x, int64_t r) {
    const auto column = static_cast<int64_t>(x);
    for (int c = 0; c < 3; ++c) {
      window_[3 * x + static_cast<size_t>(c)] =
          prefix_at(sums, column + r + 1, c) - prefix_at(sums, column - r, c);
    }
  }

  int32_t width_;
  EdgeMode edges_;
  std::vector<int64_t> prefix_;
  std::vector<int64_t> window_;  // the sums of the columns near the row's ends
  std::vector<int64_t> zeros_;
};

// Blurs output rows one after another: the column windows follow the rows,
// so rows taken in order cost a slide each. The sums are exact integers, so
// a blurrer that starts at any row gets the same bytes there as one that
// came from the bottom.
class RowBlurrer {
 public:
  RowBlurrer(const ImageRows& source, const DegreeOfRow& degree_of_row, EdgeMode edges,
             ColumnTotals& totals)
      : degree_of_row_(degree_of_row),
        outer_(source, edges, totals),
        inner_(source, edges, totals),
        averager_(source.width(), edges),
        outer_average_(3 * static_cast<size_t>(source.width())),
        inner_average_(3 * static_cast<size_t>(source.width())) {}

  void blur(int32_t o, uint8_t* row) {
    const double z = degree_of_row_(o);
    const int32_t radius_out = r_out(z);
    const int32_t radius_in = r_in(z);
    const double f = z - radius_in;
    if (radius_in >= 0) inner_.move_to(o - int64_t{radius_in}, o + int64_t{radius_in});
    if (f == 0) {
      // A_out × 0 + A_in × 1 is exactly A_in: the outer box is not needed.
      averager_.average(inner_.sums(), radius_in, row);
      return;
    }
    if (radius_out >= 0) outer_.move_to(o - int64_t{radius_out}, o + int64_t{radius_out});
    averager_.average(outer_.sums(), radius_out, outer_average_.data());
    averager_.average(inner_.sums(), radius_in, inner_average_.data());
    blend_boxes(outer_average_.data(), inner_average_.data(), f, row, inner_average_.size());
  }

 private:
  const DegreeOfRow& degree_of_row_;
  ColumnWindow outer_;
  ColumnWindow inner_;
  RowAverager averager_;
  std::vector<uint8_t> outer_average_;
  std::vector<uint8_t> inner_average_;
};

// The outer radius of the widest box any row takes.
int64_t widest_radius(int32_t height, const DegreeOfRow& degree_of_row) {
  int64_t widest = 0;
  for (int32_t o = 0; o < height; ++o) widest = std::max<int64_t>(widest, r_out(degree_of_row(o)));
  return widest;
}

// The bytes of the runs in flight of a shared pass.
constexpr size_t blur_pipeline_bytes = size_t{32} << 20;

// Runs of rows for the threads: a thread blurs a whole run, its windows
// sliding from row to row, and starts them afresh (2r + 1 rows) at its next
// run, so a run is a window high, unless that leaves fewer than two runs a
// thread. Two runs more than the threads are in flight: one being written,
// one ready for the next thread free. (Fresh memory is dear here: a smaller
// ring costs less to set up and stays in the caches for the writing.)
PipelineShape blur_pipeline_shape(int32_t height, size_t row_bytes, int64_t radius,
                                  unsigned workers) {
  const int64_t shared = std::max<int64_t>(32, height / (2 * int64_t{workers}));
  const int64_t run_rows = std::clamp<int64_t>(2 * radius + 1, 32, shared);
  const int64_t fitting =
      static_cast<int64_t>(blur_pipeline_bytes / (static_cast<size_t>(run_rows) * row_bytes));
  return {run_rows, std::min<int64_t>(int64_t{workers} + 2, fitting), true};
}

}  // namespace

void box_blur_pass(const ImageRows& source, OutputFile& dest, const DegreeOfRow& degree_of_row,
                   EdgeMode edges, const RowDone& after_row) {
  const int32_t width = source.width();
  const int32_t height = source.height();
  ColumnTotals totals(source);
  const size_t row_bytes = static_cast<size_t>(row_bytes24(width));
  unsigned workers = worker_count(12 * int64_t{width} * height);
  PipelineShape shape;
  if (workers > 1 && width > 0) {
    shape = blur_pipeline_shape(height, row_bytes, widest_radius(height, degree_of_row), workers);
    // One run is being written while the others are blurred.
    workers =
        shape.slots > 2 ? static_cast<unsigned>(std::min<int64_t>(workers, shape.slots - 1)) : 1;
  }
  if (workers <= 1 || width == 0) {
    RowBlurrer blurrer(source, degree_of_row, edges, totals);
    for (int32_t o = 0; o < height; ++o) {
      uint8_t* row = next_row24(dest, width).data();
      if (width > 0) blurrer.blur(o, row);
      after_row(o);
    }
    return;
  }
  const size_t pixel_bytes = 3 * static_cast<size_t>(width);
  pipeline_row_runs24(
      dest, height, row_bytes, workers, shape, [](int32_t, std::span<uint8_t>) {},
      [](int32_t) { return 0; },
      [&] {
        return [blurrer = std::make_unique<RowBlurrer>(source, degree_of_row, edges, totals),
                pixel_bytes, row_bytes](const RowBlock& run, std::span<const int>) {
          for (int32_t k = 0; k < run.count; ++k) {
            std::span<uint8_t> row = run.row(k, row_bytes);
            blurrer->blur(run.first + k, row.data());
            zero_padding(row, pixel_bytes);
          }
        };
      },
      after_row);
}

void graded_box_blur_pass(const ImageRows& source, OutputFile& dest, const GradeProfile& profile,
                          EdgeMode edges, const RowDone& after_row) {
  box_blur_pass(
      source, dest, [&](int32_t row) { return grade_degree(row, profile); }, edges, after_row);
}

}  // namespace bmp
