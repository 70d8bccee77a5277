// scatter: a new 24-bit image of grey noise from the suite's random sequence,
// one random grey per pixel (sequential), or random greys each followed by a
// run of a base grey of random length (positional). Forms: Filename X_size
// Y_size [seed [count [基底部色]]].
#include "draw/scatter.hpp"

#include <algorithm>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/row_bands.hpp"
#include "core/tool_frame.hpp"
#include "draw/draws.hpp"

namespace bmp {
namespace {

constexpr int scatter_forms[] = {4, 5, 6, 7};
constexpr std::string_view scatter_usage[] = {
    "\n",
    "USAGE: Command Filename X_size Y_size seed  ---------  逐次乱数\n",
    "       Command Filename X_size Y_size seed count  ------------  位置乱数\n",
    "       Command Filename X_size Y_size seed count (基底部色) --- 位置乱数\n",
    "\n",
};

constexpr ToolSpec scatter_spec{
    .title = "SCATTER UTILITY BMP FILE VERSION\n",
    .usage = scatter_usage,
    .warning = Warning::for_bmp,
    .forms = scatter_forms,
};

struct ScatterArgs {
  int32_t width = 0;
  int32_t height = 0;
  int32_t seed = 0;
  bool positional = false;
  int32_t count = 0;
  uint8_t base = 128;  // the low 8 bits of 基底部色
};

ScatterArgs parse_scatter_args(const Run& run) {
  ScatterArgs args;
  args.width = arg_int(run.arg(2));
  args.height = arg_int(run.arg(3));
  if (run.count() >= 5) args.seed = arg_int(run.arg(4));
  if (run.count() >= 6) {
    args.positional = true;
    args.count = arg_int(run.arg(5));
  }
  if (run.count() == 7) args.base = static_cast<uint8_t>(arg_int(run.arg(6)));
  return args;
}

void put_grey(uint8_t* pixel, int grey) {
  pixel[0] = pixel[1] = pixel[2] = static_cast<uint8_t>(grey);
}

// Sequential: one draw per pixel, the grey rand15() div 128.
void sequential_pixels(Rand15& sequence, std::span<uint8_t> pixels) {
  thread_local Rand15Batch random;
  random.take(sequence, pixels.size() / 3);
  for (size_t at = 0; at < pixels.size(); at += 3) put_grey(&pixels[at], random.rand15() / 128);
}

// Positional: where the run counter g is 0, a random grey and then a second
// draw that sets g = trunc(r2 ÷ 32768.0 × count); elsewhere the base grey,
// g going down by 1. The counter runs on across rows; a negative count can
// leave it below 0, and then every pixel after is the base grey.
struct Positional {
  Rand15 random;
  int64_t g = 0;
};

void draw_run_length(Positional& p, int32_t count) {
  p.g = truncate_toward_zero(p.random.rand15() / 32768.0 * count);
}

// How many of `pixels` base pixels the counter covers before it reaches 0.
int64_t base_run(const Positional& p, int64_t pixels) {
  return p.g > 0 ? std::min(p.g, pixels) : pixels;
}

void positional_pixels(Positional& p, int32_t count, uint8_t base, std::span<uint8_t> pixels) {
  const int64_t width = static_cast<int64_t>(pixels.size() / 3);
  for (int64_t x = 0; x < width;) {
    if (p.g == 0) {
      put_grey(&pixels[static_cast<size_t>(3 * x)], p.random.rand15() / 128);
      draw_run_length(p, count);
      ++x;
      continue;
    }
    const int64_t run = base_run(p, width - x);
    std::fill_n(pixels.begin() + 3 * x, 3 * run, base);
    p.g -= run;
    x += run;
  }
}

// The same draws without the pixels: where a row's sequence starts.
void skip_positional(Positional& p, int32_t count, int64_t pixels) {
  while (pixels > 0) {
    if (p.g == 0) {
      p.random.discard(1);
      draw_run_length(p, count);
      --pixels;
      continue;
    }
    const int64_t run = base_run(p, pixels);
    p.g -= run;
    pixels -= run;
  }
}

// Rows are made by several threads at once on a large image; each starts
// from the state the sequence reaches at its first pixel in the serial order.
void write_scatter_rows(const ScatterArgs& args, OutputFile& out, Console& console) {
  Positional running;
  running.random.srand15(static_cast<uint32_t>(args.seed));
  auto report = [&](int32_t row) { report_progress(console, row); };
  if (!args.positional) {
    produce_rows24_in_order(
        out, args.width, args.height, args.width,
        [&](int32_t) {
          Rand15 start = running.random;
          running.random.discard(static_cast<uint64_t>(args.width));
          return start;
        },
        [](int32_t, std::span<uint8_t> pixels, Rand15& random) {
          sequential_pixels(random, pixels);
        },
        report);
    return;
  }
  produce_rows24_in_order(
      out, args.width, args.height, args.width,
      [&](int32_t) {
        Positional start = running;
        skip_positional(running, args.count, args.width);
        return start;
      },
      [&](int32_t, std::span<uint8_t> pixels, Positional& p) {
        positional_pixels(p, args.count, args.base, pixels);
      },
      report);
}

void scatter(Run& run) {
  auto out = run.create_output(1, CantOpen::source_file);
  const ScatterArgs args = parse_scatter_args(run);
  write_bmp24_header(*out, args.width, args.height);
  write_scatter_rows(args, *out, run.console());
  rand_data_report(run.console(), args.positional ? RandData::one_blank : RandData::two_blanks,
                   args.width, args.height);
  out->commit();
}

}  // namespace

int run_scatter(std::span<const std::string_view> args) {
  return run_tool(scatter_spec, args, scatter);
}

}  // namespace bmp
