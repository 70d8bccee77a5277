// joggle: displaces a 24-bit picture by a map image of the same size: the map
// pixel's distance from mid-grey shifts where the picture is sampled and
// changes its brightness. Forms: joggle BMP INFILE OUTFILE Yurashi_x
// (Yuragi_y (明度 (Flag))), Flag 0: 3 × 3 sub-samples, 1: one, 2: 4 × 4.
#include "geometry/joggle.hpp"

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

constexpr int joggle_forms[] = {5, 6, 7, 8};
constexpr int joggle_lone_counts[] = {2};
constexpr std::string_view joggle_usage[] = {
    "\n",
    "USAGE : COMMAND BMP INFILE OUTFILE Yurashi_x Yuragi_y 明度 (Flag)\n",
    "\n",
    "--- Flag ---\n",
    "0 ------ 精細 anti\n",
    "1 -----  no anti\n",
    "2 -----  極精細\n",
    "\n",
};

constexpr ToolSpec joggle_spec{
    .title = "JOGGLE UTILITY (BMP FILE VERSION)\n",
    .usage = joggle_usage,
    .warning = Warning::for_bmp,
    .forms = joggle_forms,
    .lone = LoneArgument::blank_warning,
    .lone_counts = joggle_lone_counts,
};

struct DisplaceParams {
  double shift_x = 0;
  double shift_y = 0;
  double brightness = 1.0;
  int flag = 0;
};

// Sub-sample offsets per flag, the same for columns and rows.
constexpr double fine_offsets[] = {0.15, 0.5, 0.85};
constexpr double finest_offsets[] = {0.1, 0.3, 0.5, 0.7};
constexpr double single_offset[] = {0};

std::span<const double> offsets_of(int flag) {
  switch (flag) {
    case 0:
      return fine_offsets;
    case 2:
      return finest_offsets;
    default:
      return single_offset;
  }
}

// What a map luminance L gives: d = L / 128 − 1, the two shifts d × shift
// and bright = trunc(d × 明度).
struct Deviation {
  double dx = 0;
  double dy = 0;
  int64_t bright = 0;
};

std::array<Deviation, 256> deviation_table(const DisplaceParams& p) {
  std::array<Deviation, 256> table{};
  for (int level = 0; level < 256; ++level) {
    const double d = level / 128.0 - 1.0;
    table[static_cast<size_t>(level)] = {d * p.shift_x, d * p.shift_y,
                                         truncate_toward_zero(d * p.brightness)};
  }
  return table;
}

// The luminance's three terms by byte value; their sum in the same order.
struct LumaTable {
  std::array<double, 256> red{}, green{}, blue{};
  LumaTable() {
    for (int v = 0; v < 256; ++v) {
      red[static_cast<size_t>(v)] = v * 77 / 255.0;
      green[static_cast<size_t>(v)] = v * 150 / 255.0;
      blue[static_cast<size_t>(v)] = v * 28 / 255.0;
    }
  }
  int operator()(const uint8_t* pixel) const {
    return truncate_toward_zero(red[pixel[2]] + green[pixel[1]] + blue[pixel[0]] + 0.5);
  }
};

// fetch_pixel_clamped's index: 0 below the image, the last one at or past
// its end, else the truncated position.
int32_t clamped_index(double position, int32_t size) {
  if (position < 0) return 0;
  if (position >= size) return size - 1;
  return static_cast<int32_t>(position);
}

void displace_by_map(const ImageRows& map, const ImageRows& picture, const DisplaceParams& p,
                     OutputFile& out, const RowDone& done) {
  const int32_t w = picture.width();
  const int32_t h = picture.height();
  const std::span<const double> offsets = offsets_of(p.flag);
  const size_t n = offsets.size();
  const unsigned divisor = static_cast<unsigned>(n * n);
  const std::array<Deviation, 256> deviation = deviation_table(p);
  const LumaTable luma;
  // x + ox for every column and offset, formed once.
  std::vector<double> column_at(static_cast<size_t>(w) * n);
  for (int32_t x = 0; x < w; ++x) {
    for (size_t k = 0; k < n; ++k) column_at[static_cast<size_t>(x) * n + k] = x + offsets[k];
  }
  produce_rows24(
      out, w, h, int64_t{w} * divisor,
      [&](int32_t y, std::span<uint8_t> row) {
        const uint8_t* map_row = map.row(y);
        double row_at[4];
        for (size_t k = 0; k < n; ++k) row_at[k] = y + offsets[k];
        for (int32_t x = 0; x < w; ++x) {
          const Deviation& dev = deviation[static_cast<size_t>(luma(map_row + 3 * int64_t{x}))];
          const double* columns = &column_at[static_cast<size_t>(x) * n];
          unsigned sum[3] = {0, 0, 0};
          // Rows outer, columns inner; integer sums give the bytes of the
          // double sums, whose truncated quotient is the integer quotient.
          for (size_t ky = 0; ky < n; ++ky) {
            const uint8_t* line = picture.row(clamped_index(row_at[ky] + dev.dy, h));
            for (size_t kx = 0; kx < n; ++kx) {
              const uint8_t* pixel = line + 3 * int64_t{clamped_index(columns[kx] + dev.dx, w)};
              sum[0] += pixel[0];
              sum[1] += pixel[1];
              sum[2] += pixel[2];
            }
          }
          for (size_t c = 0; c < 3; ++c) {
            const int64_t value = dev.bright + sum[c] / divisor;
            row[3 * static_cast<size_t>(x) + c] =
                static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
          }
        }
      },
      done);
}

DisplaceParams parse_joggle(const Run& run) {
  DisplaceParams p;
  p.shift_x = arg_int(run.arg(4));
  p.shift_y = run.count() >= 6 ? arg_int(run.arg(5)) : p.shift_x;
  if (run.count() >= 7) p.brightness = arg_int(run.arg(6));
  if (run.count() == 8) p.flag = arg_int(run.arg(7));
  return p;
}

void joggle(Run& run) {
  Console& console = run.console();
  auto map_file = run.open_input(1, CantOpen::source_file);
  auto picture_file = run.open_input(2, CantOpen::source_file);
  auto output = run.create_output(3, CantOpen::source_file);
  const DisplaceParams params = parse_joggle(run);
  HeaderCheck check;
  check.magic = false;
  check.line = SizeLine::infile;
  const ImageLayout map = read_bmp_header(*map_file, console, check);
  check.index = 2;
  const ImageLayout picture = read_bmp_header(*picture_file, console, check);
  if (map.width != picture.width || map.height != picture.height) fail(msg::size_differs);
  OutputFile& out = *output;
  write_bmp24_header(out, picture.width, picture.height);
  // The flag is examined before any row, an empty image included.
  if (params.flag < 0 || params.flag > 2) fail(msg::wrong_flag);
  displace_by_map(ImageRows(*map_file, map), ImageRows(*picture_file, picture), params, out,
                  [&](int32_t y) { y_line_progress(console, YLine::plain, y); });
  console.print("\n");
  console.print("終了\n");
  out.commit();
}

}  // namespace

int run_joggle(std::span<const std::string_view> args) {
  return run_tool(joggle_spec, args, joggle);
}

}  // namespace bmp
