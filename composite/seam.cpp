#include "composite/seam.hpp"

#include <algorithm>
#include <cstring>

#include "core/row_loop.hpp"
#include "draw/curves.hpp"

namespace bmp {

void cross_fade_row(std::span<const uint8_t> line, int32_t band, std::span<uint8_t> faded_band) {
  const size_t far_start = line.size() - 3 * static_cast<size_t>(band);
  for (int32_t k = 0; k < band; ++k) {
    const double q = static_cast<double>(k) / band;
    const size_t at = 3 * static_cast<size_t>(k);
    for (size_t c = 0; c < 3; ++c) {
      faded_band[at + c] = cross_fade(line[far_start + at + c], line[at + c], q);
    }
  }
}

void horizontal_seam_pass(const InputFile& in, const ImageLayout& image, int32_t band,
                          OutputFile& out, const RowDone& row_done) {
  const int32_t faded_width = image.width - band;
  const size_t band_bytes = 3 * static_cast<size_t>(band);
  const size_t turn_bytes = 3 * static_cast<size_t>(band / 2);
  const size_t line_bytes = 3 * static_cast<size_t>(image.width);
  const size_t faded_bytes = 3 * static_cast<size_t>(faded_width);
  std::vector<uint8_t> faded_band(band_bytes);
  RowReader rows(in, static_cast<uint64_t>(image.data_offset), static_cast<size_t>(image.row_bytes),
                 image.height);
  for (int32_t r = 0; r < image.height; ++r) {
    std::span<const uint8_t> line = rows.next().first(line_bytes);
    cross_fade_row(line, band, faded_band);
    // Output pixel j shows faded pixel (h + j) mod N: the band from h on, the
    // line's own pixels up to N, then the band's first h.
    uint8_t* to = next_row24(out, faded_width).data();
    to = std::copy(faded_band.begin() + static_cast<ptrdiff_t>(turn_bytes), faded_band.end(), to);
    to = std::copy(line.begin() + static_cast<ptrdiff_t>(band_bytes),
                   line.begin() + static_cast<ptrdiff_t>(faded_bytes), to);
    std::copy(faded_band.begin(), faded_band.begin() + static_cast<ptrdiff_t>(turn_bytes), to);
    row_done(r);
  }
}

void vertical_seam_pass(const InputFile& in, const ImageLayout& image, int32_t band,
                        OutputFile& out, const RowDone& row_done) {
  const int32_t faded_height = image.height - band;
  const int32_t turn = band / 2;
  const size_t pixel_bytes = 3 * static_cast<size_t>(image.width);
  std::vector<uint8_t> near(pixel_bytes);
  std::vector<uint8_t> far(pixel_bytes);
  auto read_row = [&](int64_t k, std::span<uint8_t> into) {
    in.read_at(static_cast<uint64_t>(image.offset(k, 0)), into);
  };
  auto emit = [&](int32_t k) {
    std::span<uint8_t> row = next_row24(out, image.width);
    if (k < band) {
      read_row(k, near);
      read_row(int64_t{k} + faded_height, far);
      const double q = static_cast<double>(k) / band;
      for (size_t i = 0; i < pixel_bytes; ++i) row[i] = cross_fade(far[i], near[i], q);
    } else {
      read_row(k, row);
    }
    row_done(k);
  };
  for (int32_t k = turn; k < faded_height; ++k) emit(k);
  for (int32_t k = 0; k < turn; ++k) emit(k);
}

std::vector<double> sink_ramp(int32_t band) {
  std::vector<double> ramp(static_cast<size_t>(std::max(band, 0)));
  // (180 / W) × i first, then + 270 and × π / 180 inside sine_rise: another
  // order (i / W × 180) changes bytes.
  for (int32_t i = 0; i < band; ++i) ramp[static_cast<size_t>(i)] = sine_rise((180.0 / band) * i);
  return ramp;
}

namespace {

// The weights of the colour and of the picture at index i of a line, or
// none outside the selected bands. A pixel of the near band is never also
// sunk by the far one.
class SinkBands {
 public:
  SinkBands(const SinkSettings& sink, int64_t length)
      : band_(sink.band),
        far_start_(length - sink.band),
        near_(sink.edges != SinkEdges::far),
        far_(sink.edges != SinkEdges::near),
        ramp_(sink_ramp(sink.band)) {}

  struct Weights {
    double colour;
    double picture;
  };
  bool at(int64_t i, Weights& weights) const {
    if (near_ && i < band_) {
      double s = ramp_[static_cast<size_t>(i)];
      weights = {1 - s, s};
      return true;
    }
    if (far_ && i > far_start_) {
      double s = ramp_[static_cast<size_t>(i - far_start_)];
      weights = {s, 1 - s};
      return true;
    }
    return false;
  }
  // The indices of each band as ranges [first, last): the far one starts
  // after the near one, so no pixel is sunk twice.
  int64_t near_end() const { return near_ ? band_ : 0; }
  int64_t far_begin() const { return std::max(far_start_ + 1, near_end()); }
  bool far() const { return far_; }

 private:
  int64_t band_;
  int64_t far_start_;  // N: the far band is i > N
  bool near_;
  bool far_;
  std::vector<double> ramp_;
};

// A sunk value, mixed back with the picture value px by the transparency.
uint8_t sink_value(int colour, int px, const SinkBands::Weights& weights,
                   const TransparencyMix& mix) {
  const double sunk = colour * weights.colour + px * weights.picture;
  return static_cast<uint8_t>(mix(px, sunk));
}

}  // namespace

void sink_pass(const InputFile& in, const ImageLayout& image, const SinkSettings& sink,
               OutputFile& out, const RowDone& row_done) {
  const bool across_rows = sink.direction == Direction::horizontal;
  const SinkBands bands(sink, across_rows ? image.width : image.height);
  const TransparencyMix mix(sink.percent);
  SinkBands::Weights weights{};

  auto sink_columns = [&](int64_t first, int64_t last, int64_t column, std::span<uint8_t> pixels) {
    const int64_t end = column + static_cast<int64_t>(pixels.size() / 3);
    for (int64_t i = std::max(first, column); i < std::min(last, end); ++i) {
      if (!bands.at(i, weights)) continue;
      uint8_t* px = pixels.data() + 3 * (i - column);
      for (int c = 0; c < 3; ++c) px[c] = sink_value(sink.colour[c], px[c], weights, mix);
    }
  };
  // Across a row the weights change per pixel; up the columns a whole row
  // shares them, so one table per channel and value serves the row.
  auto sink_row = [&](int32_t row, std::span<uint8_t> pixels) {
    if (!bands.at(row, weights)) return;
    uint8_t table[3][256];
    for (int c = 0; c < 3; ++c) {
      for (int v = 0; v < 256; ++v) table[c][v] = sink_value(sink.colour[c], v, weights, mix);
    }
    for (size_t i = 0; i < pixels.size(); i += 3) {
      for (size_t c = 0; c < 3; ++c) pixels[i + c] = table[c][pixels[i + c]];
    }
  };
  rewrite_rows24(
      in, image, out,
      [&](int32_t row, int32_t column, std::span<uint8_t> pixels) {
        if (across_rows) {
          sink_columns(0, bands.near_end(), column, pixels);
          if (bands.far()) sink_columns(bands.far_begin(), image.width, column, pixels);
        } else {
          sink_row(row, pixels);
        }
      },
      [&](int32_t row) { row_done(row); });
}

}  // namespace bmp
