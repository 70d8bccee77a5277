// One thread's part of a pass: its own ring table, which follows its rows
// down so that consecutive rows cost one table row each, and the rows it
// makes a few at a time, in strips of columns across them all.
#pragma once

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "defocus/defocus_frame.hpp"
#include "defocus/fractional_box/area_sums.hpp"
#include "defocus/fractional_box/window_plans.hpp"

namespace bmp::fracbox {

// Window sums stay below 255 × (2M + 1)²; 32-bit tables hold them when that
// fits.
bool fits_32_bits(int64_t half_width);

using Sums = std::variant<AreaSums<uint32_t>, AreaSums<uint64_t>>;

// Tables for windows up to `half_width`, empty.
Sums sums_for(int64_t half_width, int64_t width, int64_t height, EdgeMode mode);

// Where the whole image's table serves, that one is read instead of the
// ring (unless a radius beyond the largest declared needs wider sums).
class RowWorker {
 public:
  static constexpr int max_group_rows = 8;

  // For windows reaching up to `margin` rows; the ring's memory is taken
  // here, by the thread that makes the worker, before the pass starts.
  RowWorker(int64_t width, int64_t height, EdgeMode mode, int64_t margin);

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
  int group_rows() const;

  // Output rows y .. y + count - 1 (count <= max_group_rows), row k with
  // pixel x's radius radii[k][x] into out[k] (3 bytes a pixel), from
  // `source`, or from the whole-image table `whole` where it is given.
  void rows(const SourceRows& source, const Sums* whole, int32_t y, int count,
            const std::span<const double>* radii, uint8_t* const* out);

  // The half-width the ring is kept for.
  int64_t margin() const { return margin_; }

 private:
  void average_from(const Sums& sums, int32_t y, int count, int64_t half_width,
                    const std::span<const double>* radii, uint8_t* const* out);

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

}  // namespace bmp::fracbox
