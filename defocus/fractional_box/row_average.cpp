// A strip of an output row: estimates, then the loop's sums for the open
// channels, each in the widest lanes that serve.
#include "defocus/fractional_box/row_average.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <type_traits>
#include <vector>

#include "defocus/fractional_box/area_sums.hpp"
#include "defocus/fractional_box/lane_kernels.hpp"
#include "defocus/fractional_box/pixel_bytes.hpp"
#include "defocus/fractional_box/vector_lanes.hpp"

namespace bmp::fracbox {
namespace {

#if defined(__x86_64__)
// Groups of one half-width gathered along a strip, their loop sums run three
// vectors at a time (more measured no faster: the lanes are bound by their
// instructions, not by the additions' latency).
template <int lanes>
class LaneBatch {
 public:
  LaneBatch(const AreaSums<uint32_t>& sums, int64_t y, uint8_t* row_out)
      : sums_(sums), y_(y), out_(row_out) {}
  ~LaneBatch() { run(); }
  LaneBatch(const LaneBatch&) = delete;
  LaneBatch& operator=(const LaneBatch&) = delete;

  // Channel c of the pixels x .. x + lanes - 1 (bit l of `wanted`: pixel x
  // + l's byte), whose windows have half-width m.
  void add(const RowWindows& windows, int64_t x, int64_t m, int c, unsigned wanted) {
    if (count_ > 0 && (count_ == capacity || m != half_width_)) run();
    if (m != rows_half_width_) {
      rows_ = window_rows(sums_, y_, m, pixels_, prefixes_);
      rows_half_width_ = m;
    }
    half_width_ = m;
    const auto at = static_cast<size_t>(x);
    groups_[count_++] = {x, c, wanted, windows.fraction(at), windows.corner(at), windows.area(at)};
  }

 private:
  static constexpr int capacity = 3;

  void run() {
    if (count_ == 0) return;
    LaneKernels<lanes>::loop_sums(sums_, rows_, y_, half_width_, groups_, count_, out_);
    count_ = 0;
  }

  const AreaSums<uint32_t>& sums_;
  int64_t y_;
  uint8_t* out_;
  int64_t half_width_ = 0;
  int count_ = 0;
  LaneGroup groups_[capacity];
  // The rows of the windows of the latest half-width.
  int64_t rows_half_width_ = -1;
  WindowRows rows_{};
  std::vector<const uint8_t*> pixels_;
  std::vector<const uint32_t*> prefixes_;
};

// The half-width the pixels x .. x + lanes - 1 share, where their loop sums
// fit the lanes of that width; else -1.
template <int lanes>
int64_t lanes_half_width(const RowWindows& windows, int64_t x, int64_t width) {
  const auto at = static_cast<size_t>(x);
  const int64_t m = windows.half_width(at);
  for (int l = 1; l < lanes; ++l) {
    if (windows.half_width(at + static_cast<size_t>(l)) != m) return -1;
  }
  const bool fits =
      x >= m && x + m + LaneKernels<lanes>::sums_reach <= width && m <= (int64_t{1} << 20);
  return fits ? m : -1;
}

// The open channels of the `lanes` pixels from x on, as groups of a batch:
// false where their windows do not fit the lanes.
template <int lanes>
bool open_channels_in_lanes(LaneBatch<lanes>& batch, const RowWindows& windows, int64_t x,
                            int64_t width, const uint8_t* open) {
  const int64_t m = lanes_half_width<lanes>(windows, x, width);
  if (m < 0) return false;
  // Bit c of each pixel's byte, gathered into bit l of channel c's lanes.
  uint64_t bytes = 0;
  std::memcpy(&bytes, open, lanes);
  constexpr uint64_t gather = lanes == 8 ? 0x0102040810204080u : 0x01020408u;
  constexpr uint64_t kept = lanes == 8 ? ~uint64_t{0} : 0xffffffffu;
  constexpr int top = lanes == 8 ? 56 : 24;
  for (int c = 0; c < 3; ++c) {
    const uint64_t bits = (bytes >> c) & 0x0101010101010101u;
    const auto wanted = static_cast<unsigned>(((bits * gather) & kept) >> top);
    if (wanted != 0) batch.add(windows, x, m, c, wanted);
  }
  return true;
}
#endif

// Whether any of the n pixels' channels from `open` on is open.
bool any_open(const uint8_t* open, int64_t n) {
  uint8_t any = 0;
  for (int64_t l = 0; l < n; ++l) any |= open[l];
  return any != 0;
}

// A strip's pixels: its estimates' record of open channels, and how its
// open channels go to the loop's sums.
template <class Table>
class Strip {
 public:
  Strip(const Table& sums, int64_t width, EdgeMode mode, int64_t y, std::span<const double> radii,
        const RowWindows& windows, int64_t begin, int64_t end, uint8_t* out)
      : sums_(sums),
        width_(width),
        mode_(mode),
        y_(y),
        radii_(radii),
        windows_(windows),
        begin_(begin),
        end_(end),
        out_(out) {
    thread_local std::vector<uint8_t> open_channels;
    if (open_channels.size() < static_cast<size_t>(end - begin)) {
      open_channels.resize(static_cast<size_t>(end - begin));
    }
    open_ = open_channels.data();
  }

  // The estimates, `lanes` at a time where they serve (lanes 8: four for
  // the runs of four eight leave), then one pixel at a time.
  template <int lanes>
  void estimate() {
    std::fill_n(open_, end_ - begin_, not_estimated);
#if defined(__x86_64__)
    if constexpr (lanes > 0) {
      LaneKernels<lanes>::estimate(sums_, windows_, y_, begin_, end_, width_, out_, open_);
      if constexpr (lanes == 8) {
        for (int64_t x = begin_; x + 4 <= end_; x += 4) {
          if (open(x)[0] == not_estimated) {
            LaneKernels<4>::estimate(sums_, windows_, y_, x, x + 4, width_, out_, open(x));
          }
        }
      }
    }
#endif
    estimate_each();
  }

  // The loop's sums of the open channels: `lanes` at a time where the
  // windows fit, else four, else one pixel at a time.
  template <int lanes>
  void open_sums() {
#if defined(__x86_64__)
    if constexpr (lanes > 0) {
      std::optional<LaneBatch<8>> eight;
      if constexpr (lanes == 8) eight.emplace(sums_, y_, out_);
      LaneBatch<4> four(sums_, y_, out_);
      for (int64_t x = begin_; x < end_; x += lanes) {
        const int64_t n = std::min<int64_t>(lanes, end_ - x);
        if (!any_open(open(x), n)) continue;
        if constexpr (lanes == 8) {
          if (n == 8 && open_channels_in_lanes(*eight, windows_, x, width_, open(x))) continue;
        }
        for (int64_t q = x; q < x + n; q += 4) {
          const int64_t k = std::min<int64_t>(4, x + n - q);
          if (k == 4 && open_channels_in_lanes(four, windows_, q, width_, open(q))) continue;
          sums_each(q, k);
        }
      }
      return;
    }
#endif
    sums_each(begin_, end_ - begin_);
  }

 private:
  uint8_t* open(int64_t x) const { return open_ + (x - begin_); }

  // The pixels not yet estimated, one at a time; the plan is made again
  // where the radius changes.
  void estimate_each() {
    uint64_t planned = 0;
    std::optional<WindowPlan> plan;
    for (int64_t x = begin_; x < end_; ++x) {
      if (*open(x) != not_estimated) continue;
      const auto at = static_cast<size_t>(x);
      if (!plan || std::bit_cast<uint64_t>(radii_[at]) != planned) {
        planned = std::bit_cast<uint64_t>(radii_[at]);
        plan = windows_.at(at);
      }
      *open(x) =
          static_cast<uint8_t>(estimate_at(sums_, width_, mode_, x, y_, *plan, out_ + 3 * x));
    }
  }

  // The open channels of the n pixels from x on, one pixel at a time.
  void sums_each(int64_t x, int64_t n) {
    for (int64_t l = x; l < x + n; ++l) {
      const unsigned unsettled = *open(l);
      if (unsettled != 0) {
        loop_channels_at(sums_, width_, mode_, l, y_, windows_.window(static_cast<size_t>(l)),
                         unsettled, out_ + 3 * l);
      }
    }
  }

  const Table& sums_;
  int64_t width_;
  EdgeMode mode_;
  int64_t y_;
  std::span<const double> radii_;
  const RowWindows& windows_;
  int64_t begin_, end_;
  uint8_t* out_;
  uint8_t* open_;  // pixel x's open channels at open_[x - begin_]
};

}  // namespace

#if defined(__x86_64__)
WindowRows window_rows(const AreaSums<uint32_t>& sums, int64_t y, int64_t m,
                       std::vector<const uint8_t*>& pixels,
                       std::vector<const uint32_t*>& prefixes) {
  const auto window = static_cast<size_t>(2 * m + 1);
  if (pixels.size() < window) {
    pixels.resize(window);
    prefixes.resize(window);
  }
  bool direct = true;
  for (int64_t i = 0; i <= 2 * m; ++i) {
    pixels[static_cast<size_t>(i)] = sums.row_pixels(y - m + i);
    if (i > 0 && i < 2 * m) direct &= sums.direct_row(y - m + i);
  }
  if (direct) {
    for (int64_t i = 0; i < 2 * m; ++i) {
      prefixes[static_cast<size_t>(i)] = sums.prefix_row(y - m + 1 + i);
    }
  }
  return {pixels.data(), prefixes.data(), direct};
}
#endif

template <class Table>
void average_strip(const Table& sums, int64_t width, EdgeMode mode, int64_t y,
                   std::span<const double> radii, const RowWindows& windows, int64_t begin,
                   int64_t end, uint8_t* out) {
  if (begin >= end) return;
  Strip<Table> strip(sums, width, mode, y, radii, windows, begin, end, out);
  // The lanes read 32-bit tables.
  if constexpr (std::is_same_v<Table, AreaSums<uint32_t>>) {
    const int lanes = lane_width();
    if (lanes >= 8) {
      strip.template estimate<8>();
      strip.template open_sums<8>();
      return;
    }
    if (lanes >= 4) {
      strip.template estimate<4>();
      strip.template open_sums<4>();
      return;
    }
  }
  strip.template estimate<0>();
  strip.template open_sums<0>();
}

template <class Table>
void average_row_of(const Table& sums, int64_t width, EdgeMode mode, int64_t y,
                    std::span<const double> radii, uint8_t* out) {
  thread_local RowWindows windows;
  windows.plan(radii, 0, radii.size());
  average_strip(sums, width, mode, y, radii, windows, 0, static_cast<int64_t>(radii.size()), out);
}

template void average_strip(const AreaSums<uint32_t>&, int64_t, EdgeMode, int64_t,
                            std::span<const double>, const RowWindows&, int64_t, int64_t, uint8_t*);
template void average_strip(const AreaSums<uint64_t>&, int64_t, EdgeMode, int64_t,
                            std::span<const double>, const RowWindows&, int64_t, int64_t, uint8_t*);
template void average_row_of(const AreaSums<uint32_t>&, int64_t, EdgeMode, int64_t,
                             std::span<const double>, uint8_t*);
template void average_row_of(const AreaSums<uint64_t>&, int64_t, EdgeMode, int64_t,
                             std::span<const double>, uint8_t*);

}  // namespace bmp::fracbox
