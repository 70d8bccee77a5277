// resample: resizes a 24-bit image to X_SIZE × Y_SIZE by nearest pixel (any
// Flag but 0), bilinear enlarging or a 4 × 4 point-sample reduction (Flag 0,
// as the width grows or not); a side of 0 or less follows the input's aspect.
// Forms: resample INFILE OUTFILE X_SIZE Y_SIZE (Flag).
#include "geometry/resample.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/image_rows.hpp"
#include "core/messages.hpp"
#include "core/row_bands.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int resample_forms[] = {5, 6};
constexpr std::string_view resample_usage[] = {
    "\n",
    "USAGE: COMMAND INFILE OUTFILE X_SIZE Y_SIZE (Flag)\n",
    "\n",
    "片方のマイナスサイズ指定は、等倍ズーム\n",
    "\n",
    "--- Flag ---\n",
    "0 or no ----- normal\n",
    "1 or other -- 単純拡大法使用\n",
    "\n",
    "拡大 --- 倍精度補間法使用\n",
    "縮小 --- ピクセル分割平滑法使用\n",
    "\n",
};

constexpr ToolSpec resample_spec{
    .title = "RESAMPLE UTILITY (BMP FILE VERSION)(偏向性修正)\n",
    .usage = resample_usage,
    .warning = Warning::capital_for,
    .forms = resample_forms,
};

enum class ZoomMethod { simple, bilinear, supersample };

struct ZoomSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The output size: both sides as given, or one following the input's aspect
// (the quotient formed first, then multiplied and truncated).
ZoomSize resolve_zoom_size(int32_t x, int32_t y, const ImageLayout& image, const InputFile& in) {
  if (x <= 0 && y <= 0) {
    fail(
        "サイズを入力してください!\n"
        "片方をマイナス値にすれば、他方を成り行きにできます。\n");
  }
  // The ratios and steps divide by the input's sides.
  if (image.width == 0 || image.height == 0) {
    fail(Channel::out, msg::no_pixels, in.name().c_str());
  }
  const double w = image.width;
  const double h = image.height;
  if (x <= 0) {
    x = truncate_toward_zero(y * (w / h));
    if (x == 0) fail(Channel::out, msg::zero_step, "X_SIZE");
  } else if (y <= 0) {
    y = truncate_toward_zero(x * (h / w));
    if (y == 0) fail(Channel::out, msg::zero_step, "Y_SIZE");
  }
  return {x, y};
}

// Source index trunc(i × step) for every output index, held inside the input.
std::vector<int32_t> nearest_indices(int32_t count, double step, int32_t limit) {
  std::vector<int32_t> index(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    index[static_cast<size_t>(i)] = std::min(truncate_toward_zero(i * step), limit - 1);
  }
  return index;
}

void zoom_nearest(const ImageRows& source, ZoomSize size, OutputFile& out, const RowDone& done) {
  const std::vector<int32_t> columns =
      nearest_indices(size.width, double(source.width()) / size.width, source.width());
  const std::vector<int32_t> rows =
      nearest_indices(size.height, double(source.height()) / size.height, source.height());
  produce_rows24(
      out, size.width, size.height, size.width,
      [&](int32_t j, std::span<uint8_t> row) {
        const uint8_t* line = source.row(rows[static_cast<size_t>(j)]);
        uint8_t* at = row.data();
        for (int32_t column : columns) {
          const uint8_t* pixel = line + 3 * static_cast<size_t>(column);
          at[0] = pixel[0];
          at[1] = pixel[1];
          at[2] = pixel[2];
          at += 3;
        }
      },
      done);
}

// One axis of the bilinear method: the two source indices, held at the last
// one, and the fraction i × step − index0 with the held index0.
struct LerpAxis {
  std::vector<int32_t> index0, index1;
  std::vector<double> fraction;
  LerpAxis(int32_t count, double step, int32_t limit) {
    for (int32_t i = 0; i < count; ++i) {
      const int32_t i0 = std::min(truncate_toward_zero(i * step), limit - 1);
      const int32_t i1 = std::min(truncate_toward_zero(i * step) + 1, limit - 1);
      index0.push_back(i0);
      index1.push_back(i1);
      fraction.push_back(i * step - i0);
    }
  }
};

void zoom_bilinear(const ImageRows& source, ZoomSize size, OutputFile& out, const RowDone& done) {
  const LerpAxis xs(size.width, double(source.width() - 1) / size.width, source.width());
  const LerpAxis ys(size.height, double(source.height() - 1) / size.height, source.height());
  produce_rows24(
      out, size.width, size.height, 4 * int64_t{size.width},
      [&](int32_t j, std::span<uint8_t> row) {
        const size_t jj = static_cast<size_t>(j);
        const uint8_t* line0 = source.row(ys.index0[jj]);
        const uint8_t* line1 = source.row(ys.index1[jj]);
        const double fy = ys.fraction[jj];
        for (size_t i = 0; i < static_cast<size_t>(size.width); ++i) {
          const size_t x0 = 3 * static_cast<size_t>(xs.index0[i]);
          const size_t x1 = 3 * static_cast<size_t>(xs.index1[i]);
          const double fx = xs.fraction[i];
          for (size_t k = 0; k < 3; ++k) {
            const int p00 = line0[x0 + k], p10 = line0[x1 + k];
            const int p01 = line1[x0 + k], p11 = line1[x1 + k];
            const double top = p00 + (p10 - p00) * fx;
            const double bottom = p01 + (p11 - p01) * fx;
            const double value = top + (bottom - top) * fy;
            row[3 * i + k] = static_cast<uint8_t>(truncate_toward_zero(value));
          }
        }
      },
      done);
}

// The reducing method's four source indices of output index i:
// trunc(((i + c) − 0.5) × step) for c = 0.05, 0.35, 0.65, 0.95, 0 for a
// negative one.
std::vector<std::array<int32_t, 4>> sample_indices(int32_t count, double step, int32_t limit) {
  constexpr double positions[4] = {0.05, 0.35, 0.65, 0.95};
  std::vector<std::array<int32_t, 4>> index(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    for (int k = 0; k < 4; ++k) {
      const int32_t at = truncate_toward_zero(((i + positions[k]) - 0.5) * step);
      index[static_cast<size_t>(i)][static_cast<size_t>(k)] = std::clamp(at, 0, limit - 1);
    }
  }
  return index;
}

void zoom_supersample_4x4(const ImageRows& source, ZoomSize size, OutputFile& out,
                          const RowDone& done) {
  const auto columns =
      sample_indices(size.width, double(source.width()) / size.width, source.width());
  const auto rows =
      sample_indices(size.height, double(source.height()) / size.height, source.height());
  produce_rows24(
      out, size.width, size.height, 16 * int64_t{size.width},
      [&](int32_t j, std::span<uint8_t> row) {
        const std::array<int32_t, 4>& r = rows[static_cast<size_t>(j)];
        const uint8_t* lines[4] = {source.row(r[0]), source.row(r[1]), source.row(r[2]),
                                   source.row(r[3])};
        for (size_t i = 0; i < static_cast<size_t>(size.width); ++i) {
          const std::array<int32_t, 4>& c = columns[i];
          // Integer sums: trunc(sum / 16.0) of a sum of bytes is sum / 16.
          unsigned sum[3] = {0, 0, 0};
          for (const uint8_t* line : lines) {
            for (int32_t column : c) {
              const uint8_t* pixel = line + 3 * static_cast<size_t>(column);
              sum[0] += pixel[0];
              sum[1] += pixel[1];
              sum[2] += pixel[2];
            }
          }
          row[3 * i] = static_cast<uint8_t>(sum[0] / 16);
          row[3 * i + 1] = static_cast<uint8_t>(sum[1] / 16);
          row[3 * i + 2] = static_cast<uint8_t>(sum[2] / 16);
        }
      },
      done);
}

void resample(Run& run) {
  Console& console = run.console();
  auto input = run.open_input(1, CantOpen::source_file);
  auto output = run.create_output(2, CantOpen::source_file);
  const int32_t x_size = arg_trunc(run.arg(3));
  const int32_t y_size = arg_trunc(run.arg(4));
  const int flag = run.count() == 6 ? arg_trunc(run.arg(5)) : 0;
  const ImageLayout image = read_bmp_header(*input, console, HeaderCheck{});
  const ZoomSize size = resolve_zoom_size(x_size, y_size, image, *input);
  OutputFile& out = *output;
  write_bmp24_header(out, size.width, size.height);

  const double x_ratio = double(size.width) / image.width;
  const double y_ratio = double(size.height) / image.height;
  const ZoomMethod method = flag != 0       ? ZoomMethod::simple
                            : x_ratio > 1.0 ? ZoomMethod::bilinear
                                            : ZoomMethod::supersample;
  auto ratio_line = [&] { console.print("X_比率 = %lf Y_比率 = %lf \n", x_ratio, y_ratio); };
  const ImageRows source(*input, image);
  // Every method counts its rows from 1.
  auto done_as = [&](YLine form) {
    return [&console, form](int32_t row) { y_line_progress(console, form, row + 1); };
  };
  switch (method) {
    case ZoomMethod::simple:
      ratio_line();
      console.print("単純拡大法使用\n");
      zoom_nearest(source, size, out, done_as(YLine::plain));
      console.print("\n");
      break;
    case ZoomMethod::bilinear:
      console.print("倍精度補間法使用\n");
      ratio_line();
      zoom_bilinear(source, size, out, done_as(YLine::get));
      break;
    case ZoomMethod::supersample:
      ratio_line();
      console.print("ピクセル分割平滑法使用\n");
      zoom_supersample_4x4(source, size, out, done_as(YLine::plain));
      console.print("\n");
      break;
  }
  out.commit();
}

}  // namespace

int run_resample(std::span<const std::string_view> args) {
  return run_tool(resample_spec, args, resample);
}

}  // namespace bmp
