#include "geometry/rotation.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <vector>

#include "core/failure.hpp"
#include "core/formulas.hpp"
#include "core/messages.hpp"
#include "core/processor.hpp"
#include "core/row_bands.hpp"
#include "core/row_pipeline.hpp"

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

void check_frame_size(int32_t width, int32_t height, const std::string& input_name) {
  // S = 2M, and windows reach a few pixels beyond the canvas.
  const int64_t side = 2 * int64_t{height > width ? height : width};
  if (side > INT32_MAX - 8) fail(Channel::out, msg::too_large_to_turn, input_name.c_str());
}

void check_turned_size(int32_t width, int32_t height, int bytes_per_pixel,
                       const std::string& input_name) {
  const int64_t row = bytes_per_pixel == 3 ? row_bytes24(width) : row_bytes32(width);
  const int64_t header = bytes_per_pixel == 3 ? bmp24_header_bytes : bmp32_header_bytes;
  if (row > 0 && height > (max_file_bytes - header) / row) {
    fail(Channel::out, msg::too_large_to_turn, input_name.c_str());
  }
}

RotationFrame rotation_frame(int32_t width, int32_t height, RotationMargins margins) {
  RotationFrame f;
  f.width = width;
  f.height = height;
  f.centre = height > width ? height : width;
  f.side = 2 * f.centre;
  f.left = (f.side - width) / 2;
  f.bottom = (f.side - height) / 2;
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

// The products cos t x dx and sin t x dx depend only on the column and the
// offset, cos t x dy and sin t x dy only on the row: each is formed once and
// the same two sums are then taken per sample, so every position has the bits
// of rotate_source_position.
template <size_t n>
struct ColumnTerms {
  double cos_dx[n];
  double sin_dx[n];
};
template <size_t n>
struct RowTerms {
  double sin_dy[n];
  double cos_dy[n];
};

// The columns [first, last) of one output row whose samples all lie inside
// some bounds.
struct ColumnSpan {
  int32_t first = 0, last = 0;
};

// The source as one kernel sees it, in the source's own coordinates: its
// pixels, the area around it whose positions read the nearest of them, the
// centre and the fill colour.
template <int bytes_per_pixel>
struct SampleSource {
  const ImageRows& rows;
  int32_t width, height;
  PixelWindow area;
  int32_t cx, cy;
  std::array<uint8_t, bytes_per_pixel> fill;

  template <size_t n>
  SourcePosition position(const ColumnTerms<n>& column, const RowTerms<n>& row, size_t k) const {
    return {truncate_toward_zero(column.cos_dx[k] + row.sin_dy[k]) + cx,
            truncate_toward_zero(row.cos_dy[k] - column.sin_dx[k]) + cy};
  }
  bool in_area(SourcePosition p) const {
    return p.sx >= area.c0 && p.sx < area.c1 && p.sy >= area.r0 && p.sy < area.r1;
  }
  // The nearest source pixel of a position in the area.
  const uint8_t* pixel(SourcePosition p) const {
    return rows.row(std::clamp(p.sy, 0, height - 1)) +
           int64_t{bytes_per_pixel} * std::clamp(p.sx, 0, width - 1);
  }

  // One output pixel, every sample range-checked: beyond the area a sample
  // is the fill colour.
  template <size_t n>
  void checked_pixel(const ColumnTerms<n>& column, const RowTerms<n>& row, uint8_t* out) const {
    uint32_t sum0 = 0, sum1 = 0, sum2 = 0, sum3 = 0;
    for (size_t k = 0; k < n; ++k) {
      const SourcePosition p = position(column, row, k);
      const uint8_t* sample = in_area(p) ? pixel(p) : fill.data();
      sum0 += sample[0];
      sum1 += sample[1];
      sum2 += sample[2];
      if constexpr (bytes_per_pixel == 4) sum3 += sample[3];
    }
    // trunc(sum / n) in doubles equals the integer quotient: n is 1, 4 or
    // 8 and the sum is never negative.
    out[0] = static_cast<uint8_t>(sum0 / n);
    out[1] = static_cast<uint8_t>(sum1 / n);
    out[2] = static_cast<uint8_t>(sum2 / n);
    if constexpr (bytes_per_pixel == 4) out[3] = static_cast<uint8_t>(sum3 / n);
  }

  // Along a row each sample's sx and sy are monotonic in the column (every
  // step from the column to the position is: an exact integer difference, a
  // rounded sum, a rounded product by a fixed factor, truncation), so the
  // columns where one bound holds are a prefix or a suffix of the row, and
  // those where every bound of every sample holds are one span, found by
  // bisection with the checked positions themselves.
  template <size_t n>
  ColumnSpan inside_span(std::span<const ColumnTerms<n>> columns, const RowTerms<n>& row,
                         const PixelWindow& bounds) const {
    ColumnSpan span{0, static_cast<int32_t>(columns.size())};
    if (columns.empty()) return span;
    for (size_t k = 0; k < n && span.first < span.last; ++k) {
      auto bound = [&](auto holds) {
        auto at = [&](int32_t c) {
          return holds(position(columns[static_cast<size_t>(c)], row, k));
        };
        const int32_t last = static_cast<int32_t>(columns.size()) - 1;
        const bool at_first = at(0), at_last = at(last);
        if (at_first && at_last) return;
        if (!at_first && !at_last) {
          span = {0, 0};
          return;
        }
        // The change from one answer to the other lies in (low, high].
        int32_t low = 0, high = last;
        while (high - low > 1) {
          const int32_t middle = low + (high - low) / 2;
          (at(middle) == at_first ? low : high) = middle;
        }
        if (at_first) {
          span.last = std::min(span.last, high);
        } else {
          span.first = std::max(span.first, high);
        }
        if (span.first > span.last) span = {0, 0};
      };
      bound([&](SourcePosition p) { return p.sx >= bounds.c0; });
      bound([&](SourcePosition p) { return p.sx < bounds.c1; });
      bound([&](SourcePosition p) { return p.sy >= bounds.r0; });
      bound([&](SourcePosition p) { return p.sy < bounds.r1; });
    }
    return span;
  }
};

// Pixels whose samples all lie in the area, without range checks: inside
// the area's span each truncation is of a value well within 32 bits (its
// result plus the centre is a position of the area), so the plain conversion
// gives the checked one's result. With `clamped` each position is brought
// to the nearest source pixel; without, every position must be one. Each
// channel's sum is kept in one 16-bit field of a 32-bit word (8 x 255
// fits): a pixel's word holds bytes 0 and 2 in `low` and bytes 1 and 3 in
// `high`.
template <int bytes_per_pixel, size_t n>
void put_means(uint32_t low, uint32_t high, uint8_t* out) {
  out[0] = static_cast<uint8_t>((low & 0xffffu) / n);
  out[1] = static_cast<uint8_t>((high & 0xffffu) / n);
  out[2] = static_cast<uint8_t>((low >> 16) / n);
  if constexpr (bytes_per_pixel == 4) out[3] = static_cast<uint8_t>((high >> 16) / n);
}

template <bool clamped, int bytes_per_pixel, size_t n>
void unchecked_pixels_plain(const SampleSource<bytes_per_pixel>& source,
                            std::span<const ColumnTerms<n>> columns, const RowTerms<n>& row,
                            uint8_t* out) {
  for (const ColumnTerms<n>& column : columns) {
    uint32_t low = 0, high = 0;
    for (size_t k = 0; k < n; ++k) {
      int32_t x = static_cast<int32_t>(column.cos_dx[k] + row.sin_dy[k]) + source.cx;
      int32_t y = static_cast<int32_t>(row.cos_dy[k] - column.sin_dx[k]) + source.cy;
      if constexpr (clamped) {
        x = std::clamp(x, 0, source.width - 1);
        y = std::clamp(y, 0, source.height - 1);
      }
      const uint8_t* sample = source.rows.row(y) + int64_t{bytes_per_pixel} * x;
      uint32_t word;
      if constexpr (bytes_per_pixel == 3) {
        word = uint32_t{sample[0]} | uint32_t{sample[1]} << 8 | uint32_t{sample[2]} << 16;
      } else {
        std::memcpy(&word, sample, 4);
      }
      low += word & 0x00ff00ffu;
      high += (word >> 8) & 0x00ff00ffu;
    }
    put_means<bytes_per_pixel, n>(low, high, out);
    out += bytes_per_pixel;
  }
}

#if defined(__x86_64__)
// The words at `count` byte offsets from base. Plain loads: on some
// processors (AMD Zen 4) they measured faster than the gather instruction.
template <size_t count>
__attribute__((target("avx2"))) inline std::array<uint32_t, count> words_at(const uint8_t* base,
                                                                            __m256i offsets) {
  alignas(32) std::array<int32_t, 8> at;
  _mm256_store_si256(reinterpret_cast<__m256i*>(at.data()), offsets);
  std::array<uint32_t, count> words;
  for (size_t k = 0; k < count; ++k) std::memcpy(&words[k], base + at[k], 4);
  return words;
}

// The plain path with AVX2: the four or eight samples of a pixel side by
// side, each lane doing the plain path's additions, truncations and clamps,
// then their words read by 32-bit offsets from the source's first pixel. A
// 3-byte pixel's word is read from the byte before it (a source's rows
// follow its header), so no read passes the end of the source.
template <bool clamped, int bytes_per_pixel, size_t n>
__attribute__((target("avx2"))) void unchecked_pixels_avx2(
    const SampleSource<bytes_per_pixel>& from, int32_t stride,
    std::span<const ColumnTerms<n>> columns, const RowTerms<n>& row, uint8_t* out) {
  static_assert(n == 4 || n == 8);
  const uint8_t* base = from.rows.row(0) - (bytes_per_pixel == 3 ? 1 : 0);
  const __m256i mask = _mm256_set1_epi32(0x00ff00ff);
  const __m256i step = _mm256_set1_epi32(stride);
  const __m256i cx = _mm256_set1_epi32(from.cx), cy = _mm256_set1_epi32(from.cy);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i last_x = _mm256_set1_epi32(from.width - 1);
  const __m256i last_y = _mm256_set1_epi32(from.height - 1);
  const __m256d sin_dy0 = _mm256_loadu_pd(row.sin_dy), cos_dy0 = _mm256_loadu_pd(row.cos_dy);
  const __m256d sin_dy1 = _mm256_loadu_pd(row.sin_dy + n - 4);
  const __m256d cos_dy1 = _mm256_loadu_pd(row.cos_dy + n - 4);
  for (const ColumnTerms<n>& column : columns) {
    // sx - cx and sy - cy of every sample.
    __m128i tx0 = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(column.cos_dx), sin_dy0));
    __m128i ty0 = _mm256_cvttpd_epi32(_mm256_sub_pd(cos_dy0, _mm256_loadu_pd(column.sin_dx)));
    __m256i tx, ty;
    if constexpr (n == 8) {
      const __m128i tx1 =
          _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(column.cos_dx + 4), sin_dy1));
      const __m128i ty1 =
          _mm256_cvttpd_epi32(_mm256_sub_pd(cos_dy1, _mm256_loadu_pd(column.sin_dx + 4)));
      tx = _mm256_set_m128i(tx1, tx0);
      ty = _mm256_set_m128i(ty1, ty0);
    } else {
      tx = _mm256_castsi128_si256(tx0);
      ty = _mm256_castsi128_si256(ty0);
    }
    __m256i x = _mm256_add_epi32(tx, cx), y = _mm256_add_epi32(ty, cy);
    if constexpr (clamped) {
      x = _mm256_min_epi32(_mm256_max_epi32(x, zero), last_x);
      y = _mm256_min_epi32(_mm256_max_epi32(y, zero), last_y);
    }
    const __m256i across = bytes_per_pixel == 3 ? _mm256_add_epi32(_mm256_add_epi32(x, x), x)
                                                : _mm256_slli_epi32(x, 2);
    const __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(y, step), across);
    __m128i low, high;
    if constexpr (n == 8) {
      __m256i word =
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words_at<8>(base, offset).data()));
      if constexpr (bytes_per_pixel == 3) word = _mm256_srli_epi32(word, 8);
      const __m256i low8 = _mm256_and_si256(word, mask);
      const __m256i high8 = _mm256_and_si256(_mm256_srli_epi32(word, 8), mask);
      low = _mm_add_epi32(_mm256_castsi256_si128(low8), _mm256_extracti128_si256(low8, 1));
      high = _mm_add_epi32(_mm256_castsi256_si128(high8), _mm256_extracti128_si256(high8, 1));
    } else {
      __m128i word =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(words_at<4>(base, offset).data()));
      if constexpr (bytes_per_pixel == 3) word = _mm_srli_epi32(word, 8);
      low = _mm_and_si128(word, _mm256_castsi256_si128(mask));
      high = _mm_and_si128(_mm_srli_epi32(word, 8), _mm256_castsi256_si128(mask));
    }
    __m128i sums = _mm_hadd_epi32(low, high);  // low 0+1, low 2+3, high 0+1, high 2+3
    sums = _mm_hadd_epi32(sums, sums);
    put_means<bytes_per_pixel, n>(static_cast<uint32_t>(_mm_cvtsi128_si32(sums)),
                                  static_cast<uint32_t>(_mm_extract_epi32(sums, 1)), out);
    out += bytes_per_pixel;
  }
}

#endif

template <bool clamped, int bytes_per_pixel, size_t n>
void unchecked_pixels(const SampleSource<bytes_per_pixel>& source,
                      std::span<const ColumnTerms<n>> columns, const RowTerms<n>& row,
                      uint8_t* out) {
  if (columns.empty()) return;
#if defined(__x86_64__)
  if constexpr (n == 4 || n == 8) {
    // Every offset from the first pixel to a pixel of the source fits 32 bits.
    const int64_t stride = source.height > 1 ? source.rows.row(1) - source.rows.row(0) : 0;
    const int64_t extent =
        int64_t{source.height} * stride + int64_t{bytes_per_pixel} * source.width;
    if (has_avx2() && extent < (int64_t{1} << 31)) {
      return unchecked_pixels_avx2<clamped, bytes_per_pixel, n>(
          source, static_cast<int32_t>(stride), columns, row, out);
    }
  }
#endif
  unchecked_pixels_plain<clamped>(source, columns, row, out);
}

// The blocks of output rows a kernel fills at once, and the columns of one tile.
constexpr int32_t rows_per_block = 32;
constexpr int32_t tile_columns = 64;

template <int bytes_per_pixel, size_t n>
void sample_rows(const ImageRows& source, const PixelWindow& window, const Turn& turn,
                 std::span<const SampleOffset, n> offsets, OutputFile& out, const RowDone& done) {
  const TurnAngle t = turn_angle(turn.angle);
  const int32_t width = window.width();
  std::vector<ColumnTerms<n>> columns(static_cast<size_t>(width > 0 ? width : 0));
  for (int32_t x = 0; x < width; ++x) {
    for (size_t k = 0; k < n; ++k) {
      const double dx = offset_from_centre(window.c0 + x, turn.cx, offsets[k].ox);
      columns[static_cast<size_t>(x)].cos_dx[k] = t.cos_t * dx;
      columns[static_cast<size_t>(x)].sin_dx[k] = t.sin_t * dx;
    }
  }
  // The source in its own coordinates: the centre and the area moved by its
  // placement. Where the area is the source itself no position needs a clamp.
  const Placement place =
      turn.placement.value_or(Placement{0, 0, PixelWindow{0, source.width(), 0, source.height()}});
  const PixelWindow own{0, source.width(), 0, source.height()};
  // A source without pixels has none to repeat: every sample is the fill.
  const PixelWindow area = own.width() > 0 && own.height() > 0
                               ? place.area.shifted(-place.column, -place.row)
                               : PixelWindow{};
  const bool repeats_edges = area != own && area.width() > 0 && area.height() > 0;
  const SampleSource<bytes_per_pixel> from{source,
                                           source.width(),
                                           source.height(),
                                           area,
                                           turn.cx - place.column,
                                           turn.cy - place.row,
                                           file_order<bytes_per_pixel>(turn.fill)};
  const std::span<const ColumnTerms<n>> all(columns);

  // The spans of one row: where every sample lies in the area, and within it
  // where every sample is a source pixel.
  struct RowSpans {
    ColumnSpan area, source;
  };
  auto spans_of = [&](const RowTerms<n>& row) {
    const ColumnSpan in_area = from.inside_span(all, row, area);
    if (!repeats_edges) return RowSpans{in_area, in_area};
    ColumnSpan in_source = from.inside_span(all, row, own);
    if (in_source.first >= in_source.last) in_source = {in_area.first, in_area.first};
    return RowSpans{in_area, in_source};
  };
  // Columns x0 <= x < x1 of one row: checked beyond the area's span, clamped
  // between it and the source's, plain inside the source's.
  auto fill_columns = [&](const RowTerms<n>& row, const RowSpans& spans, int32_t x0, int32_t x1,
                          uint8_t* pixels) {
    const int32_t first = std::clamp(spans.area.first, x0, x1);
    const int32_t last = std::clamp(spans.area.last, first, x1);
    const int32_t inner_first = std::clamp(spans.source.first, first, last);
    const int32_t inner_last = std::clamp(spans.source.last, inner_first, last);
    auto columns_of = [&](int32_t from_x, int32_t to_x) {
      return all.subspan(static_cast<size_t>(from_x), static_cast<size_t>(to_x - from_x));
    };
    for (int32_t x = x0; x < first; ++x) {
      from.checked_pixel(all[static_cast<size_t>(x)], row, pixels + bytes_per_pixel * x);
    }
    unchecked_pixels<true>(from, columns_of(first, inner_first), row,
                           pixels + bytes_per_pixel * first);
    unchecked_pixels<false>(from, columns_of(inner_first, inner_last), row,
                            pixels + bytes_per_pixel * inner_first);
    unchecked_pixels<true>(from, columns_of(inner_last, last), row,
                           pixels + bytes_per_pixel * inner_last);
    for (int32_t x = last; x < x1; ++x) {
      from.checked_pixel(all[static_cast<size_t>(x)], row, pixels + bytes_per_pixel * x);
    }
  };
  // Rows are independent of each other: blocks of them are computed on all
  // cores and written in order. A block is filled in tiles of a few columns,
  // whose samples stay within a few rows of the source at any angle, so the
  // source's rows stay in the cache from one output row to the next.
  auto fill_block = [&](const RowBlock& block) {
    std::array<RowTerms<n>, rows_per_block> rows;
    std::array<RowSpans, rows_per_block> spans;
    for (int32_t r = 0; r < block.count; ++r) {
      RowTerms<n>& row = rows[static_cast<size_t>(r)];
      for (size_t k = 0; k < n; ++k) {
        const double dy = offset_from_centre(window.r0 + block.first + r, turn.cy, offsets[k].oy);
        row.sin_dy[k] = t.sin_t * dy;
        row.cos_dy[k] = t.cos_t * dy;
      }
      spans[static_cast<size_t>(r)] = spans_of(row);
    }
    for (int32_t x0 = 0; x0 < width; x0 += tile_columns) {
      const int32_t x1 = std::min(width, x0 + tile_columns);
      for (int32_t r = 0; r < block.count; ++r) {
        fill_columns(rows[static_cast<size_t>(r)], spans[static_cast<size_t>(r)], x0, x1,
                     block.pixels + static_cast<size_t>(r) * block.stride);
      }
    }
  };
  produce_row_blocks<bytes_per_pixel>(out, width, window.height(), rows_per_block,
                                      int64_t{width} * static_cast<int64_t>(n), fill_block,
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

Placement Canvas::placement() const {
  const RotationFrame& f = frame;
  const bool empty = f.width == 0 || f.height == 0;
  if (edge && !empty) return {f.left, f.bottom, PixelWindow{0, f.side, 0, f.side}};
  return {f.left, f.bottom, PixelWindow{f.left, f.left + f.width, f.bottom, f.bottom + f.height}};
}

Canvas build_edge_canvas(const ImageRows& input, const RotationFrame& frame) {
  return Canvas{&input, frame, FillColour{}, true};
}

Canvas build_solid_canvas(const ImageRows& input, const RotationFrame& frame,
                          const FillColour& fill) {
  return Canvas{&input, frame, fill, false};
}

// ---- Kernels of the rotation tools -----------------------------------------

namespace {

template <int bytes_per_pixel>
void rotate_canvas(const Canvas& canvas, SizeMode mode, double angle, SampleSet samples,
                   OutputFile& out, const RowDone& done) {
  const RotationFrame& f = canvas.frame;
  const Turn turn{f.centre, f.centre, angle, samples, canvas.fill, canvas.placement()};
  sample_turn<bytes_per_pixel>(*canvas.input, rotation_window(f, mode), turn, out, done);
}

}  // namespace

void rotate_nearest(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                    const RowDone& done) {
  rotate_canvas<3>(canvas, mode, angle, SampleSet::one_sample, out, done);
}

void rotate_aa4(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                const RowDone& done) {
  rotate_canvas<3>(canvas, mode, angle, SampleSet::four_samples, out, done);
}

void rotate_aa8(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                const RowDone& done) {
  rotate_canvas<3>(canvas, mode, angle, SampleSet::eight_samples, out, done);
}

void rotate_nearest32(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                      const RowDone& done) {
  rotate_canvas<4>(canvas, mode, angle, SampleSet::one_sample, out, done);
}

void rotate_aa8_32(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                   const RowDone& done) {
  rotate_canvas<4>(canvas, mode, angle, SampleSet::eight_samples, out, done);
}

}  // namespace bmp
