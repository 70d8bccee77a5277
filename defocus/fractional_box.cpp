#include "defocus/fractional_box.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <variant>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/parallel.hpp"

namespace bmp {
namespace {

using Channels = std::array<double, 3>;

inline int64_t mapped(int64_t i, int64_t n, EdgeMode mode) {
  return (i >= 0 && i < n) ? i : map_edge_index(i, n, mode);
}

// ---- Summed-area tables over the edge-mapped plane ---------------------------

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

// Prefix sums of the three channels over a run of window rows: sums[k][l] is
// the sum over the first k rows and the columns < l, in an unsigned type whose
// wrap-around leaves every window sum exact while the true sum fits the type.
// A band table holds window rows first .. first + count - 1, each the image
// row the edge mode maps it to, and answers for windows inside them; the
// whole-image table holds the image's rows and maps window rows at lookup,
// for windows of any size.
template <class Sum>
class AreaSums {
 public:
  using Triple = std::array<Sum, 3>;

  AreaSums(int64_t width, int64_t height, EdgeMode mode)
      : width_(width), height_(height), mode_(mode) {}

  void build_band(const ImageRows& source, int64_t first, int64_t count) {
    whole_image_ = false;
    build(source, first, count);
  }
  void build_whole_image(const ImageRows& source) {
    whole_image_ = true;
    build(source, 0, height_);
  }

  // The image row of window row `row`, mapped by the edge mode.
  const uint8_t* row_pixels(int64_t row) const {
    return rows_[static_cast<size_t>(whole_image_ ? mapped(row, height_, mode_) : row - first_)];
  }

  // The channel sums over window rows row0..row1 and columns col0..col1
  // (inclusive; columns mapped by the edge mode, as many times round as
  // they reach).
  Triple box(int64_t row0, int64_t row1, int64_t col0, int64_t col1) const {
    if ((!whole_image_ || (row0 >= 0 && row1 < height_)) && col0 >= 0 && col1 < width_) {
      const Sum* a = entry(row1 + 1 - first_, col1 + 1);
      const Sum* b = entry(row0 - first_, col1 + 1);
      const Sum* c = entry(row1 + 1 - first_, col0);
      const Sum* d = entry(row0 - first_, col0);
      return {Sum(a[0] - b[0] - c[0] + d[0]), Sum(a[1] - b[1] - c[1] + d[1]),
              Sum(a[2] - b[2] - c[2] + d[2])};
    }
    return mapped_box(row0, row1, col0, col1);
  }

  // Channel c of window row `row` summed over columns col0..col1 (mapped).
  Sum row_run(int64_t row, int64_t col0, int64_t col1, int c) const {
    if ((!whole_image_ || (row >= 0 && row < height_)) && col0 >= 0 && col1 < width_) {
      const int64_t k = row - first_;
      return Sum(entry(k + 1, col1 + 1)[c] - entry(k, col1 + 1)[c] - entry(k + 1, col0)[c] +
                 entry(k, col0)[c]);
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

  void build(const ImageRows& source, int64_t first, int64_t count) {
    first_ = first;
    rows_.resize(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
      rows_[static_cast<size_t>(i)] = source.row(mapped(first + i, height_, mode_));
    }
    sums_.resize(static_cast<size_t>((count + 1) * (width_ + 1) * 3));
    std::fill_n(sums_.begin(), (width_ + 1) * 3, Sum{0});
    for (int64_t i = 0; i < count; ++i) {
      const uint8_t* pixel = rows_[static_cast<size_t>(i)];
      const Sum* above = &sums_[index(i, 0)];
      Sum* here = &sums_[index(i + 1, 0)];
      Sum run[3] = {0, 0, 0};
      here[0] = here[1] = here[2] = 0;
      for (int64_t column = 0; column < width_; ++column, pixel += 3) {
        for (int c = 0; c < 3; ++c) {
          run[c] += pixel[c];
          here[3 * (column + 1) + c] = above[3 * (column + 1) + c] + run[c];
        }
      }
    }
  }

  size_t index(int64_t rows, int64_t columns) const {
    return static_cast<size_t>((rows * (width_ + 1) + columns) * 3);
  }
  const Sum* entry(int64_t rows, int64_t columns) const { return &sums_[index(rows, columns)]; }

  // The sum over window rows below k (from the table's first) and columns
  // below l.
  Triple prefix(int64_t k, int64_t l) const {
    const AxisPrefix rows =
        whole_image_ ? axis_prefix(k, height_, mode_) : AxisPrefix{{{1, k - first_}, {0, 0}}, 1};
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
  bool whole_image_ = false;
  int64_t first_ = 0;
  std::vector<const uint8_t*> rows_;
  std::vector<Sum> sums_;
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
template <Runs runs, class Sum, class ColumnOffset>
double loop_sum(const AreaSums<Sum>& sums, int c, int64_t x, int64_t y, const BoxWindow& window,
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

template <class Sum>
std::array<uint8_t, 3> average_at(const AreaSums<Sum>& sums, int64_t width, EdgeMode mode,
                                  int64_t x, int64_t y, double radius) {
  const BoxWindow window = box_window(radius);
  const int64_t m = window.half_width;
  const auto inner = sums.box(y - m + 1, y + m - 1, x - m + 1, x + m - 1);
  std::array<uint8_t, 3> out;
  if (window.fraction == 0) {
    // Ring and corners weigh 0: the loop adds whole numbers only, exactly.
    for (int c = 0; c < 3; ++c) out[c] = channel_byte(static_cast<double>(inner[c]), window.area);
    return out;
  }
  const auto whole = sums.box(y - m, y + m, x - m, x + m);
  const int64_t left = 3 * mapped(x - m, width, mode);
  const int64_t right = 3 * mapped(x + m, width, mode);
  const uint8_t* bottom = sums.row_pixels(y - m);
  const uint8_t* top = sums.row_pixels(y + m);
  const uint8_t* corners[4] = {bottom + left, bottom + right, top + left, top + right};
  const double side = static_cast<double>(2 * m + 1);
  const double samples = side * side;
  const bool exact = sums_exactly(window.fraction, samples);
  const bool bounded = samples <= max_bounded_samples;
  const double inverse_area = 1 / window.area;
  const double relative_slack = (samples + 16) * 0x1p-52;
  bool unsettled[3] = {false, false, false};
  for (int c = 0; c < 3; ++c) {
    const int corner_sum = corners[0][c] + corners[1][c] + corners[2][c] + corners[3][c];
    const double inside = static_cast<double>(inner[c]);
    const double ring = static_cast<double>(Sum(Sum(whole[c] - inner[c]) - Sum(corner_sum)));
    const double estimate = inside + window.fraction * ring + window.corner * corner_sum;
    if (exact) {  // the loop forms exactly this sum
      out[c] = channel_byte(estimate, window.area);
      continue;
    }
    const double quotient = estimate * inverse_area;
    const int settled =
        bounded ? settled_channel(quotient, relative_slack * quotient + 0x1p-900) : -1;
    if (settled < 0) {
      unsettled[c] = true;
    } else {
      out[c] = static_cast<uint8_t>(settled);
    }
  }
  // The channels that the loop's rounding could tip: its additions, re-run.
  for (int c = 0; c < 3; ++c) {
    if (!unsettled[c]) continue;
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
  return out;
}

// Window sums stay below 255 × (2M + 1)²; 32-bit tables hold them when that fits.
bool fits_32_bits(int64_t half_width) {
  const double side = 2.0 * static_cast<double>(half_width) + 1;
  return 255.0 * side * side < 0x1p32;
}

}  // namespace

BoxWindow box_window(double radius) {
  const int32_t whole = r_in(radius);
  const double fraction = radius - whole;
  return {int64_t{whole} + 1, fraction, fraction * fraction, (2 * radius + 1) * (2 * radius + 1)};
}

// The tables of the current source: a band of output rows at a time, or the
// whole image when the windows reach about as far as the image is high.
struct FractionalBox::Tables {
  using Sums = std::variant<AreaSums<uint32_t>, AreaSums<uint64_t>>;

  ImageRows source;
  EdgeMode mode;
  int64_t margin = 0;     // rows above and below a band: the largest half-width
  int64_t band_rows = 0;  // output rows per band
  bool whole_image = false;
  int64_t loaded = -1;  // the band in the tables (0 for the whole image), or -1
  Sums sums;

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
    if (fits_32_bits(margin)) {
      sums = AreaSums<uint32_t>(source.width(), source.height(), mode);
    } else {
      sums = AreaSums<uint64_t>(source.width(), source.height(), mode);
    }
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

  // The end (exclusive) of the run of output rows from y that the loaded
  // tables serve.
  int32_t serves_until(int32_t y) const {
    if (whole_image) return source.height();
    return static_cast<int32_t>(
        std::min<int64_t>(source.height(), (y / band_rows + 1) * band_rows));
  }
};

FractionalBox::FractionalBox(const ImageRows& source, EdgeMode mode, double max_radius)
    : tables_(std::make_unique<Tables>(source, mode, max_radius)) {}

FractionalBox::~FractionalBox() = default;

void FractionalBox::set_source(const ImageRows& source) {
  tables_->source = source;
  tables_->loaded = -1;
}

std::array<uint8_t, 3> FractionalBox::fractional_box_average(int32_t x, int32_t y, double radius) {
  tables_->load(y, radius);
  return std::visit(
      [&](const auto& sums) {
        return average_at(sums, tables_->source.width(), tables_->mode, x, y, radius);
      },
      tables_->sums);
}

int32_t FractionalBox::prepare(int32_t y, double max_radius) {
  tables_->load(y, max_radius);
  return tables_->serves_until(y);
}

int32_t FractionalBox::band_end(int32_t y) const { return tables_->serves_until(y); }

void FractionalBox::average_prepared_row(int32_t y, std::span<const double> radii,
                                         std::span<uint8_t> out) const {
  std::visit(
      [&](const auto& sums) {
        for (size_t x = 0; x < radii.size(); ++x) {
          std::array<uint8_t, 3> bgr = average_at(sums, tables_->source.width(), tables_->mode,
                                                  static_cast<int64_t>(x), y, radii[x]);
          out[3 * x] = bgr[0];
          out[3 * x + 1] = bgr[1];
          out[3 * x + 2] = bgr[2];
        }
      },
      tables_->sums);
}

void FractionalBox::average_row(int32_t y, std::span<const double> radii, std::span<uint8_t> out) {
  if (radii.empty()) return;
  prepare(y, *std::max_element(radii.begin(), radii.end()));
  average_prepared_row(y, radii, out);
}

// Rows go a band at a time, the band the tables serve: their radii, then,
// with the tables ready for the band, their pixels, both shared among the
// threads (each pixel reads only the tables and the source), then written and
// reported in order. Each row's radii are worked out once per pass: should
// the tables grow for a larger radius and serve fewer rows, the radii of the
// rows left over are kept for the next band.
void fractional_box_pass(FractionalBox& box, const ImageRows& source, OutputFile& dest,
                         const RowRadii& row_radii, const RowDone& after_row) {
  box.set_source(source);
  const int32_t width = source.width();
  const int32_t height = source.height();
  const size_t row_pixels = static_cast<size_t>(width);
  const unsigned workers = worker_count(int64_t{width} * height);
  std::vector<double> radii;
  std::vector<uint8_t> pixels;
  auto radii_of = [&](int64_t i) {
    return std::span<double>(radii.data() + i * row_pixels, row_pixels);
  };
  auto pixels_of = [&](int64_t i) {
    return std::span<uint8_t>(pixels.data() + i * 3 * row_pixels, 3 * row_pixels);
  };
  int32_t known = 0;  // rows from `first` whose radii are already in `radii`
  for (int32_t first = 0; first < height;) {
    const int32_t wanted = std::max(box.band_end(first), first + known);
    radii.resize(static_cast<size_t>(wanted - first) * row_pixels);
    share_out(wanted - first - known, 1, workers, [&](int64_t i) {
      row_radii(first + known + static_cast<int32_t>(i), radii_of(known + i));
    });
    int32_t end = wanted;
    if (width > 0) {
      end = std::min(end, box.prepare(first, *std::max_element(radii.begin(), radii.end())));
      pixels.resize(static_cast<size_t>(end - first) * 3 * row_pixels);
      share_out(end - first, 1, workers, [&](int64_t i) {
        box.average_prepared_row(first + static_cast<int32_t>(i), radii_of(i), pixels_of(i));
      });
    }
    for (int32_t y = first; y < end; ++y) {
      std::span<const uint8_t> row = pixels_of(y - first);
      std::span<uint8_t> target = next_row24(dest, width);
      std::copy(row.begin(), row.end(), target.begin());
      after_row(y);
    }
    known = wanted - end;
    std::copy(radii.begin() + static_cast<ptrdiff_t>((end - first) * row_pixels), radii.end(),
              radii.begin());
    first = end;
  }
}

BlurPass fractional_box_blur(EdgeMode mode, double max_radius, RowRadii row_radii,
                             RowDone after_row) {
  auto box = std::make_shared<std::unique_ptr<FractionalBox>>();
  return [=](const ImageRows& source, OutputFile& dest) {
    if (!*box) *box = std::make_unique<FractionalBox>(source, mode, max_radius);
    fractional_box_pass(**box, source, dest, row_radii, after_row);
  };
}

}  // namespace bmp
