#include "defocus/fractional_box.hpp"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <variant>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/bmp_io.hpp"
#include "core/page_buffer.hpp"
#include "core/parallel.hpp"
#include "core/processor.hpp"
#include "core/row_bands.hpp"

namespace bmp {
namespace {

using Channels = std::array<double, 3>;

inline int64_t mapped(int64_t i, int64_t n, EdgeMode mode) {
  return (i >= 0 && i < n) ? i : map_edge_index(i, n, mode);
}

// The widest lanes the vector paths may use; tests set it lower.
std::atomic<int> lane_limit{8};

#if defined(__x86_64__)
#define BMP_AVX2 __attribute__((target("avx2")))
#define BMP_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline
#define BMP_AVX512_TARGET target("avx2,avx512f,avx512vl,avx512bw,avx512vbmi")
#define BMP_AVX512 __attribute__((BMP_AVX512_TARGET))
#define BMP_AVX512_INLINE __attribute__((BMP_AVX512_TARGET, always_inline)) inline
// GCC 12 takes the undefined pass-through operand inside its AVX-512
// intrinsics for an uninitialised value: those warnings are off around them.
#if defined(__GNUC__) && !defined(__clang__)
#define BMP_AVX512_WARNINGS_OFF                                                        \
  _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wuninitialized\"") \
      _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")
#define BMP_AVX512_WARNINGS_ON _Pragma("GCC diagnostic pop")
#else
#define BMP_AVX512_WARNINGS_OFF
#define BMP_AVX512_WARNINGS_ON
#endif

// The widest lanes this processor has, within lane_limit: 8 with the
// AVX-512 byte permutes, 4 with AVX2.
int lane_width() {
  static const int present = has_avx512_byte_permutes() ? 8 : has_avx2() ? 4 : 0;
  return std::min(present, lane_limit.load(std::memory_order_relaxed));
}

// Twelve bytes from `at` on, zero-extended to 32 bits.
BMP_AVX2_INLINE void byte_lanes(const uint8_t* at, __m128i* out) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  out[0] = _mm_cvtepu8_epi32(bytes);
  out[1] = _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 4));
  out[2] = _mm_cvtepu8_epi32(_mm_srli_si128(bytes, 8));
}

// A 32-bit prefix row from the one above it, four pixels at a time while
// each 16-byte load stays inside the row: here[3(l + 1) + c] = above[3(l +
// 1) + c] + the sum of channel c over columns 0 .. l, wrapping as the
// scalar sums do. Returns the columns done; run holds their channel sums.
BMP_AVX2 int64_t add_prefix_row_avx2(const uint8_t* pixel, const uint32_t* above, uint32_t* here,
                                     int64_t width, uint32_t* run) {
  __m128i carry = _mm_setr_epi32(0, static_cast<int>(run[0]), static_cast<int>(run[1]),
                                 static_cast<int>(run[2]));  // lanes 1, 2, 3: b, g, r so far
  int64_t column = 0;
  for (; column + 6 <= width; column += 4, pixel += 12) {
    __m128i v[3];
    byte_lanes(pixel, v);  // lane j: pixel j / 3, channel j % 3
    // Sums three lanes apart: each lane gains the lanes 3, 6 and 9 before it.
    const __m128i y0 = _mm_add_epi32(v[0], _mm_slli_si128(v[0], 12));
    const __m128i y1 = _mm_add_epi32(v[1], _mm_alignr_epi8(v[1], v[0], 4));
    const __m128i y2 = _mm_add_epi32(v[2], _mm_alignr_epi8(v[2], v[1], 4));
    __m128i z[3] = {y0, _mm_add_epi32(y1, _mm_slli_si128(y0, 8)),
                    _mm_add_epi32(y2, _mm_alignr_epi8(y1, y0, 8))};
    // And the sums of the columns before (lanes 1, 2, 3 of carry: b, g, r).
    z[0] = _mm_add_epi32(z[0], _mm_shuffle_epi32(carry, _MM_SHUFFLE(1, 3, 2, 1)));
    z[1] = _mm_add_epi32(z[1], _mm_shuffle_epi32(carry, _MM_SHUFFLE(2, 1, 3, 2)));
    z[2] = _mm_add_epi32(z[2], _mm_shuffle_epi32(carry, _MM_SHUFFLE(3, 2, 1, 3)));
    carry = z[2];  // lanes 1, 2, 3: the last pixel's b, g, r
    for (int part = 0; part < 3; ++part) {
      const auto* from = reinterpret_cast<const __m128i*>(above + 3 * (column + 1) + 4 * part);
      auto* to = reinterpret_cast<__m128i*>(here + 3 * (column + 1) + 4 * part);
      _mm_storeu_si128(to, _mm_add_epi32(_mm_loadu_si128(from), z[part]));
    }
  }
  run[0] = static_cast<uint32_t>(_mm_extract_epi32(carry, 1));
  run[1] = static_cast<uint32_t>(_mm_extract_epi32(carry, 2));
  run[2] = static_cast<uint32_t>(_mm_extract_epi32(carry, 3));
  return column;
}
#endif

// ---- Summed-area tables over the edge-mapped plane ---------------------------

// The rows a table sums: an image's, or a ring of the latest rows of a pass
// held in memory in runs of `run_rows` rows, row r in run r / run_rows at
// place (r / run_rows) % runs of `runs`.
class SourceRows {
 public:
  SourceRows(const ImageRows& image) : image_(&image) {}  // NOLINT: an image is its rows
  SourceRows(const uint8_t* const* runs, int64_t run_rows, int64_t run_count, size_t stride)
      : runs_(runs), run_rows_(run_rows), run_count_(run_count), stride_(stride) {}
  const uint8_t* row(int64_t r) const {
    if (image_ != nullptr) return image_->row(r);
    return runs_[(r / run_rows_) % run_count_] + static_cast<size_t>(r % run_rows_) * stride_;
  }

 private:
  const ImageRows* image_ = nullptr;
  const uint8_t* const* runs_ = nullptr;
  int64_t run_rows_ = 1;
  int64_t run_count_ = 1;
  size_t stride_ = 0;
};

// The sum of entries 0..k-1 of an axis of n entries, indices mapped by the
// edge mode (k may lie anywhere; below 0 the sum counts negatively), written
// as at most two prefix lengths of the axis with whole coefficients.
struct PrefixTerm {
  int64_t coefficient;
  int64_t length;
};
struct AxisPrefix {
  PrefixTerm terms[2];
  int count;
};

AxisPrefix axis_prefix(int64_t k, int64_t n, EdgeMode mode) {
  if (mode == EdgeMode::clamp) {
    if (k <= 0) return {{{k, 1}, {0, 0}}, 1};  // -k copies of entry 0, counted negatively
    if (k <= n) return {{{1, k}, {0, 0}}, 1};
    return {{{1 + (k - n), n}, {-(k - n), n - 1}}, 2};  // and k - n copies of entry n - 1
  }
  int64_t turns = k / n;
  int64_t rest = k % n;
  if (rest < 0) {
    rest += n;
    --turns;
  }
  return {{{turns, n}, {1, rest}}, 2};
}

// Prefix sums of the three channels over window rows: the entry of prefix k
// and column l is the sum over the window rows from the table's first up to
// k - 1 and the columns < l, in an unsigned type whose wrap-around leaves
// every window sum exact while the true sum fits the type. A ring table holds
// the prefixes of the latest window rows, each row the image row the edge
// mode maps it to, and moves down by adding rows; it answers for windows
// inside the rows it holds. The whole-image table holds the image's rows and
// maps window rows at lookup, for windows of any size.
template <class Sum>
class AreaSums {
 public:
  using Triple = std::array<Sum, 3>;

  AreaSums(int64_t width, int64_t height, EdgeMode mode)
      : width_(width), height_(height), mode_(mode) {}

  // The table's memory for rings of `rows` window rows, its pages mapped as
  // they are first written (at least one huge page: a single fault).
  void reserve_ring(int64_t rows) {
    const size_t slots = std::bit_ceil(static_cast<size_t>(rows + 1));
    const size_t bytes = slots * static_cast<size_t>(width_ + 1) * 3 * sizeof(Sum);
    if (sums_.size() < bytes) sums_ = PageBuffer::filled_later(std::max(bytes, size_t{2} << 20));
  }
  // An empty ring from window row `first` on, for `rows` window rows at once.
  void start_ring(const SourceRows& source, int64_t first, int64_t rows) {
    const size_t slots = std::bit_ceil(static_cast<size_t>(rows + 1));
    start(source, first, slots, static_cast<int64_t>(slots) - 1);
  }
  // Adds the window rows up to `end` (exclusive); the oldest leave the ring.
  void add_rows_until(int64_t end) {
    for (; end_ < end; ++end_) add_row(end_);
  }
  // The window rows first .. first + count - 1.
  void build_band(const SourceRows& source, int64_t first, int64_t count) {
    start_ring(source, first, count);
    add_rows_until(first + count);
  }
  void build_whole_image(const SourceRows& source) {
    start(source, 0, static_cast<size_t>(height_ + 1), -1);
    add_rows_until(height_);
    whole_image_ = true;
  }

  // The image row of window row `row`, mapped by the edge mode.
  const uint8_t* row_pixels(int64_t row) const {
    return rows_[static_cast<size_t>(whole_image_ ? mapped(row, height_, mode_) : slot(row))];
  }

  // The channel sums over window rows row0..row1 and columns col0..col1
  // (inclusive; columns mapped by the edge mode, as many times round as
  // they reach).
  Triple box(int64_t row0, int64_t row1, int64_t col0, int64_t col1) const {
    if ((!whole_image_ || (row0 >= 0 && row1 < height_)) && col0 >= 0 && col1 < width_) {
      const Sum* a = entry(row1 + 1, col1 + 1);
      const Sum* b = entry(row0, col1 + 1);
      const Sum* c = entry(row1 + 1, col0);
      const Sum* d = entry(row0, col0);
      return {Sum(a[0] - b[0] - c[0] + d[0]), Sum(a[1] - b[1] - c[1] + d[1]),
              Sum(a[2] - b[2] - c[2] + d[2])};
    }
    return mapped_box(row0, row1, col0, col1);
  }

  // Whether window row `row` is looked up without mapping, and then the
  // entries of prefix k (column l's channel c at 3l + c).
  bool direct_row(int64_t row) const { return !whole_image_ || (row >= 0 && row < height_); }
  const Sum* prefix_row(int64_t k) const { return entry(k, 0); }

  // Channel c of window row `row` summed over columns col0..col1 (mapped).
  Sum row_run(int64_t row, int64_t col0, int64_t col1, int c) const {
    if ((!whole_image_ || (row >= 0 && row < height_)) && col0 >= 0 && col1 < width_) {
      return Sum(entry(row + 1, col1 + 1)[c] - entry(row, col1 + 1)[c] - entry(row + 1, col0)[c] +
                 entry(row, col0)[c]);
    }
    return mapped_box(row, row, col0, col1)[c];
  }

 private:
  // A box that reaches past the image's sides (or, in the whole-image table,
  // its top or bottom).
  [[gnu::noinline]] Triple mapped_box(int64_t row0, int64_t row1, int64_t col0,
                                      int64_t col1) const {
    Triple a = prefix(row1 + 1, col1 + 1), b = prefix(row0, col1 + 1);
    Triple c = prefix(row1 + 1, col0), d = prefix(row0, col0);
    return {Sum(a[0] - b[0] - c[0] + d[0]), Sum(a[1] - b[1] - c[1] + d[1]),
            Sum(a[2] - b[2] - c[2] + d[2])};
  }

  void start(const SourceRows& source, int64_t first, size_t slots, int64_t slot_mask) {
    whole_image_ = false;
    source_ = source;
    slot_mask_ = slot_mask;
    rows_.resize(slots);
    // Every row of the table is written before it is read: no zeroing, and
    // the pages are mapped in one go.
    const size_t bytes = slots * static_cast<size_t>(width_ + 1) * 3 * sizeof(Sum);
    if (sums_.size() < bytes) sums_ = PageBuffer(bytes);
    first_ = first;
    end_ = first;
    std::fill_n(&table()[index(first, 0)], (width_ + 1) * 3, Sum{0});
  }

  // The prefix of window row `row` from the one above it.
  void add_row(int64_t row) {
    const uint8_t* pixel = source_.row(mapped(row, height_, mode_));
    rows_[static_cast<size_t>(slot(row))] = pixel;
    const Sum* above = entry(row, 0);
    Sum* here = &table()[index(row + 1, 0)];
    Sum run[3] = {0, 0, 0};
    here[0] = here[1] = here[2] = 0;
    int64_t column = 0;
#if defined(__x86_64__)
    if constexpr (std::is_same_v<Sum, uint32_t>) {
      if (lane_width() >= 4) {
        column = add_prefix_row_avx2(pixel, above, here, width_, run);
        pixel += 3 * column;
      }
    }
#endif
    for (; column < width_; ++column, pixel += 3) {
      for (int c = 0; c < 3; ++c) {
        run[c] += pixel[c];
        here[3 * (column + 1) + c] = above[3 * (column + 1) + c] + run[c];
      }
    }
  }

  // The place of window row (or prefix) k in the ring.
  int64_t slot(int64_t k) const { return (k - first_) & slot_mask_; }
  size_t index(int64_t k, int64_t columns) const {
    return static_cast<size_t>((slot(k) * (width_ + 1) + columns) * 3);
  }
  Sum* table() const { return reinterpret_cast<Sum*>(sums_.data()); }
  const Sum* entry(int64_t k, int64_t columns) const { return &table()[index(k, columns)]; }

  // The sum over window rows below k (from the table's first) and columns
  // below l.
  Triple prefix(int64_t k, int64_t l) const {
    const AxisPrefix rows =
        whole_image_ ? axis_prefix(k, height_, mode_) : AxisPrefix{{{1, k}, {0, 0}}, 1};
    const AxisPrefix columns = axis_prefix(l, width_, mode_);
    Triple total{0, 0, 0};
    for (int a = 0; a < rows.count; ++a) {
      for (int b = 0; b < columns.count; ++b) {
        const Sum weight = static_cast<Sum>(rows.terms[a].coefficient) *
                           static_cast<Sum>(columns.terms[b].coefficient);
        const Sum* e = entry(rows.terms[a].length, columns.terms[b].length);
        for (int c = 0; c < 3; ++c) total[c] += weight * e[c];
      }
    }
    return total;
  }

  int64_t width_;
  int64_t height_;
  EdgeMode mode_;
  SourceRows source_{nullptr, 1, 1, 0};
  bool whole_image_ = false;
  int64_t first_ = 0;      // the window row of prefix 0's place
  int64_t end_ = 0;        // window rows below this one are summed
  int64_t slot_mask_ = 0;  // ring places - 1; all ones for the whole image
  std::vector<const uint8_t*> rows_;
  PageBuffer sums_;  // the prefix rows, Sum a channel
};

// ---- The plain loop's sums, re-run exactly ----------------------------------

// 2^(e + 1) for a positive s in [2^e, 2^(e + 1)): below it, adding whole
// numbers to s is exact, since s's last bit is worth at most 1.
inline double power_above(double s) {
  uint64_t exponent = std::bit_cast<uint64_t>(s) & 0x7ff0000000000000ull;
  return std::bit_cast<double>(exponent + (uint64_t{1} << 52));
}

// The plain additions of a run of values (value(i) for i < count) to s.
template <class Value>
[[gnu::noinline]] double add_one_by_one(double s, int64_t count, Value value) {
  for (int64_t i = 0; i < count; ++i) s += value(i);
  return s;
}

// s plus a run of whole values 0..255 (value(i) for i < count, summing to
// `total`), as one by one additions form it. Whole numbers add exactly to s
// while the running sum stays below its next power of two, limit; the
// addition that reaches it rounds to the grid there, and since the values are
// multiples of that grid the rounding falls on s's low bits alone, wherever in
// the run it happens: s becomes (s + limit) - limit. That needs each value to
// cross one power of two at most (two at once round only once), which holds
// when no value exceeds s: when s >= 255 or s >= total; and sums below 2^50,
// so that whole numbers are even multiples of every grid they meet. Otherwise
// the run is added one by one.
template <class Value>
inline double add_whole_run(double s, double total, int64_t count, Value value) {
  const double sum = s + total;
  if (sum < power_above(s)) return sum;  // no power of two in the way (s = 0: nothing added)
  if (s == 0) return total;              // whole partial sums below 2^53: exact
  if ((s < 255 && s < total) || sum >= 0x1p50) return add_one_by_one(s, count, value);
  for (double limit = power_above(s); s + total >= limit; limit *= 2) s = (s + limit) - limit;
  return s + total;
}

// How the runs of weight-1 values inside the inner rows are added: one by
// one (cheaper for small windows), or at once through add_whole_run.
enum class Runs { one_by_one, at_once };

// Channel c's sum over the window exactly as the plain loop forms it: rows
// y - M to y + M, in each columns x - M to x + M, sum += weight × value. Every
// addition of a weighted value is made as the loop makes it (weight-1 values
// are added as they are: 1 × v is v). offset(i) is the byte offset of window
// column i's pixel in a row.
template <Runs runs, class Table, class ColumnOffset>
double loop_sum(const Table& sums, int c, int64_t x, int64_t y, const BoxWindow& window,
                ColumnOffset offset) {
  const int64_t m = window.half_width;
  const int64_t last = 2 * m;
  const double f = window.fraction;
  const double ff = window.corner;
  double s = 0;
  auto ring_row = [&](int64_t row) {
    const uint8_t* base = sums.row_pixels(row) + c;
    s += ff * base[offset(0)];
    for (int64_t i = 1; i < last; ++i) s += f * base[offset(i)];
    s += ff * base[offset(last)];
  };

  ring_row(y - m);
  for (int64_t row = y - m + 1; row < y + m; ++row) {
    const uint8_t* base = sums.row_pixels(row) + c;
    s += f * base[offset(0)];
    if constexpr (runs == Runs::at_once) {
      const double run = static_cast<double>(sums.row_run(row, x - m + 1, x + m - 1, c));
      s = add_whole_run(s, run, last - 1,
                        [&](int64_t i) { return static_cast<double>(base[offset(1 + i)]); });
    } else {
      for (int64_t i = 1; i < last; ++i) s += base[offset(i)];
    }
    s += f * base[offset(last)];
  }
  ring_row(y + m);
  return s;
}

// Up to this half-width the runs go one by one.
constexpr int64_t plain_loop_half_width = 3;

// ---- Deciding a pixel --------------------------------------------------------

// True when every product weight × value and every partial sum of a window of
// `samples` values is exact, so that any order of addition gives the loop's
// sum. With f = odd × 2^e every term is a multiple of 2^(2e), and the partial
// sums, at most 255 × samples, are exact below 2^53 × 2^(2e). For a window of 9
// or more samples that needs e >= -20, so the odd part (below 2^-e, as f < 1)
// is under 2^20, and f², f × v and f² × v are exact as well.
bool sums_exactly(double fraction, double samples) {
  if (fraction == 0) return true;
  const uint64_t bits = std::bit_cast<uint64_t>(fraction);
  const int biased = static_cast<int>(bits >> 52);
  if (biased == 0) return false;  // subnormal: far too many digits
  const uint64_t digits = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  const int exponent = biased - 1075 + std::countr_zero(digits);  // fraction = odd × 2^exponent
  const int bound = 53 + 2 * exponent;
  if (bound <= 0) return false;
  return 255.0 * samples < std::bit_cast<double>(static_cast<uint64_t>(bound + 1023) << 52);
}

// The loop's sum of n terms lies within (n + 16) × 2^-52 × E of the estimate
// E formed from the window's whole-number parts; see settled_channel. Beyond
// 2^42 terms the bound is not used.
constexpr double max_bounded_samples = 0x1p42;

// trunc(fl(loop / area)) when every quotient within `slack` of `quotient`
// truncates alike, or -1. Here quotient = E × fl(1 / area) for the estimate
// E of the window's exact sum, and slack = (n + 16) × 2^-52 × quotient (plus
// 2^-900) for a window of n samples. Why that holds the loop's quotient: the
// loop adds n non-negative rounded products in double, so |loop - exact| <=
// γ(n) × exact with γ(n) = n u / (1 - n u), u = 2^-53; E's own three roundings
// add γ(3). With n u <= 2^-11 the two stay below (n + 3) × 1.001 × u × E. The
// quotients add three roundings (1 / area, E × that, and the loop's own
// loop / area), so the loop's quotient lies within ((n + 3) × 1.001 + 4) u ×
// quotient of `quotient`. The slack, 2 (n + 16) u × quotient, is more than
// twice that, and so also covers the roundings of quotient ± slack. The 2^-900
// covers products that fall into the subnormal range. Truncation is monotone,
// so equal results at the two ends settle everything between.
// (The quotients lie in [-1, 256], so the plain conversion truncates them.)
int settled_channel(double quotient, double slack) {
  const int low = static_cast<int>(quotient - slack);
  const int high = static_cast<int>(quotient + slack);
  return low == high ? low : -1;
}

// trunc(sum / area) for a window's sum, at most 255 × area (plus rounding).
inline uint8_t channel_byte(double sum, double area) {
  return static_cast<uint8_t>(static_cast<int>(sum / area));
}

// What a pixel's sums need of its radius, worked out once for a run of
// pixels of the same radius.
struct WindowPlan {
  explicit WindowPlan(double radius)
      : window(box_window(radius)),
        samples(static_cast<double>(2 * window.half_width + 1) *
                static_cast<double>(2 * window.half_width + 1)),
        exact(sums_exactly(window.fraction, samples)),
        bounded(samples <= max_bounded_samples),
        inverse_area(1 / window.area),
        relative_slack((samples + 16) * 0x1p-52) {}

  WindowPlan(const BoxWindow& window, double samples, bool exact, bool bounded, double inverse_area,
             double relative_slack)
      : window(window),
        samples(samples),
        exact(exact),
        bounded(bounded),
        inverse_area(inverse_area),
        relative_slack(relative_slack) {}

  BoxWindow window;
  double samples;  // (2M + 1)²
  bool exact;      // the loop forms exactly the estimate
  bool bounded;    // the estimate's error bound holds
  double inverse_area;
  double relative_slack;
};

// WindowPlan of radii from 0 up to 2^29, into one array per quantity, and
// whether each may sum exactly (only a fraction whose low 31 bits are 0 can:
// see sums_exactly, where at least 255 × 1 must lie below 2^(53 + 2e)),
// whether its bound holds, and whether the estimate's vector form serves it
// were it not exact.
BMP_VECTOR_CLONES void plan_windows(const double* __restrict radius, size_t n,
                                    int64_t* __restrict half_width, double* __restrict fraction,
                                    double* __restrict corner, double* __restrict area,
                                    double* __restrict samples, double* __restrict inverse_area,
                                    double* __restrict relative_slack,
                                    uint8_t* __restrict maybe_exact, uint8_t* __restrict bounded,
                                    uint8_t* __restrict four_lanes) {
  for (size_t i = 0; i < n; ++i) {
    const double r = radius[i];
    const auto whole = static_cast<int32_t>(r);  // r_in: r lies in [0, 2^29]
    const double f = r - whole;
    const double side = 2 * (whole + 1) + 1;
    half_width[i] = int64_t{whole} + 1;
    fraction[i] = f;
    corner[i] = f * f;
    area[i] = (2 * r + 1) * (2 * r + 1);
    samples[i] = side * side;
    inverse_area[i] = 1 / area[i];
    relative_slack[i] = (samples[i] + 16) * 0x1p-52;
    uint64_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    const bool candidate = (bits & 0x7fffffffu) == 0;
    const bool within = samples[i] <= max_bounded_samples;
    maybe_exact[i] = candidate;
    bounded[i] = within;
    four_lanes[i] = f != 0 && !candidate && within;
  }
}

// The plans of a row's radii, one array per quantity, so that the vector
// paths load four or eight pixels' at once; pixel x's plan at index x. A
// plan depends on its radius alone, so entries planned for one row serve the
// next wherever its radii are the same. Radii beyond 2^29, far beyond any
// degree, are planned one by one.
class RowWindows {
 public:
  // The plans of pixels begin .. end - 1 of a row of radii.
  void plan(std::span<const double> radii, size_t begin, size_t end) {
    if (half_width_.size() < radii.size()) resize(radii.size());
    const size_t n = end - begin;
    if (n == 0) return;
    // Radii the same as those last planned there (uniform filters, equal
    // degrees, filters that change only across) keep their plans.
    if (end <= planned_end_ &&
        std::memcmp(&planned_[begin], &radii[begin], n * sizeof(double)) == 0) {
      return;
    }
    std::copy(radii.begin() + static_cast<ptrdiff_t>(begin),
              radii.begin() + static_cast<ptrdiff_t>(end),
              planned_.begin() + static_cast<ptrdiff_t>(begin));
    if (begin <= planned_end_) planned_end_ = std::max(planned_end_, end);
    bool plain = true;
    for (size_t i = begin; i < end; ++i) plain &= radii[i] >= 0 && radii[i] <= 0x1p29;
    if (!plain) {
      for (size_t i = begin; i < end; ++i) set(i, WindowPlan(radii[i]));
      return;
    }
    plan_windows(&radii[begin], n, &half_width_[begin], &fraction_[begin], &corner_[begin],
                 &area_[begin], &samples_[begin], &inverse_area_[begin], &relative_slack_[begin],
                 &exact_[begin], &bounded_[begin], &four_lanes_[begin]);
    // The few that may sum exactly are worked out.
    for (size_t i = begin; const void* found = std::memchr(exact_.data() + i, 1, end - i); ++i) {
      i = static_cast<size_t>(static_cast<const uint8_t*>(found) - exact_.data());
      exact_[i] = sums_exactly(fraction_[i], samples_[i]);
      four_lanes_[i] = fraction_[i] != 0 && exact_[i] == 0 && bounded_[i] != 0;
    }
  }

  WindowPlan at(size_t i) const {
    return WindowPlan(window(i), samples_[i], exact_[i] != 0, bounded_[i] != 0, inverse_area_[i],
                      relative_slack_[i]);
  }
  BoxWindow window(size_t i) const { return {half_width_[i], fraction_[i], corner_[i], area_[i]}; }
  int64_t half_width(size_t i) const { return half_width_[i]; }
  // Whether the estimate's vector form serves pixels i .. i + 3: one
  // half-width, fractions above 0, neither exact nor unbounded.
  bool four_in_lanes(size_t i) const {
    return four_lanes_[i] != 0 && four_lanes_[i + 1] != 0 && four_lanes_[i + 2] != 0 &&
           four_lanes_[i + 3] != 0 && half_width_[i] == half_width_[i + 1] &&
           half_width_[i] == half_width_[i + 2] && half_width_[i] == half_width_[i + 3];
  }
  const double* fraction(size_t i) const { return &fraction_[i]; }
  const double* corner(size_t i) const { return &corner_[i]; }
  const double* area(size_t i) const { return &area_[i]; }
  const double* inverse_area(size_t i) const { return &inverse_area_[i]; }
  const double* relative_slack(size_t i) const { return &relative_slack_[i]; }

 private:
  void resize(size_t n) {
    planned_.resize(n);
    half_width_.resize(n);
    for (auto* v : {&fraction_, &corner_, &area_, &samples_, &inverse_area_, &relative_slack_}) {
      v->resize(n);
    }
    exact_.resize(n);
    bounded_.resize(n);
    four_lanes_.resize(n);
  }
  void set(size_t i, const WindowPlan& plan) {
    exact_[i] = plan.exact;
    bounded_[i] = plan.bounded;
    four_lanes_[i] = plan.window.fraction != 0 && !plan.exact && plan.bounded;
    half_width_[i] = plan.window.half_width;
    fraction_[i] = plan.window.fraction;
    corner_[i] = plan.window.corner;
    area_[i] = plan.window.area;
    samples_[i] = plan.samples;
    inverse_area_[i] = plan.inverse_area;
    relative_slack_[i] = plan.relative_slack;
  }

  std::vector<int64_t> half_width_;
  std::vector<double> fraction_, corner_, area_, samples_, inverse_area_, relative_slack_;
  std::vector<uint8_t> exact_, bounded_, four_lanes_;
  std::vector<double> planned_;  // the radii the arrays hold the plans of
  size_t planned_end_ = 0;       // up to here
};

// Output pixel (x, y)'s bytes that the estimate settles into out[0..2]; bit
// c of the result is set for each channel c that it leaves to the loop.
template <class Table>
unsigned estimate_at(const Table& sums, int64_t width, EdgeMode mode, int64_t x, int64_t y,
                     const WindowPlan& plan, uint8_t* out) {
  const BoxWindow& window = plan.window;
  const int64_t m = window.half_width;
  const auto inner = sums.box(y - m + 1, y + m - 1, x - m + 1, x + m - 1);
  if (window.fraction == 0) {
    // Ring and corners weigh 0: the loop adds whole numbers only, exactly.
    for (int c = 0; c < 3; ++c) out[c] = channel_byte(static_cast<double>(inner[c]), window.area);
    return 0;
  }
  using Sum = typename decltype(inner)::value_type;
  const auto whole = sums.box(y - m, y + m, x - m, x + m);
  const int64_t left = 3 * mapped(x - m, width, mode);
  const int64_t right = 3 * mapped(x + m, width, mode);
  const uint8_t* bottom = sums.row_pixels(y - m);
  const uint8_t* top = sums.row_pixels(y + m);
  const uint8_t* corners[4] = {bottom + left, bottom + right, top + left, top + right};
  unsigned unsettled = 0;
  for (int c = 0; c < 3; ++c) {
    const int corner_sum = corners[0][c] + corners[1][c] + corners[2][c] + corners[3][c];
    const double inside = static_cast<double>(inner[c]);
    const double ring = static_cast<double>(Sum(Sum(whole[c] - inner[c]) - Sum(corner_sum)));
    const double estimate = inside + window.fraction * ring + window.corner * corner_sum;
    if (plan.exact) {  // the loop forms exactly this sum
      out[c] = channel_byte(estimate, window.area);
      continue;
    }
    const double quotient = estimate * plan.inverse_area;
    const int settled =
        plan.bounded ? settled_channel(quotient, plan.relative_slack * quotient + 0x1p-900) : -1;
    if (settled < 0) {
      unsettled |= 1u << c;
    } else {
      out[c] = static_cast<uint8_t>(settled);
    }
  }
  return unsettled;
}

// The channels of output pixel (x, y) in `unsettled`, from the loop's
// additions re-run one pixel at a time, into out[0..2].
template <class Table>
void loop_channels_at(const Table& sums, int64_t width, EdgeMode mode, int64_t x, int64_t y,
                      const BoxWindow& window, unsigned unsettled, uint8_t* out) {
  const int64_t m = window.half_width;
  for (int c = 0; c < 3; ++c) {
    if ((unsettled & (1u << c)) == 0) continue;
    const int64_t first = x - m;
    auto inside = [first](int64_t i) { return 3 * (first + i); };
    auto folded = [=](int64_t i) { return 3 * map_edge_index(first + i, width, mode); };
    const bool within = first >= 0 && x + m < width;
    double loop;
    if (m <= plain_loop_half_width) {
      loop = within ? loop_sum<Runs::one_by_one>(sums, c, x, y, window, inside)
                    : loop_sum<Runs::one_by_one>(sums, c, x, y, window, folded);
    } else {
      loop = within ? loop_sum<Runs::at_once>(sums, c, x, y, window, inside)
                    : loop_sum<Runs::at_once>(sums, c, x, y, window, folded);
    }
    out[c] = channel_byte(loop, window.area);
  }
}

// Output pixel (x, y)'s three bytes into out[0..2], the row's bytes from
// out - 3x on.
template <class Table>
void average_at(const Table& sums, int64_t width, EdgeMode mode, int64_t x, int64_t y,
                const WindowPlan& plan, uint8_t* out) {
  const unsigned unsettled = estimate_at(sums, width, mode, x, y, plan, out);
  if (unsettled != 0) loop_channels_at(sums, width, mode, x, y, plan.window, unsettled, out);
}

// ---- The loop's sums in vector lanes ----------------------------------------

// One channel of four neighbouring pixels whose windows have one half-width,
// for the loop's sums side by side: lane l is pixel x + l, with its own
// fraction and corner weight.
struct LaneGroup {
  int64_t x;
  int channel;
  unsigned wanted;  // bit l: pixel x + l's byte is to be written
  alignas(32) double fraction[4];
  double corner[4];
  double area[4];
  double sum[4];  // the loop's sums, once run
};

#if defined(__x86_64__)

// The lanes run while every window column lies inside the image, each
// 16-byte load of four pixels' bytes stays inside its row and a row's run
// fits 32 bits.
bool lanes_fit(int64_t x, int64_t m, int64_t width) {
  return x >= m && x + m + 6 <= width && m <= (int64_t{1} << 20);
}

// Bytes 0, 3, 6 and 9 from `at` on, zero-extended: one channel of four
// neighbouring pixels.
BMP_AVX2_INLINE __m128i channel_bytes(const uint8_t* at) {
  const __m128i pick = _mm_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), pick);
}
BMP_AVX2_INLINE __m256d channel_values(const uint8_t* at) {
  return _mm256_cvtepi32_pd(channel_bytes(at));
}

// s += weight × value of window column i, in every group's lanes.
template <int count>
BMP_AVX2_INLINE void add_weighted(__m256d* s, const __m256d* weight, const uint8_t* base,
                                  const int64_t* start, int64_t i) {
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
    s[k] = _mm256_add_pd(s[k], _mm256_mul_pd(weight[k], channel_values(base + start[k] + 3 * i)));
  }
}

// s += the values of window columns 1 .. last - 1, one by one.
template <int count>
BMP_AVX2_INLINE void add_one_by_one(__m256d* s, const uint8_t* base, const int64_t* start,
                                    int64_t last) {
  for (int64_t i = 1; i < last; ++i) {
    _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
      s[k] = _mm256_add_pd(s[k], channel_values(base + start[k] + 3 * i));
    }
  }
}

// A ring row: its two corners weigh ff, the columns between them f.
template <int count>
BMP_AVX2_INLINE void add_ring_row(__m256d* s, const __m256d* f, const __m256d* ff,
                                  const uint8_t* base, const int64_t* start, int64_t last) {
  add_weighted<count>(s, ff, base, start, 0);
  for (int64_t i = 1; i < last; ++i) add_weighted<count>(s, f, base, start, i);
  add_weighted<count>(s, ff, base, start, last);
}

// 2^(e + 1) for each lane's s in [2^e, 2^(e + 1)), as power_above.
BMP_AVX2_INLINE __m256d powers_above(__m256d s) {
  const __m256i exponent =
      _mm256_and_si256(_mm256_castpd_si256(s), _mm256_set1_epi64x(0x7ff0000000000000ll));
  return _mm256_castsi256_pd(_mm256_add_epi64(exponent, _mm256_set1_epi64x(int64_t{1} << 52)));
}

// add_whole_run in every lane: s plus each lane's run total, where the
// values of window columns 1 .. last - 1 (from base + start) make the runs.
template <int count>
BMP_AVX2_INLINE void add_whole_runs(__m256d* s, const __m256d* total, const uint8_t* base,
                                    const int64_t* start, int64_t last) {
  __m256d limit[count], active[count];
  int any_one_by_one = 0, any_active = 0;
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
    const __m256d sum = _mm256_add_pd(s[k], total[k]);
    limit[k] = powers_above(s[k]);
    const __m256d crossing = _mm256_cmp_pd(sum, limit[k], _CMP_GE_OQ);
    const __m256d zero = _mm256_cmp_pd(s[k], _mm256_setzero_pd(), _CMP_EQ_OQ);
    const __m256d small = _mm256_and_pd(_mm256_cmp_pd(s[k], _mm256_set1_pd(255), _CMP_LT_OQ),
                                        _mm256_cmp_pd(s[k], total[k], _CMP_LT_OQ));
    const __m256d one_by_one =
        _mm256_or_pd(small, _mm256_cmp_pd(sum, _mm256_set1_pd(0x1p50), _CMP_GE_OQ));
    // A lane whose s is 0 stays out of the rounding: 0 + total is total.
    active[k] = _mm256_andnot_pd(zero, crossing);
    any_one_by_one |= _mm256_movemask_pd(_mm256_and_pd(active[k], one_by_one));
  }
  if (any_one_by_one != 0) {  // exact for every lane, whatever its path
    add_one_by_one<count>(s, base, start, last);
    return;
  }
  // Each power of two a lane's sum reaches rounds its low bits there: the
  // first one for every lane that reaches one, without a branch (most rows
  // have a lane that does), then any further ones.
  do {
    any_active = 0;
    _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
      const __m256d rounded = _mm256_sub_pd(_mm256_add_pd(s[k], limit[k]), limit[k]);
      s[k] = _mm256_blendv_pd(s[k], rounded, active[k]);
      limit[k] = _mm256_blendv_pd(limit[k], _mm256_add_pd(limit[k], limit[k]), active[k]);
      active[k] = _mm256_and_pd(active[k],
                                _mm256_cmp_pd(_mm256_add_pd(s[k], total[k]), limit[k], _CMP_GE_OQ));
      any_active |= _mm256_movemask_pd(active[k]);
    }
  } while (any_active != 0);
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) s[k] = _mm256_add_pd(s[k], total[k]);
}

// The run total of a group's first lane in window row `row`: columns
// x - M + 1 .. x + M - 1, from two prefix rows read once where they serve.
template <class Table>
[[gnu::always_inline]] inline int32_t first_lane_run(const Table& sums, int64_t row, int64_t m,
                                                     const LaneGroup& g) {
  if (!sums.direct_row(row)) {
    return static_cast<int32_t>(sums.row_run(row, g.x - m + 1, g.x + m - 1, g.channel));
  }
  const auto* above = sums.prefix_row(row);
  const auto* below = sums.prefix_row(row + 1);
  const int64_t right = 3 * (g.x + m) + g.channel, left = 3 * (g.x - m + 1) + g.channel;
  return static_cast<int32_t>((below[right] - above[right]) - (below[left] - above[left]));
}

// The run totals of a group's four lanes in window row `row`, columns
// x + l - M + 1 .. x + l + M - 1: lane 0's from the table, each next lane's
// one column on.
template <class Table>
BMP_AVX2_INLINE __m128i run_totals(const Table& sums, int64_t row, int64_t m, const LaneGroup& g) {
  const int32_t first = first_lane_run(sums, row, m, g);
  const uint8_t* at = sums.row_pixels(row) + 3 * (g.x - m) + g.channel;
  __m128i step = _mm_sub_epi32(channel_bytes(at + 3 * (2 * m)), channel_bytes(at + 3));
  step = _mm_slli_si128(step, 4);  // lane l + 1 gains lane l's step
  step = _mm_add_epi32(step, _mm_slli_si128(step, 4));
  step = _mm_add_epi32(step, _mm_slli_si128(step, 8));
  return _mm_add_epi32(step, _mm_set1_epi32(first));
}

// Up to `count` groups of one half-width m, loop_sum's additions made in
// four lanes per group: in each lane the same double operations on the same
// values in the same order, for its pixel and channel. Where add_whole_run
// branches, every lane follows its own values: by masks where the paths
// differ only in how often a step repeats, and by the one-by-one additions
// for all lanes where any lane needs them (which give every lane the sum
// add_whole_run gives).
template <int count, class Table>
BMP_AVX2 void lane_sums_avx2(const Table& sums, int64_t y, int64_t m, LaneGroup* groups) {
  const int64_t last = 2 * m;
  __m256d s[count], f[count], ff[count];
  int64_t start[count];  // the byte of lane 0's window column 0 in a row
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
    s[k] = _mm256_setzero_pd();
    f[k] = _mm256_load_pd(groups[k].fraction);
    ff[k] = _mm256_loadu_pd(groups[k].corner);
    start[k] = 3 * (groups[k].x - m) + groups[k].channel;
  }

  add_ring_row<count>(s, f, ff, sums.row_pixels(y - m), start, last);
  for (int64_t row = y - m + 1; row < y + m; ++row) {
    const uint8_t* base = sums.row_pixels(row);
    add_weighted<count>(s, f, base, start, 0);
    if (m <= plain_loop_half_width) {
      add_one_by_one<count>(s, base, start, last);
    } else {
      __m256d total[count];
      _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
        total[k] = _mm256_cvtepi32_pd(run_totals(sums, row, m, groups[k]));
      }
      add_whole_runs<count>(s, total, base, start, last);
    }
    add_weighted<count>(s, f, base, start, last);
  }
  add_ring_row<count>(s, f, ff, sums.row_pixels(y + m), start, last);
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) _mm256_storeu_pd(groups[k].sum, s[k]);
}

// ---- Eight lanes: two neighbouring groups of one channel side by side ----------

BMP_AVX512_WARNINGS_OFF

// A group and the one four pixels on, of the same channel and half-width m:
// their eight lanes run in one AVX-512 vector where every 32-byte load of
// eight pixels' bytes stays inside the row.
struct LanePair {
  LaneGroup* low;
  LaneGroup* high;
};

// The last load of a pair starts at byte 3 (x + m) + channel of a row.
bool pair_fits(const LaneGroup& low, int64_t m, int64_t width) { return low.x + m + 12 <= width; }

// Bytes 0, 3, ..., 21 from `at` on, zero-extended: one channel of eight
// neighbouring pixels.
BMP_AVX512_INLINE __m256i channel_bytes8(const uint8_t* at) {
  const __m256i pick = _mm256_setr_epi8(0, 0, 0, 0, 3, 0, 0, 0, 6, 0, 0, 0, 9, 0, 0, 0, 12, 0, 0, 0,
                                        15, 0, 0, 0, 18, 0, 0, 0, 21, 0, 0, 0);
  return _mm256_maskz_permutexvar_epi8(0x11111111u, pick,
                                       _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)));
}
BMP_AVX512_INLINE __m512d doubles8(__m256i values) { return _mm512_cvtepi32_pd(values); }
BMP_AVX512_INLINE __m512d channel_values8(const uint8_t* at) {
  return doubles8(channel_bytes8(at));
}

// The four lanes of a group's weights, and of its pair's, as one vector.
BMP_AVX512_INLINE __m512d pair_lanes(const double* low, const double* high) {
  return _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_loadu_pd(low)), _mm256_loadu_pd(high), 1);
}

template <int count>
BMP_AVX512_INLINE void add_weighted8(__m512d* s, const __m512d* weight, const uint8_t* base,
                                     const int64_t* start, int64_t i) {
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
    s[k] = _mm512_add_pd(s[k], _mm512_mul_pd(weight[k], channel_values8(base + start[k] + 3 * i)));
  }
}

template <int count>
BMP_AVX512_INLINE void add_one_by_one8(__m512d* s, const uint8_t* base, const int64_t* start,
                                       int64_t last) {
  for (int64_t i = 1; i < last; ++i) {
    _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
      s[k] = _mm512_add_pd(s[k], channel_values8(base + start[k] + 3 * i));
    }
  }
}

template <int count>
BMP_AVX512_INLINE void add_ring_row8(__m512d* s, const __m512d* f, const __m512d* ff,
                                     const uint8_t* base, const int64_t* start, int64_t last) {
  add_weighted8<count>(s, ff, base, start, 0);
  for (int64_t i = 1; i < last; ++i) add_weighted8<count>(s, f, base, start, i);
  add_weighted8<count>(s, ff, base, start, last);
}

BMP_AVX512_INLINE __m512d powers_above8(__m512d s) {
  const __m512i exponent =
      _mm512_and_si512(_mm512_castpd_si512(s), _mm512_set1_epi64(0x7ff0000000000000ll));
  return _mm512_castsi512_pd(_mm512_add_epi64(exponent, _mm512_set1_epi64(int64_t{1} << 52)));
}

// add_whole_runs in eight lanes, with masks for the lanes' paths.
template <int count>
BMP_AVX512_INLINE void add_whole_runs8(__m512d* s, const __m512d* total, const uint8_t* base,
                                       const int64_t* start, int64_t last) {
  __m512d limit[count];
  __mmask8 active[count];
  unsigned any_one_by_one = 0, any_active = 0;
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
    const __m512d sum = _mm512_add_pd(s[k], total[k]);
    limit[k] = powers_above8(s[k]);
    const __mmask8 crossing = _mm512_cmp_pd_mask(sum, limit[k], _CMP_GE_OQ);
    const __mmask8 zero = _mm512_cmp_pd_mask(s[k], _mm512_setzero_pd(), _CMP_EQ_OQ);
    const __mmask8 small = _mm512_cmp_pd_mask(s[k], _mm512_set1_pd(255), _CMP_LT_OQ) &
                           _mm512_cmp_pd_mask(s[k], total[k], _CMP_LT_OQ);
    const __mmask8 one_by_one = small | _mm512_cmp_pd_mask(sum, _mm512_set1_pd(0x1p50), _CMP_GE_OQ);
    active[k] = static_cast<__mmask8>(crossing & ~zero);
    any_one_by_one |= active[k] & one_by_one;
  }
  if (any_one_by_one != 0) {
    add_one_by_one8<count>(s, base, start, last);
    return;
  }
  do {
    any_active = 0;
    _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
      const __m512d rounded = _mm512_sub_pd(_mm512_add_pd(s[k], limit[k]), limit[k]);
      s[k] = _mm512_mask_blend_pd(active[k], s[k], rounded);
      limit[k] = _mm512_mask_blend_pd(active[k], limit[k], _mm512_add_pd(limit[k], limit[k]));
      active[k] = static_cast<__mmask8>(
          active[k] & _mm512_cmp_pd_mask(_mm512_add_pd(s[k], total[k]), limit[k], _CMP_GE_OQ));
      any_active |= active[k];
    }
  } while (any_active != 0);
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) s[k] = _mm512_add_pd(s[k], total[k]);
}

// run_totals for the eight lanes of a pair, from its low group.
template <class Table>
BMP_AVX512_INLINE __m256i run_totals8(const Table& sums, int64_t row, int64_t m,
                                      const LaneGroup& g) {
  const int32_t first = first_lane_run(sums, row, m, g);
  const uint8_t* at = sums.row_pixels(row) + 3 * (g.x - m) + g.channel;
  const __m256i zero = _mm256_setzero_si256();
  __m256i step = _mm256_sub_epi32(channel_bytes8(at + 3 * (2 * m)), channel_bytes8(at + 3));
  step = _mm256_alignr_epi32(step, zero, 7);  // lane l + 1 gains lane l's step
  step = _mm256_add_epi32(step, _mm256_alignr_epi32(step, zero, 7));
  step = _mm256_add_epi32(step, _mm256_alignr_epi32(step, zero, 6));
  step = _mm256_add_epi32(step, _mm256_alignr_epi32(step, zero, 4));
  return _mm256_add_epi32(step, _mm256_set1_epi32(first));
}

// lane_sums_avx2 for up to `count` pairs of groups, eight lanes a pair.
template <int count, class Table>
BMP_AVX512 void lane_sums_avx512(const Table& sums, int64_t y, int64_t m, const LanePair* pairs) {
  const int64_t last = 2 * m;
  __m512d s[count], f[count], ff[count];
  int64_t start[count];
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
    const LaneGroup& low = *pairs[k].low;
    const LaneGroup& high = *pairs[k].high;
    s[k] = _mm512_setzero_pd();
    f[k] = pair_lanes(low.fraction, high.fraction);
    ff[k] = pair_lanes(low.corner, high.corner);
    start[k] = 3 * (low.x - m) + low.channel;
  }

  add_ring_row8<count>(s, f, ff, sums.row_pixels(y - m), start, last);
  for (int64_t row = y - m + 1; row < y + m; ++row) {
    const uint8_t* base = sums.row_pixels(row);
    add_weighted8<count>(s, f, base, start, 0);
    if (m <= plain_loop_half_width) {
      add_one_by_one8<count>(s, base, start, last);
    } else {
      __m512d total[count];
      _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
        total[k] = doubles8(run_totals8(sums, row, m, *pairs[k].low));
      }
      add_whole_runs8<count>(s, total, base, start, last);
    }
    add_weighted8<count>(s, f, base, start, last);
  }
  add_ring_row8<count>(s, f, ff, sums.row_pixels(y + m), start, last);
  _Pragma("GCC unroll 4") for (int k = 0; k < count; ++k) {
    _mm256_storeu_pd(pairs[k].low->sum, _mm512_castpd512_pd256(s[k]));
    _mm256_storeu_pd(pairs[k].high->sum, _mm512_extractf64x4_pd(s[k], 1));
  }
}

BMP_AVX512_WARNINGS_ON

// Twelve lanes of doubles, lane j for pixel j / 3 and channel j % 3 of four
// neighbouring pixels, from each pixel's value: lanes (0 0 0 1), (1 1 2 2),
// (2 3 3 3).
struct PixelLanes {
  __m256d part[3];
};
BMP_AVX2_INLINE PixelLanes pixel_lanes(const double* v) {
  const __m256d four = _mm256_loadu_pd(v);
  return {{_mm256_permute4x64_pd(four, 0x40), _mm256_permute4x64_pd(four, 0xa5),
           _mm256_permute4x64_pd(four, 0xfe)}};
}

// Where the estimates of the pixels from x on read, for half-width m: the
// table entries a, b, c, d (box_lanes) of the inner box and of the whole
// window, and the window's four corner pixels.
struct EstimateReads {
  const uint32_t* inner[4];
  const uint32_t* whole[4];
  const uint8_t* corners[4];
};

[[gnu::always_inline]] inline EstimateReads estimate_reads(const AreaSums<uint32_t>& sums,
                                                           int64_t x, int64_t y, int64_t m) {
  const uint32_t* inner_top = sums.prefix_row(y + m);
  const uint32_t* inner_bottom = sums.prefix_row(y - m + 1);
  const uint32_t* whole_top = sums.prefix_row(y + m + 1);
  const uint32_t* whole_bottom = sums.prefix_row(y - m);
  const int64_t inner_right = 3 * (x + m), inner_left = 3 * (x - m + 1);
  const int64_t whole_right = 3 * (x + m + 1), whole_left = 3 * (x - m);
  const uint8_t* bottom = sums.row_pixels(y - m);
  const uint8_t* top = sums.row_pixels(y + m);
  return {{inner_top + inner_right, inner_bottom + inner_right, inner_top + inner_left,
           inner_bottom + inner_left},
          {whole_top + whole_right, whole_bottom + whole_right, whole_top + whole_left,
           whole_bottom + whole_left},
          {bottom + 3 * (x - m), bottom + 3 * (x + m), top + 3 * (x - m), top + 3 * (x + m)}};
}

// Twelve 32-bit sums of the table entries a - b - c + d, from the entries
// of four neighbouring columns' three channels.
BMP_AVX2_INLINE void box_lanes(const uint32_t* a, const uint32_t* b, const uint32_t* c,
                               const uint32_t* d, __m128i* out) {
  for (int part = 0; part < 3; ++part) {
    auto at = [part](const uint32_t* p) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * part));
    };
    out[part] = _mm_add_epi32(_mm_sub_epi32(_mm_sub_epi32(at(a), at(b)), at(c)), at(d));
  }
}

// estimate_at for the four pixels x .. x + 3 of plans whose windows share
// their half-width m, lie inside the image (lanes_fit) and are neither
// exact nor unbounded, with a fraction above 0: the same operations on the
// same values, three channels of four pixels side by side. Bit c of
// unsettled[l] is set for each channel c of pixel x + l left to the loop.
BMP_AVX2 void estimate_four_avx2(const AreaSums<uint32_t>& sums, int64_t x, int64_t y,
                                 const RowWindows& windows, uint8_t* out, unsigned* unsettled) {
  const auto at = static_cast<size_t>(x);
  const int64_t m = windows.half_width(at);
  const EstimateReads reads = estimate_reads(sums, x, y, m);
  __m128i inner[3], whole[3], corner[3], more[3];
  box_lanes(reads.inner[0], reads.inner[1], reads.inner[2], reads.inner[3], inner);
  box_lanes(reads.whole[0], reads.whole[1], reads.whole[2], reads.whole[3], whole);
  byte_lanes(reads.corners[0], corner);
  for (int k = 1; k < 4; ++k) {
    byte_lanes(reads.corners[k], more);
    for (int part = 0; part < 3; ++part) corner[part] = _mm_add_epi32(corner[part], more[part]);
  }
  const PixelLanes f = pixel_lanes(windows.fraction(at));
  const PixelLanes ff = pixel_lanes(windows.corner(at));
  const PixelLanes inverse = pixel_lanes(windows.inverse_area(at));
  const PixelLanes relative = pixel_lanes(windows.relative_slack(at));
  __m128i low[3];
  int open = 0;  // bit j: lane j unsettled
  for (int part = 0; part < 3; ++part) {
    const __m128i ring = _mm_sub_epi32(_mm_sub_epi32(whole[part], inner[part]), corner[part]);
    const __m256d estimate =
        _mm256_add_pd(_mm256_add_pd(_mm256_cvtepi32_pd(inner[part]),
                                    _mm256_mul_pd(f.part[part], _mm256_cvtepi32_pd(ring))),
                      _mm256_mul_pd(ff.part[part], _mm256_cvtepi32_pd(corner[part])));
    const __m256d quotient = _mm256_mul_pd(estimate, inverse.part[part]);
    const __m256d slack =
        _mm256_add_pd(_mm256_mul_pd(relative.part[part], quotient), _mm256_set1_pd(0x1p-900));
    low[part] = _mm256_cvttpd_epi32(_mm256_sub_pd(quotient, slack));
    const __m128i high = _mm256_cvttpd_epi32(_mm256_add_pd(quotient, slack));
    const __m128i equal = _mm_cmpeq_epi32(low[part], high);
    open |= (~_mm_movemask_ps(_mm_castsi128_ps(equal)) & 0xf) << (4 * part);
  }
  // The settled bytes (0 .. 255); the open ones are written over later.
  const __m128i bytes =
      _mm_packus_epi16(_mm_packus_epi32(low[0], low[1]), _mm_packus_epi32(low[2], low[2]));
  alignas(16) uint8_t lanes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), bytes);
  std::memcpy(out, lanes, 12);
  for (int l = 0; l < 4; ++l) unsettled[l] = (static_cast<unsigned>(open) >> (3 * l)) & 7u;
}

BMP_AVX512_WARNINGS_OFF

// The three vectors of eight lanes of a quantity for pixels x .. x + 7, lane
// j of the 24 for pixel j / 3.
struct PixelLanes8 {
  __m512d part[3];
};
BMP_AVX512_INLINE PixelLanes8 pixel_lanes8(const double* v) {
  const __m512d eight = _mm512_loadu_pd(v);
  return {{_mm512_permutexvar_pd(_mm512_setr_epi64(0, 0, 0, 1, 1, 1, 2, 2), eight),
           _mm512_permutexvar_pd(_mm512_setr_epi64(2, 3, 3, 3, 4, 4, 4, 5), eight),
           _mm512_permutexvar_pd(_mm512_setr_epi64(5, 5, 6, 6, 6, 7, 7, 7), eight)}};
}

// 24 bytes from `at` on, zero-extended to 32 bits, eight a vector.
BMP_AVX512_INLINE void byte_lanes8(const uint8_t* at, __m256i* out) {
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  out[0] = _mm256_cvtepu8_epi32(first);
  out[1] = _mm256_cvtepu8_epi32(_mm_srli_si128(first, 8));
  out[2] = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + 16)));
}

BMP_AVX512_INLINE __m256i load_eight(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
BMP_AVX512_INLINE void box_lanes8(const uint32_t* a, const uint32_t* b, const uint32_t* c,
                                  const uint32_t* d, __m256i* out) {
  for (int part = 0; part < 3; ++part) {
    const int k = 8 * part;
    out[part] = _mm256_add_epi32(
        _mm256_sub_epi32(_mm256_sub_epi32(load_eight(a + k), load_eight(b + k)), load_eight(c + k)),
        load_eight(d + k));
  }
}

// estimate_four_avx2 for the eight pixels x .. x + 7, one half-width, the
// same operations on the same values in 24 lanes.
BMP_AVX512 void estimate_eight_avx512(const AreaSums<uint32_t>& sums, int64_t x, int64_t y,
                                      const RowWindows& windows, uint8_t* out,
                                      unsigned* unsettled) {
  const auto at = static_cast<size_t>(x);
  const int64_t m = windows.half_width(at);
  const EstimateReads reads = estimate_reads(sums, x, y, m);
  __m256i inner[3], whole[3], corner[3], more[3];
  box_lanes8(reads.inner[0], reads.inner[1], reads.inner[2], reads.inner[3], inner);
  box_lanes8(reads.whole[0], reads.whole[1], reads.whole[2], reads.whole[3], whole);
  byte_lanes8(reads.corners[0], corner);
  for (int k = 1; k < 4; ++k) {
    byte_lanes8(reads.corners[k], more);
    for (int part = 0; part < 3; ++part) corner[part] = _mm256_add_epi32(corner[part], more[part]);
  }
  const PixelLanes8 f = pixel_lanes8(windows.fraction(at));
  const PixelLanes8 ff = pixel_lanes8(windows.corner(at));
  const PixelLanes8 inverse = pixel_lanes8(windows.inverse_area(at));
  const PixelLanes8 relative = pixel_lanes8(windows.relative_slack(at));
  uint32_t open = 0;  // bit j: lane j unsettled
  for (int part = 0; part < 3; ++part) {
    const __m256i ring = _mm256_sub_epi32(_mm256_sub_epi32(whole[part], inner[part]), corner[part]);
    const __m512d estimate =
        _mm512_add_pd(_mm512_add_pd(_mm512_cvtepi32_pd(inner[part]),
                                    _mm512_mul_pd(f.part[part], _mm512_cvtepi32_pd(ring))),
                      _mm512_mul_pd(ff.part[part], _mm512_cvtepi32_pd(corner[part])));
    const __m512d quotient = _mm512_mul_pd(estimate, inverse.part[part]);
    const __m512d slack =
        _mm512_add_pd(_mm512_mul_pd(relative.part[part], quotient), _mm512_set1_pd(0x1p-900));
    const __m256i low = _mm512_cvttpd_epi32(_mm512_sub_pd(quotient, slack));
    const __m256i high = _mm512_cvttpd_epi32(_mm512_add_pd(quotient, slack));
    open |= static_cast<uint32_t>(static_cast<__mmask8>(~_mm256_cmpeq_epi32_mask(low, high)))
            << (8 * part);
    // The settled bytes (0 .. 255); the open ones are written over later.
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 8 * part), _mm256_cvtepi32_epi8(low));
  }
  for (int l = 0; l < 8; ++l) unsettled[l] = (open >> (3 * l)) & 7u;
}

BMP_AVX512_WARNINGS_ON

// estimate_four_avx2 where it serves the four pixels from (x, y) on; false
// where it does not.
template <class Table>
bool estimated_in_lanes(const Table& sums, const RowWindows& windows, int64_t x, int64_t y,
                        int64_t width, uint8_t* out, unsigned* unsettled) {
  if constexpr (!std::is_same_v<Table, AreaSums<uint32_t>>) {
    return false;
  } else {
    const auto at = static_cast<size_t>(x);
    if (!windows.four_in_lanes(at)) return false;
    const int64_t m = windows.half_width(at);
    if (!lanes_fit(x, m, width) || !sums.direct_row(y - m) || !sums.direct_row(y + m)) {
      return false;
    }
    estimate_four_avx2(sums, x, y, windows, out, unsettled);
    return true;
  }
}

// estimate_eight_avx512 where it serves the eight pixels from (x, y) on.
template <class Table>
bool estimated_in_eight_lanes(const Table& sums, const RowWindows& windows, int64_t x, int64_t y,
                              int64_t width, uint8_t* out, unsigned* unsettled) {
  if constexpr (!std::is_same_v<Table, AreaSums<uint32_t>>) {
    return false;
  } else {
    const auto at = static_cast<size_t>(x);
    if (x + 8 > width || !windows.four_in_lanes(at) || !windows.four_in_lanes(at + 4) ||
        windows.half_width(at) != windows.half_width(at + 4)) {
      return false;
    }
    const int64_t m = windows.half_width(at);
    // The right corners' 24 bytes and the tables' 24 entries from x + m on.
    if (x < m || x + m + 8 > width || !sums.direct_row(y - m) || !sums.direct_row(y + m)) {
      return false;
    }
    estimate_eight_avx512(sums, x, y, windows, out, unsettled);
    return true;
  }
}
#endif

// Groups of one half-width gathered along a row, run three vectors at a
// time (more measured no faster: the lanes are bound by their instructions,
// not by the additions' latency). With eight lanes a group and the one four
// pixels on share a vector; a group without one takes four lanes.
template <class Table>
class LaneBatch {
 public:
  LaneBatch(const Table& sums, int64_t width, int64_t y, uint8_t* row_out)
      : sums_(sums),
        width_(width),
        y_(y),
        out_(row_out),
        capacity_(lane_width() >= 8 ? max_capacity : max_capacity / 2) {}
  ~LaneBatch() { run(); }
  LaneBatch(const LaneBatch&) = delete;
  LaneBatch& operator=(const LaneBatch&) = delete;

  // A new group for windows of half-width m, its pixels from x on. With
  // eight lanes a batch holds the groups of two neighbouring runs of four
  // pixels, which pair off by channel.
  LaneGroup& add(int64_t m, int64_t x) {
    const bool full = count_ == capacity_ || (capacity_ == max_capacity && x >= first_x_ + 8);
    if (count_ > 0 && (full || m != half_width_)) run();
    if (count_ == 0) first_x_ = x;
    half_width_ = m;
    LaneGroup& group = groups_[count_++];
    group.x = x;
    return group;
  }

 private:
  static constexpr int max_capacity = 6;

  void run() {
#if defined(__x86_64__)
    if (count_ == 0) return;
    if (capacity_ == max_capacity) {
      run_in_pairs();
    } else {
      run_groups(groups_, count_);
    }
    for (int k = 0; k < count_; ++k) {
      const LaneGroup& g = groups_[k];
      for (int l = 0; l < 4; ++l) {
        if ((g.wanted & (1u << l)) != 0) {
          out_[3 * (g.x + l) + g.channel] = channel_byte(g.sum[l], g.area[l]);
        }
      }
    }
#endif
    count_ = 0;
  }

#if defined(__x86_64__)
  // Each group with the one four pixels on of its channel, or, where there
  // is none, with a stand-in whose lanes (those pixels, the group's weights)
  // are worked out and not used; groups whose pair would read beyond the row
  // take four lanes.
  void run_in_pairs() {
    LanePair pairs[max_capacity];
    LaneGroup stand_ins[max_capacity];
    LaneGroup* single[max_capacity];
    int paired = 0, singles = 0;
    bool taken[max_capacity] = {};
    for (int k = 0; k < count_; ++k) {
      if (taken[k]) continue;
      taken[k] = true;
      if (!pair_fits(groups_[k], half_width_, width_)) {
        single[singles++] = &groups_[k];
        continue;
      }
      LaneGroup* high = nullptr;
      for (int j = k + 1; j < count_ && high == nullptr; ++j) {
        if (!taken[j] && groups_[j].channel == groups_[k].channel &&
            groups_[j].x == groups_[k].x + 4) {
          taken[j] = true;
          high = &groups_[j];
        }
      }
      if (high == nullptr) {
        high = &stand_ins[paired];
        *high = groups_[k];
      }
      pairs[paired++] = {&groups_[k], high};
    }
    for (int first = 0; first < paired; first += 3)
      run_pairs(pairs + first, std::min(3, paired - first));
    run_singles(single, singles);
  }

  void run_pairs(const LanePair* pairs, int n) {
    switch (n) {
      case 0:
        return;
      case 1:
        return lane_sums_avx512<1>(sums_, y_, half_width_, pairs);
      case 2:
        return lane_sums_avx512<2>(sums_, y_, half_width_, pairs);
      default:
        return lane_sums_avx512<3>(sums_, y_, half_width_, pairs);
    }
  }

  // Groups of four lanes, three at a time.
  void run_groups(LaneGroup* groups, int n) {
    for (int first = 0; first < n; first += 3) {
      switch (std::min(3, n - first)) {
        case 1:
          lane_sums_avx2<1>(sums_, y_, half_width_, groups + first);
          break;
        case 2:
          lane_sums_avx2<2>(sums_, y_, half_width_, groups + first);
          break;
        default:
          lane_sums_avx2<3>(sums_, y_, half_width_, groups + first);
          break;
      }
    }
  }

  // The groups left without a pair, copied together for run_groups.
  void run_singles(LaneGroup* const* single, int n) {
    if (n == 0) return;
    LaneGroup groups[max_capacity];
    for (int k = 0; k < n; ++k) groups[k] = *single[k];
    run_groups(groups, n);
    for (int k = 0; k < n; ++k) std::memcpy(single[k]->sum, groups[k].sum, sizeof groups[k].sum);
  }
#endif

  const Table& sums_;
  int64_t width_;
  int64_t y_;
  uint8_t* out_;
  int capacity_;
  int64_t half_width_ = 0;
  int64_t first_x_ = 0;  // of the batch's first group
  int count_ = 0;
  LaneGroup groups_[max_capacity];
};

// Pixels begin .. end - 1 of output row y, pixel x with radii[x] and the
// plan windows holds at x, 3 bytes a pixel into the row's `out`; a run of
// pixels of one radius shares its plan. Pixels go four at a time: the
// channels the estimates leave open go to the vector lanes where the four
// windows share a half-width and lie inside the image, else one by one.
template <class Table>
void average_strip(const Table& sums, int64_t width, EdgeMode mode, int64_t y,
                   std::span<const double> radii, const RowWindows& windows, int64_t begin,
                   int64_t end, uint8_t* out) {
  if (begin >= end) return;
  // The single-pixel estimates' plan, made again where the radius changes.
  uint64_t planned = std::bit_cast<uint64_t>(radii[static_cast<size_t>(begin)]);
  WindowPlan plan = windows.at(static_cast<size_t>(begin));
  auto plan_at = [&](size_t i) -> const WindowPlan& {
    if (std::bit_cast<uint64_t>(radii[i]) != planned) {
      planned = std::bit_cast<uint64_t>(radii[i]);
      plan = windows.at(i);
    }
    return plan;
  };
  const int64_t n = end;
#if defined(__x86_64__)
  const bool lanes = lane_width() >= 4;
  const bool eight = lane_width() >= 8;
#else
  const bool lanes = false;
  auto lanes_fit = [](int64_t, int64_t, int64_t) { return false; };
#endif
  LaneBatch<Table> batch(sums, width, y, out);
  unsigned ahead[4];  // the next run of four's channels, estimated with this one
  bool estimated_ahead = false;
  for (int64_t x0 = begin; x0 < n; x0 += 4) {
    const int count = static_cast<int>(std::min<int64_t>(4, n - x0));
    const auto at = static_cast<size_t>(x0);
    unsigned unsettled[4] = {0, 0, 0, 0};
#if defined(__x86_64__)
    bool estimated = estimated_ahead;
    if (estimated_ahead) {
      std::copy(ahead, ahead + 4, unsettled);
      estimated_ahead = false;
    } else if (eight && x0 + 8 <= n) {
      unsigned both[8];
      estimated_ahead = estimated_in_eight_lanes(sums, windows, x0, y, width, out + 3 * x0, both);
      if (estimated_ahead) {
        std::copy(both, both + 4, unsettled);
        std::copy(both + 4, both + 8, ahead);
        estimated = true;
      }
    }
    if (!estimated) {
      estimated = lanes && count == 4 &&
                  estimated_in_lanes(sums, windows, x0, y, width, out + 3 * x0, unsettled);
    }
#else
    const bool estimated = false;
#endif
    if (!estimated) {
      for (int l = 0; l < count; ++l) {
        unsettled[l] =
            estimate_at(sums, width, mode, x0 + l, y, plan_at(at + l), out + 3 * (x0 + l));
      }
    }
    if ((unsettled[0] | unsettled[1] | unsettled[2] | unsettled[3]) == 0) continue;
    const int64_t m = windows.half_width(at);
    bool one_half_width = true;
    for (int l = 1; l < count; ++l) one_half_width &= windows.half_width(at + l) == m;
    if (lanes && count == 4 && one_half_width && lanes_fit(x0, m, width)) {
      for (int c = 0; c < 3; ++c) {
        unsigned wanted = 0;
        for (int l = 0; l < 4; ++l) wanted |= ((unsettled[l] >> c) & 1u) << l;
        if (wanted == 0) continue;
        LaneGroup& g = batch.add(m, x0);
        g.channel = c;
        g.wanted = wanted;
        std::memcpy(g.fraction, windows.fraction(at), sizeof g.fraction);
        std::memcpy(g.corner, windows.corner(at), sizeof g.corner);
        std::memcpy(g.area, windows.area(at), sizeof g.area);
      }
      continue;
    }
    for (int l = 0; l < count; ++l) {
      if (unsettled[l] != 0) {
        loop_channels_at(sums, width, mode, x0 + l, y, windows.window(at + l), unsettled[l],
                         out + 3 * (x0 + l));
      }
    }
  }
}

// The whole of output row y in one strip, with this thread's plans.
template <class Table>
void average_row_of(const Table& sums, int64_t width, EdgeMode mode, int64_t y,
                    std::span<const double> radii, uint8_t* out) {
  thread_local RowWindows windows;
  windows.plan(radii, 0, radii.size());
  average_strip(sums, width, mode, y, radii, windows, 0, static_cast<int64_t>(radii.size()), out);
}

// Window sums stay below 255 × (2M + 1)²; 32-bit tables hold them when that fits.
bool fits_32_bits(int64_t half_width) {
  const double side = 2.0 * static_cast<double>(half_width) + 1;
  return 255.0 * side * side < 0x1p32;
}

using Sums = std::variant<AreaSums<uint32_t>, AreaSums<uint64_t>>;

// Tables for windows up to `half_width`, empty.
Sums sums_for(int64_t half_width, int64_t width, int64_t height, EdgeMode mode) {
  if (fits_32_bits(half_width)) return AreaSums<uint32_t>(width, height, mode);
  return AreaSums<uint64_t>(width, height, mode);
}

// The half-width of the largest of `radii`.
int64_t largest_half_width(std::span<const double> radii) {
  return int64_t{r_in(*std::max_element(radii.begin(), radii.end()))} + 1;
}

// The bytes of table and pixels a strip of a group of rows reads per column:
// kept to a part of a core's own cache, so that the rows of a group, each
// reading all its windows' rows, find them there.
constexpr int64_t strip_bytes = int64_t{192} << 10;

// The columns of a strip for rows of windows up to `half_width`, `rows` at a
// time: each column reads 2M + rows + 1 rows of table (12 bytes a pixel) and
// of pixels (3).
int64_t strip_columns(int64_t half_width, int rows) {
  const int64_t rows_read = 2 * half_width + rows + 1;
  return std::max<int64_t>(64, strip_bytes / (15 * rows_read) / 8 * 8);
}

// One thread's part of a pass: the radii of the rows it works on and its own
// ring table, which follows its rows down, so that consecutive rows cost one
// table row each. Where the whole image's table serves, that one is read
// instead (unless a radius beyond the largest declared needs wider sums).
// Rows go a few at a time, in strips of columns across them all.
class RowWorker {
 public:
  static constexpr int max_group_rows = 8;

  RowWorker(int64_t width, int64_t height, EdgeMode mode, int64_t margin)
      : width_(width),
        height_(height),
        mode_(mode),
        margin_(margin),
        radii_(static_cast<size_t>(width) * max_group_rows),
        sums_(sums_for(margin, width, height, mode)) {
    // Taken by the thread that makes the worker, before the pass starts.
    std::visit([&](auto& table) { table.reserve_ring(ring_rows(margin)); }, sums_);
  }

  // A new source: the ring starts afresh.
  void forget() {
    next_row_ = -1;
    whole_image_built_ = false;
  }

  // Row k of a group's radii, for the worker's own use.
  std::span<double> radii(int k) {
    return {radii_.data() + static_cast<size_t>(k) * static_cast<size_t>(width_),
            static_cast<size_t>(width_)};
  }

  // How many rows the ring holds at once beside their windows.
  int group_rows() const {
    const auto slots =
        static_cast<int64_t>(std::bit_ceil(static_cast<size_t>(ring_rows(margin_) + 1)));
    return static_cast<int>(std::clamp<int64_t>(slots - 2 * margin_ - 1, 1, max_group_rows));
  }

  // Output rows y .. y + count - 1 (count <= max_group_rows), row k with
  // pixel x's radius radii[k][x] into out[k] (3 bytes a pixel), from
  // `source`, or from the whole-image table `whole` where it is given.
  void rows(const SourceRows& source, const Sums* whole, int32_t y, int count,
            const std::span<const double>* radii, uint8_t* const* out) {
    int64_t half_width = 0;
    for (int k = 0; k < count; ++k) half_width = std::max(half_width, largest_half_width(radii[k]));
    if (whole != nullptr) {
      if (fits_32_bits(half_width) || std::holds_alternative<AreaSums<uint64_t>>(*whole)) {
        average_from(*whole, y, count, half_width, radii, out);
        return;
      }
      if (!whole_image_built_) {
        sums_ = AreaSums<uint64_t>(width_, height_, mode_);
        std::get<AreaSums<uint64_t>>(sums_).build_whole_image(source);
        whole_image_built_ = true;
        next_row_ = -1;
      }
      average_from(sums_, y, count, half_width, radii, out);
      return;
    }
    if (half_width > margin_) {
      margin_ = half_width + 1;
      sums_ = sums_for(margin_, width_, height_, mode_);
      next_row_ = -1;
    }
    for (int done = 0; done < count;) {
      const int part = std::min(count - done, group_rows());
      const int32_t first = y + done;
      std::visit(
          [&](auto& table) {
            if (first != next_row_) table.start_ring(source, first - margin_, ring_rows(margin_));
            table.add_rows_until(first + part + margin_);
          },
          sums_);
      next_row_ = first + part;
      average_from(sums_, first, part, half_width, radii + done, out + done);
      done += part;
    }
  }

  // The half-width the ring is kept for.
  int64_t margin() const { return margin_; }

 private:
  // The window rows a ring keeps: a row's windows and a few rows more.
  static int64_t ring_rows(int64_t margin) { return 2 * margin + 3; }

  void average_from(const Sums& sums, int32_t y, int count, int64_t half_width,
                    const std::span<const double>* radii, uint8_t* const* out) {
    std::visit(
        [&](const auto& table) {
          const int64_t strip = strip_columns(half_width, count);
          for (int64_t x = 0; x < width_; x += strip) {
            const int64_t end = std::min(width_, x + strip);
            // Each row's plans replace the row's above, which they equal
            // where the radii change only across.
            for (int k = 0; k < count; ++k) {
              windows_.plan(radii[k], static_cast<size_t>(x), static_cast<size_t>(end));
              average_strip(table, width_, mode_, y + k, radii[k], windows_, x, end, out[k]);
            }
          }
        },
        sums);
  }

  int64_t width_;
  int64_t height_;
  EdgeMode mode_;
  int64_t margin_;  // the ring holds the window rows this far above and below its row
  std::vector<double> radii_;
  RowWindows windows_;  // the plans of the strip being made
  Sums sums_;
  int64_t next_row_ = -1;  // the row the ring is ready for, or -1
  bool whole_image_built_ = false;
};

// ---- Both passes at once -----------------------------------------------------

// How the two passes of a blur share their rows when the second runs behind
// the first: runs of rows (the unit of work), a ring of the first pass's
// latest runs (its rows, and its radii where they are kept), a ring of the
// second pass's runs waiting to be written.
struct FusedShape {
  int64_t margin;     // every window reaches at most this many rows up or down
  int64_t run_rows;   // at least twice the margin
  int64_t ring_runs;  // of the first pass's rows and radii
  int64_t out_runs;   // of the second pass's rows
  int64_t band_rows;  // the rows a lone pass makes before it writes any
  unsigned threads;
};

// A run's tables start with its margins' rows: runs of four margins (and no
// fewer than 32 rows) keep that extra work at half a run's own rows or less.
int64_t run_rows_for(int64_t margin) { return std::max<int64_t>(4 * margin, 32); }

// The output rows a lone pass makes before it writes any: a few MiB of rows,
// and at least two runs for each thread, so that every thread has work
// whatever the width.
int64_t band_rows_for(int32_t width, int32_t height, int64_t margin, unsigned threads) {
  const auto by_bytes = static_cast<int64_t>(band_bytes / (3 * static_cast<size_t>(width)));
  const int64_t by_work = margin > 0 ? 2 * int64_t{threads} * run_rows_for(margin) : 0;
  return std::clamp<int64_t>(std::max(by_bytes, by_work), 1, height);
}

// The shape for a width × height image, or none where the second pass must
// wait for the whole first one: windows that wrap round (the first rows need
// the last), or that reach about as far as the image is high. Everything is
// sized from the windows' reach and the threads: the rings hold a few runs
// for each thread, at most the whole image.
std::optional<FusedShape> fused_shape(int32_t width, int32_t height, EdgeMode mode,
                                      double max_radius) {
  if (mode != EdgeMode::clamp || width <= 0 || height <= 0) return std::nullopt;
  const int64_t margin = int64_t{r_in(max_radius)} + 2;  // as the tables of one pass
  if (std::max<int64_t>(64, 2 * margin) + 2 * margin >= height) return std::nullopt;
  const unsigned threads = worker_count(int64_t{width} * height);
  const int64_t run_rows = run_rows_for(margin);
  const int64_t runs = (height + run_rows - 1) / run_rows;
  const int64_t ring_runs = std::min<int64_t>(int64_t{threads} + 4, runs);
  return FusedShape{margin,
                    run_rows,
                    ring_runs,
                    std::max<int64_t>(2, threads / 2 + 2),
                    band_rows_for(width, height, margin, threads),
                    threads};
}

// A failure of one pass, and where in that pass a lone pass meets it: the
// rows before position / 2 are reported first. A lone pass works out a band
// of rows before it writes and reports them, so a row's work fails before
// any row of its band is reported (position 2 × the band's first row); a
// write or a report fails after the rows before it (2 × row + 1).
struct PassFailure {
  std::exception_ptr error;
  int64_t position = INT64_MAX;
  void keep(std::exception_ptr failure, int64_t at) {
    if (at < position) {
      error = std::move(failure);
      position = at;
    }
  }
  int64_t rows_before() const { return position / 2; }
  explicit operator bool() const { return error != nullptr; }
};

// The two passes of a blur through temp0000 in one job on the worker pool.
// The first pass's rows go to temp0000 in order and stay in a ring, from
// which the second pass's tables are built a few runs behind (they are the
// bytes temp0000 holds); its rows go to the output in order. Every thread
// takes, by turns, whatever is ready: writing either file, a run of the
// second pass, a run of the first. Rows are reported a band at a time once
// the band is made and written, as a lone pass reports them, the second
// pass's only after the first is done and temp0000 is closed and opened
// again (`turn`): the progress and the failures come as those of two plain
// passes.
class FusedPasses {
 public:
  FusedPasses(const FusedShape& shape, const ImageRows& input, bool keep_radii, OutputFile& first,
              OutputFile& dest, const std::function<void()>& turn, const RowRadii& row_radii,
              const RowDone& after_row)
      : shape_(shape),
        input_(input),
        width_(input.width()),
        height_(input.height()),
        row_bytes_(3 * static_cast<size_t>(width_)),
        runs_((height_ + shape.run_rows - 1) / shape.run_rows),
        pixel_bytes_((static_cast<size_t>(shape.run_rows) * row_bytes_ + 63) / 64 * 64),
        run_bytes_(pixel_bytes_ + (keep_radii ? static_cast<size_t>(shape.run_rows) *
                                                    static_cast<size_t>(width_) * sizeof(double)
                                              : 0)),
        keep_radii_(keep_radii),
        turn_(turn),
        row_radii_(row_radii),
        after_row_(after_row),
        ring_(static_cast<size_t>(shape.ring_runs)),
        ring_runs_(static_cast<size_t>(shape.ring_runs), nullptr),
        out_(static_cast<size_t>(shape.out_runs)),
        first_(first, runs_),
        second_(dest, runs_) {
    // A lone thread keeps a table for each pass, each running on from run
    // to run; threads that share the runs seldom get the next run of a pass
    // and keep one table for both.
    for (unsigned w = 0; w < shape.threads; ++w) {
      for (Pass* pass : {&first_, &second_}) {
        if (pass == &second_ && shape.threads > 1) continue;
        pass->workers.push_back(
            std::make_unique<RowWorker>(width_, height_, EdgeMode::clamp, shape.margin));
      }
    }
    last_pass_.resize(shape.threads, nullptr);
    // All memory of the job is taken here, the huge pages of the larger
    // places mapped as the threads first write them: threads that take
    // memory while others fault theirs in wait on each other in the kernel
    // (measured 10-25 ms a run at the start on eight threads).
    for (size_t i = 0; i < ring_.size(); ++i) {
      ring_[i] = PageBuffer::filled_later(run_bytes_);
      ring_runs_[i] = ring_[i].data();
    }
    for (PageBuffer& place : out_) place = PageBuffer::filled_later(pixel_bytes_);
  }

  void run() {
    std::atomic<unsigned> joined{0};
    run_on_workers(shape_.threads, [&] { work(joined.fetch_add(1)); });
    if (first_.failure) std::rethrow_exception(first_.failure.error);
    if (second_.failure) std::rethrow_exception(second_.failure.error);
    if (!turned_ || second_.reported != height_) {
      throw std::logic_error("fused passes left rows undone");
    }
  }

 private:
  // What the threads share of one pass (guarded by lock_, as the rest).
  struct Pass {
    Pass(OutputFile& file, int64_t runs) : file(file), done(static_cast<size_t>(runs), 0) {}
    OutputFile& file;
    std::vector<std::unique_ptr<RowWorker>> workers;  // one a thread
    std::vector<char> done;                           // runs made
    int64_t claimed = 0;                              // the next run to take
    int64_t prefix = 0;                               // runs made from the first on
    int active = 0;                                   // runs being made
    int64_t failed_run = -1;                          // the run of the failure kept
    int64_t failed_row = 0;                           // and its row
    int64_t written = 0;                              // rows in the file
    int64_t reported = 0;                             // rows given to after_row
    bool writing = false;
    PassFailure failure;
  };

  // Row y's place in a ring of runs, and its radii after the run's pixels.
  static uint8_t* ring_place(const std::vector<PageBuffer>& ring, int64_t y, int64_t run_rows) {
    return ring[static_cast<size_t>((y / run_rows) % static_cast<int64_t>(ring.size()))].data();
  }
  uint8_t* ring_row(int64_t y) const {
    return ring_place(ring_, y, shape_.run_rows) +
           static_cast<size_t>(y % shape_.run_rows) * row_bytes_;
  }
  uint8_t* out_row(int64_t y) const {
    return ring_place(out_, y, shape_.run_rows) +
           static_cast<size_t>(y % shape_.run_rows) * row_bytes_;
  }
  std::span<double> kept_radii(int64_t y) const {
    auto* run = reinterpret_cast<double*>(ring_place(ring_, y, shape_.run_rows) + pixel_bytes_);
    return {run + static_cast<size_t>((y % shape_.run_rows) * width_), static_cast<size_t>(width_)};
  }
  int64_t run_end(int64_t run) const {
    return std::min<int64_t>(height_, (run + 1) * shape_.run_rows);
  }
  // The rows of a pass made in order from row 0: its leading runs made, and
  // the rows before a failed row of the run after them.
  int64_t rows_made(const Pass& pass) const {
    if (pass.prefix == pass.failed_run) return pass.failed_row;
    return std::min<int64_t>(height_, pass.prefix * shape_.run_rows);
  }
  int64_t write_limit(const Pass& pass) const {
    return std::min(rows_made(pass), pass.failure.rows_before());
  }
  // Rows are reported in whole bands, or up to a failure.
  int64_t report_limit(const Pass& pass) const {
    if (&pass == &second_ && !turned_) return pass.reported;
    const int64_t made = rows_made(pass);
    const int64_t limit = pass.failure      ? pass.failure.rows_before()
                          : made == height_ ? made
                                            : made - made % shape_.band_rows;
    return std::max(pass.reported, std::min(pass.written, limit));
  }
  bool can_write(const Pass& pass) const {
    return !pass.writing &&
           (pass.written < write_limit(pass) || pass.reported < report_limit(pass));
  }

  // Run i of the second pass reads the first pass's rows of its windows,
  // and writes into the place of run i - out_runs, which must be written.
  bool second_ready(int64_t i) const {
    const int64_t needed = std::min<int64_t>(height_, run_end(i) + shape_.margin);
    return rows_made(first_) >= needed &&
           (i < shape_.out_runs || second_.written >= run_end(i - shape_.out_runs));
  }
  // Run j of the first pass takes the place of run j - ring_runs: written
  // to temp0000, and no longer read by the second pass (runs up to j -
  // ring_runs + 1 reach into it, as runs are longer than windows reach).
  bool first_ready(int64_t j) const {
    const int64_t old = j - shape_.ring_runs;
    if (old < 0) return true;
    const bool unread = second_.prefix > old + 1 || (second_.failure && second_.active == 0);
    return unread && first_.written >= run_end(old);
  }

  void work(unsigned w) {
    std::unique_lock<std::mutex> hold(lock_);
    while (true) {
      if (can_write(first_)) {
        write(hold, first_);
      } else if (!first_.failure && can_write(second_)) {
        write(hold, second_);
      } else if (!first_.failure && !second_.failure && second_.claimed < runs_ &&
                 second_ready(second_.claimed)) {
        make_run(hold, w, second_);
      } else if (!first_.failure && first_.claimed < runs_ && first_ready(first_.claimed)) {
        make_run(hold, w, first_);
      } else if (first_.active + second_.active == 0 && !first_.writing && !second_.writing) {
        wake_.notify_all();  // nothing can move any more: done (or failed)
        return;
      } else {
        wake_.wait(hold);
      }
    }
  }

  // The pass's rows ready into its file, then the rows to report; after the
  // first pass's last row, the turn.
  void write(std::unique_lock<std::mutex>& hold, Pass& pass) {
    const bool first = &pass == &first_;
    pass.writing = true;
    const int64_t end = write_limit(pass);
    int64_t y = pass.written;
    hold.unlock();
    std::exception_ptr failure;
    try {
      for (; y < end; ++y) {
        std::memcpy(next_row24(pass.file, width_).data(), first ? ring_row(y) : out_row(y),
                    row_bytes_);
      }
    } catch (...) {
      failure = std::current_exception();
    }
    hold.lock();
    if (failure) pass.failure.keep(failure, 2 * y + 1);
    pass.written = y;
    const int64_t last = report_limit(pass);
    const bool turning = first && last == height_ && pass.reported < height_;
    int64_t r = pass.reported;
    hold.unlock();
    failure = nullptr;
    try {
      for (; r < last; ++r) after_row_(static_cast<int32_t>(r));
      if (turning) turn_();
    } catch (...) {
      failure = std::current_exception();
    }
    hold.lock();
    if (failure) pass.failure.keep(failure, 2 * r + 1);
    pass.reported = r;
    if (turning && !failure) turned_ = true;
    pass.writing = false;
    wake_.notify_all();
  }

  // The pass's next run (the first's into the ring, the second's into the
  // output's ring) on thread w's worker for that pass.
  void make_run(std::unique_lock<std::mutex>& hold, unsigned w, Pass& pass) {
    const bool first = &pass == &first_;
    const int64_t run = pass.claimed++;
    pass.active += 1;
    hold.unlock();
    int64_t y = run * shape_.run_rows;
    std::exception_ptr failure;
    try {
      RowWorker& worker = worker_for(w, pass);
      while (y < run_end(run)) {
        make_rows(worker, first, y,
                  static_cast<int>(std::min<int64_t>(worker.group_rows(), run_end(run) - y)));
      }
    } catch (...) {
      failure = std::current_exception();
    }
    hold.lock();
    pass.active -= 1;
    if (failure) {
      const int64_t before = pass.failure.position;
      pass.failure.keep(failure, 2 * (y - y % shape_.band_rows));
      if (pass.failure.position != before) {
        pass.failed_run = run;
        pass.failed_row = y;
      }
    } else {
      pass.done[static_cast<size_t>(run)] = 1;
      while (pass.prefix < runs_ && pass.done[static_cast<size_t>(pass.prefix)] != 0) {
        ++pass.prefix;
      }
    }
    wake_.notify_all();
  }

  // Thread w's table for the pass, started afresh where it last served the
  // other pass.
  RowWorker& worker_for(unsigned w, const Pass& pass) {
    if (shape_.threads == 1) return *pass.workers[w];
    RowWorker& shared = *first_.workers[w];
    if (last_pass_[w] != &pass) shared.forget();
    last_pass_[w] = &pass;
    return shared;
  }

  // Rows y .. y + count - 1 of a pass, their radii and then their pixels;
  // y moves past the rows made. Where a row's radii fail, the rows before it
  // are made first, as a pass of one row at a time makes them.
  void make_rows(RowWorker& worker, bool first, int64_t& y, int count) {
    std::span<const double> radii[RowWorker::max_group_rows];
    uint8_t* out[RowWorker::max_group_rows];
    int ready = 0;
    std::exception_ptr failure;
    try {
      for (; ready < count; ++ready) {
        const int64_t row = y + ready;
        radii[ready] = radii_of(worker, first, row, ready);
        out[ready] = first ? ring_row(row) : out_row(row);
      }
    } catch (...) {
      failure = std::current_exception();
    }
    if (ready > 0) {
      if (first) {
        worker.rows(input_, nullptr, static_cast<int32_t>(y), ready, radii, out);
        // The second pass reads no further than the margin its shape allows.
        if (worker.margin() != shape_.margin) throw std::logic_error("radius beyond the declared");
      } else {
        worker.rows(SourceRows(ring_runs_.data(), shape_.run_rows, shape_.ring_runs, row_bytes_),
                    nullptr, static_cast<int32_t>(y), ready, radii, out);
      }
    }
    y += ready;
    if (failure) std::rethrow_exception(failure);
  }

  // Row y's radii, the k-th of a group: worked out by the first pass (kept
  // for the second where they are dear), or by each pass.
  std::span<const double> radii_of(RowWorker& worker, bool first, int64_t y, int k) {
    if (keep_radii_ && !first) return kept_radii(y);
    const std::span<double> radii = keep_radii_ ? kept_radii(y) : worker.radii(k);
    row_radii_(static_cast<int32_t>(y), radii);
    return radii;
  }

  const FusedShape shape_;
  const ImageRows& input_;
  const int32_t width_;
  const int32_t height_;
  const size_t row_bytes_;
  const int64_t runs_;
  const size_t pixel_bytes_;  // a run's rows, rounded up to whole cache lines
  const size_t run_bytes_;    // and its radii, where kept
  const bool keep_radii_;
  const std::function<void()>& turn_;
  const RowRadii& row_radii_;
  const RowDone& after_row_;
  std::vector<PageBuffer> ring_;           // the first pass's latest runs of rows
  std::vector<const uint8_t*> ring_runs_;  // where they start
  std::vector<PageBuffer> out_;            // the second pass's runs to be written
  std::vector<const Pass*> last_pass_;     // the pass thread w last made a run of

  std::mutex lock_;  // guards the passes' state and turned_
  std::condition_variable wake_;
  Pass first_, second_;
  bool turned_ = false;
};

}  // namespace

void limit_box_lanes(int lanes) { lane_limit.store(lanes, std::memory_order_relaxed); }

BoxWindow box_window(double radius) {
  const int32_t whole = r_in(radius);
  const double fraction = radius - whole;
  return {int64_t{whole} + 1, fraction, fraction * fraction, (2 * radius + 1) * (2 * radius + 1)};
}

// The tables of the current source: for rows asked one at a time, a band of
// output rows at a time, or the whole image when the windows reach about as
// far as the image is high; for a pass, the whole image's or each worker's
// ring.
struct FractionalBox::Tables {
  ImageRows source;
  EdgeMode mode;
  int64_t margin = 0;     // rows above and below a band: the largest half-width
  int64_t band_rows = 0;  // output rows per band
  bool whole_image = false;
  int64_t loaded = -1;  // the band in the tables (0 for the whole image), or -1
  Sums sums;
  std::vector<std::unique_ptr<RowWorker>> workers;  // a pass's, kept for the next
  PageBuffer output;                                // a pass's band of output rows

  Tables(const ImageRows& image, EdgeMode edge_mode, double max_radius)
      : source(image), mode(edge_mode), sums(AreaSums<uint32_t>(0, 0, edge_mode)) {
    configure(int64_t{r_in(max_radius)} + 2);  // one more for a radius rounded past the largest
  }

  void configure(int64_t half_width) {
    margin = half_width;
    // Bands at least twice as high as their margins keep the rebuilding of
    // margin rows below the band's own work.
    band_rows = std::max<int64_t>(64, 2 * margin);
    whole_image = band_rows + 2 * margin >= source.height();
    sums = sums_for(margin, source.width(), source.height(), mode);
    loaded = -1;
  }

  // Makes the tables answer for output row y and radii up to max_radius.
  void load(int32_t y, double max_radius) {
    const int64_t half_width = int64_t{r_in(max_radius)} + 1;
    if (half_width > margin) configure(half_width + 1);
    const int64_t band = whole_image ? 0 : y / band_rows;
    if (band == loaded) return;
    std::visit(
        [&](auto& table) {
          if (whole_image) {
            table.build_whole_image(source);
          } else {
            const int64_t first = band * band_rows;
            const int64_t rows = std::min<int64_t>(band_rows, source.height() - first);
            table.build_band(source, first - margin, rows + 2 * margin);
          }
        },
        sums);
    loaded = band;
  }

  void pass(OutputFile& dest, const RowRadii& row_radii, const RowDone& after_row);
};

// Rows go a band of output rows at a time; within a band, runs of rows are
// shared among the threads, each computing its rows' radii and pixels on its
// own (reading only the source and the tables), and then the band is written
// and reported in order.
void FractionalBox::Tables::pass(OutputFile& dest, const RowRadii& row_radii,
                                 const RowDone& after_row) {
  const int32_t width = source.width();
  const int32_t height = source.height();
  if (width == 0) {
    for (int32_t y = 0; y < height; ++y) {
      row_radii(y, {});
      next_row24(dest, width);
      after_row(y);
    }
    return;
  }
  if (height == 0) return;
  const unsigned threads = worker_count(int64_t{width} * height);
  if (whole_image) load(0, 0);
  while (workers.size() < threads) {
    workers.push_back(std::make_unique<RowWorker>(source.width(), source.height(), mode, margin));
  }
  for (auto& worker : workers) worker->forget();
  const size_t row_bytes = 3 * static_cast<size_t>(width);
  const int64_t rows_per_band = band_rows_for(width, height, whole_image ? 0 : margin, threads);
  if (output.size() < static_cast<size_t>(rows_per_band) * row_bytes) {
    output = PageBuffer(static_cast<size_t>(rows_per_band) * row_bytes);
  }
  // A ring's first row costs its margins' rows as well: runs of rows long
  // beside them; a lone thread takes the whole band and goes on from there.
  const int64_t run_rows =
      threads <= 1 ? rows_per_band
                   : std::max<int64_t>(whole_image ? 1 : run_rows_for(margin),
                                       (rows_per_band + 2 * threads - 1) / (2 * threads));
  const Sums* whole = whole_image ? &sums : nullptr;
  for (int64_t first = 0; first < height; first += rows_per_band) {
    const int64_t rows = std::min<int64_t>(rows_per_band, height - first);
    const int64_t runs = (rows + run_rows - 1) / run_rows;
    std::atomic<int64_t> next_run{0};
    share_out(threads, 1, threads, [&](int64_t w) {
      RowWorker& worker = *workers[static_cast<size_t>(w)];
      for (int64_t run; (run = next_run.fetch_add(1)) < runs;) {
        const int64_t end = std::min(rows, (run + 1) * run_rows);
        for (int64_t k = run * run_rows; k < end;) {
          const int count = static_cast<int>(std::min<int64_t>(worker.group_rows(), end - k));
          std::span<const double> radii[RowWorker::max_group_rows];
          uint8_t* out[RowWorker::max_group_rows];
          for (int j = 0; j < count; ++j) {
            row_radii(static_cast<int32_t>(first + k + j), worker.radii(j));
            radii[j] = worker.radii(j);
            out[j] = output.data() + static_cast<size_t>(k + j) * row_bytes;
          }
          worker.rows(source, whole, static_cast<int32_t>(first + k), count, radii, out);
          k += count;
        }
      }
    });
    for (int64_t k = 0; k < rows; ++k) {
      std::memcpy(next_row24(dest, width).data(),
                  output.data() + static_cast<size_t>(k) * row_bytes, row_bytes);
      after_row(static_cast<int32_t>(first + k));
    }
  }
}

FractionalBox::FractionalBox(const ImageRows& source, EdgeMode mode, double max_radius)
    : tables_(std::make_unique<Tables>(source, mode, max_radius)) {}

FractionalBox::~FractionalBox() = default;

void FractionalBox::set_source(const ImageRows& source) {
  tables_->source = source;
  tables_->loaded = -1;
}

std::array<uint8_t, 3> FractionalBox::fractional_box_average(int32_t x, int32_t y, double radius) {
  tables_->load(y, radius);
  std::array<uint8_t, 3> out;
  std::visit(
      [&](const auto& sums) {
        average_at(sums, tables_->source.width(), tables_->mode, x, y, WindowPlan(radius),
                   out.data());
      },
      tables_->sums);
  return out;
}

void FractionalBox::average_row(int32_t y, std::span<const double> radii, std::span<uint8_t> out) {
  if (radii.empty()) return;
  tables_->load(y, *std::max_element(radii.begin(), radii.end()));
  std::visit(
      [&](const auto& sums) {
        average_row_of(sums, tables_->source.width(), tables_->mode, y, radii, out.data());
      },
      tables_->sums);
}

void fractional_box_pass(FractionalBox& box, const ImageRows& source, OutputFile& dest,
                         const RowRadii& row_radii, const RowDone& after_row) {
  box.set_source(source);
  box.pass(dest, row_radii, after_row);
}

BlurPass fractional_box_blur(EdgeMode mode, double max_radius, RowRadii row_radii,
                             RowDone after_row) {
  auto box = std::make_shared<std::unique_ptr<FractionalBox>>();
  return [=](const ImageRows& source, OutputFile& dest) {
    if (!*box) *box = std::make_unique<FractionalBox>(source, mode, max_radius);
    fractional_box_pass(**box, source, dest, row_radii, after_row);
  };
}

void FractionalBox::pass(OutputFile& dest, const RowRadii& row_radii, const RowDone& after_row) {
  tables_->pass(dest, row_radii, after_row);
}

void fractional_box_blur_twice(const ImageRows& input, TempFileChain& temps, OutputFile& dest,
                               EdgeMode mode, double max_radius, const RowRadii& row_radii,
                               RadiiCost cost, const RowDone& after_row) {
  const std::optional<FusedShape> shape =
      fused_shape(input.width(), input.height(), mode, max_radius);
  if (!shape) {
    blur_twice_through_temp(input, temps, dest,
                            fractional_box_blur(mode, max_radius, row_radii, after_row));
    return;
  }
  std::unique_ptr<OutputFile> first = temps.create(0);
  write_bmp24_header(*first, input.width(), input.height());
  write_bmp24_header(dest, input.width(), input.height());
  // temp0000 is closed and opened again where the second pass would read it.
  std::unique_ptr<InputFile> reread;
  const std::function<void()> turn = [&] {
    first->commit();
    reread = temps.open(0);
  };
  FusedPasses(*shape, input, cost == RadiiCost::dear, *first, dest, turn, row_radii, after_row)
      .run();
}

}  // namespace bmp
