// quilt: a new 24-bit checkerboard of two colours, cells of x_step × y_step
// pixels counted from the top-left corner, which has colour 2. One form:
// Filename X_size Y_size r1 g1 b1 r2 g2 b2 x_step y_step.
#include "draw/quilt.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/messages.hpp"
#include "core/row_bands.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int quilt_forms[] = {12};
constexpr std::string_view quilt_usage[] = {
    "\n",
    "USAGE: Command Filename X_size Y_size r1 g1 b1 r2 g2 b2 x_step y_step\n",
    "\n",
    "ステップが使えます。\n",
};

constexpr ToolSpec quilt_spec{
    .title = "QUILT UTILITY (BMP FILE VERSION)\n",
    .usage = quilt_usage,
    .warning = Warning::for_bmp,
    .forms = quilt_forms,
};

using Bgr = std::array<uint8_t, 3>;

struct QuiltArgs {
  int32_t width = 0;
  int32_t height = 0;
  Bgr colour1{};
  Bgr colour2{};
  int32_t x_step = 0;
  int32_t y_step = 0;
};

// Red, green, blue from arguments first .. first + 2, each its low 8 bits.
Bgr colour_bytes(const Run& run, int first) {
  return {static_cast<uint8_t>(arg_int(run.arg(first + 2))),
          static_cast<uint8_t>(arg_int(run.arg(first + 1))),
          static_cast<uint8_t>(arg_int(run.arg(first)))};
}

QuiltArgs parse_quilt_args(const Run& run) {
  QuiltArgs args;
  args.width = arg_int(run.arg(2));
  args.height = arg_int(run.arg(3));
  args.colour1 = colour_bytes(run, 4);
  args.colour2 = colour_bytes(run, 7);
  args.x_step = arg_int(run.arg(10));
  args.y_step = arg_int(run.arg(11));
  return args;
}

// Whether an integer is odd, for negative ones too (C's -3 % 2 is -1).
constexpr bool odd(int64_t value) { return value % 2 != 0; }

// The cell row of stored row i counted from the top, (H - 1 - i) div y_step,
// with C's division toward zero: negative steps count cells as written.
int64_t cell_row(int32_t i, const QuiltArgs& args) {
  return (int64_t{args.height} - 1 - i) / args.y_step;
}

// A row whose cell row has the given parity: colour 2 where the cell row
// and the cell column j div x_step add up to an even number. The cell
// column changes only at multiples of the step, so whole cells are filled.
std::vector<uint8_t> checker_row(const QuiltArgs& args, bool odd_cell_row) {
  std::vector<uint8_t> row(static_cast<size_t>(3 * int64_t{args.width}));
  const int64_t cell = std::max<int64_t>(1, std::abs(int64_t{args.x_step}));
  for (int64_t j = 0; j < args.width; j += cell) {
    const bool colour2 = odd(j / args.x_step) == odd_cell_row;
    const Bgr& colour = colour2 ? args.colour2 : args.colour1;
    const int64_t end = std::min<int64_t>(args.width, j + cell);
    for (int64_t x = j; x < end; ++x) std::copy(colour.begin(), colour.end(), &row[3 * x]);
  }
  return row;
}

void quilt(Run& run) {
  auto out = run.create_output(1, CantOpen::source_file);
  const QuiltArgs args = parse_quilt_args(run);
  // The cells are counted by dividing by the steps.
  if (args.x_step == 0) fail(Channel::out, msg::zero_step, "x_step");
  if (args.y_step == 0) fail(Channel::out, msg::zero_step, "y_step");
  write_bmp24_header(*out, args.width, args.height);
  const std::vector<uint8_t> rows[2] = {checker_row(args, false), checker_row(args, true)};
  Console& console = run.console();
  produce_rows24(
      *out, args.width, args.height, 0,
      [&](int32_t i, std::span<uint8_t> pixels) {
        const std::vector<uint8_t>& row = rows[odd(cell_row(i, args))];
        std::copy(row.begin(), row.end(), pixels.begin());
      },
      [&](int32_t i) { report_progress(console, i); });
  rand_data_report(console, RandData::one_blank, args.width, args.height);
  out->commit();
}

}  // namespace

int run_quilt(std::span<const std::string_view> args) { return run_tool(quilt_spec, args, quilt); }

}  // namespace bmp
