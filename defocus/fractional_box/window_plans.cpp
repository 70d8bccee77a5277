// A row's window plans, worked out in vector loops where the radii allow.
#include "defocus/fractional_box/window_plans.hpp"

#include <algorithm>
#include <cstring>

#include "core/processor.hpp"

namespace bmp::fracbox {
namespace {

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

}  // namespace

void RowWindows::plan(std::span<const double> radii, size_t begin, size_t end) {
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

}  // namespace bmp::fracbox
