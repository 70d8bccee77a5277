// The plans of the windows: what a pixel's sums need of its radius (half-width,
// fraction and its square, area, the bound's slack, whether the sum is exact
// anyway), worked out a row at a time into one array per quantity, so that
// the vector paths load the plans of four or eight pixels at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "defocus/fractional_box/exact_sums.hpp"
#include "defocus/fractional_box/terms.hpp"

namespace bmp::fracbox {

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

// The plans of a row's radii, one array per quantity, so that the vector
// paths load four or eight pixels' at once; pixel x's plan at index x. A
// plan depends on its radius alone, so entries planned for one row serve the
// next wherever its radii are the same. Radii beyond 2^29, far beyond any
// degree, are planned one by one.
class RowWindows {
 public:
  // The plans of pixels begin .. end - 1 of a row of radii.
  void plan(std::span<const double> radii, size_t begin, size_t end);

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
  // Whether it serves the `lanes` pixels from i on (four or eight).
  bool in_lanes(size_t i, int lanes) const {
    return four_in_lanes(i) &&
           (lanes == 4 || (four_in_lanes(i + 4) && half_width_[i] == half_width_[i + 4]));
  }
  // Whether the `lanes` pixels from i on share a half-width and all sum
  // exactly (fraction 0, or one of few digits): their estimates are their
  // sums.
  bool exact_in_lanes(size_t i, int lanes) const {
    for (size_t l = 0; l < static_cast<size_t>(lanes); ++l) {
      if (exact_[i + l] == 0 || half_width_[i + l] != half_width_[i]) return false;
    }
    return true;
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

}  // namespace bmp::fracbox
