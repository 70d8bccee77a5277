// The fractional box's face: its tables for rows and pixels asked one at a
// time, a lone pass shared among threads band by band, and the choice
// between two lone passes and the fused ones.
#include "defocus/fractional_box/fractional_box.hpp"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/page_buffer.hpp"
#include "core/parallel.hpp"
#include "defocus/fractional_box/fused_passes.hpp"
#include "defocus/fractional_box/pixel_bytes.hpp"
#include "defocus/fractional_box/row_average.hpp"
#include "defocus/fractional_box/row_worker.hpp"
#include "defocus/fractional_box/vector_lanes.hpp"

namespace bmp {

void limit_box_lanes(int lanes) { fracbox::limit_lanes(lanes); }

using fracbox::AreaSums;
using fracbox::RowWorker;
using fracbox::Sums;

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
    sums = fracbox::sums_for(margin, source.width(), source.height(), mode);
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
  const int64_t rows_per_band =
      fracbox::band_rows_for(width, height, whole_image ? 0 : margin, threads);
  if (output.size() < static_cast<size_t>(rows_per_band) * row_bytes) {
    output = PageBuffer(static_cast<size_t>(rows_per_band) * row_bytes);
  }
  // A ring's first row costs its margins' rows as well: runs of rows long
  // beside them; a lone thread takes the whole band and goes on from there.
  const int64_t run_rows =
      threads <= 1 ? rows_per_band
                   : std::max<int64_t>(whole_image ? 1 : fracbox::run_rows_for(margin),
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
        fracbox::average_at(sums, tables_->source.width(), tables_->mode, x, y,
                            fracbox::WindowPlan(radius), out.data());
      },
      tables_->sums);
  return out;
}

void FractionalBox::average_row(int32_t y, std::span<const double> radii, std::span<uint8_t> out) {
  if (radii.empty()) return;
  tables_->load(y, *std::max_element(radii.begin(), radii.end()));
  std::visit(
      [&](const auto& sums) {
        fracbox::average_row_of(sums, tables_->source.width(), tables_->mode, y, radii, out.data());
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
  if (fracbox::blur_twice_fused(input, temps, dest, mode, max_radius, row_radii, cost, after_row)) {
    return;
  }
  blur_twice_through_temp(input, temps, dest,
                          fractional_box_blur(mode, max_radius, row_radii, after_row));
}

}  // namespace bmp
