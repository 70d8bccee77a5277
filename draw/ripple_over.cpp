// ripple_over: adds a damped concentric wave to every channel of a 24-bit
// image, optionally with noise from the never seeded random sequence. Forms:
// Infile Outfile X-原点 Y-原点 半径 波数 原点角度 減衰率 [高さ] (an integer)
// or [高さ flag] (a real).
#include "draw/ripple_over.hpp"

#include <vector>

#include "core/bmp_io.hpp"
#include "core/parallel.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"
#include "draw/draws.hpp"
#include "draw/ripple.hpp"

namespace bmp {
namespace {

constexpr int ripple_over_forms[] = {9, 10, 11};
constexpr std::string_view ripple_over_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile X-原点 Y-原点 半径 波数 原点角度 減衰率\n",
    "                                                   (高さ 0.0 ～ 1.0) (flag)\n",
    wave_flag_notes,
    wave_family_list,
};

constexpr ToolSpec ripple_over_spec{
    .title = wave_title,
    .usage = ripple_over_usage,
    .warning = Warning::for_bmp,
    .forms = ripple_over_forms,
};

void add_to_pixel(uint8_t* pixel, double v) {
  for (int i = 0; i < 3; ++i) pixel[i] = ripple_channel(pixel[i], v);
}

// Out of reach in noise mode: three draws, for red, green and blue in turn.
void add_noise(std::span<uint8_t> pixels, int64_t from, int64_t to, Rand15Batch& random) {
  for (int64_t x = from; x < to; ++x) {
    uint8_t* pixel = pixels.data() + 3 * x;
    const int red = wave_noise(random);
    const int green = wave_noise(random);
    const int blue = wave_noise(random);
    pixel[2] = ripple_channel(pixel[2], red);
    pixel[1] = ripple_channel(pixel[1], green);
    pixel[0] = ripple_channel(pixel[0], blue);
  }
}

// The pixels of stored row `row` from image column `column` on. Without
// noise only the columns within reach change (v = W + 128); with noise each
// of them takes one draw, v = W + (r ÷ 512.0 + 96.0), and every other pixel
// three.
void ripple_pixels(const ConcentricWave& wave, int64_t row, int64_t column, int64_t width,
                   std::span<uint8_t> pixels, Rand15& sequence) {
  thread_local std::vector<double> values;
  thread_local Rand15Batch random;
  const IndexRange piece{column, column + static_cast<int64_t>(pixels.size() / 3)};
  const IndexRange reached = wave.reached_columns(row, width).intersect(piece);
  if (wave.noise()) {
    const int64_t reached_pixels = reached.size();
    random.take(sequence,
                static_cast<size_t>(3 * (piece.size() - reached_pixels) + reached_pixels));
  }
  auto local = [&](int64_t x) { return x - column; };
  if (reached.empty()) {
    if (wave.noise()) add_noise(pixels, 0, local(piece.end), random);
    return;
  }
  wave.offsets(row, reached, values);
  if (wave.noise()) add_noise(pixels, 0, local(reached.first), random);
  for (int64_t x = reached.first; x < reached.end; ++x) {
    const double w = values[static_cast<size_t>(x - reached.first)];
    add_to_pixel(pixels.data() + 3 * local(x), wave.noise() ? noisy_offset(w, random) : w + 128);
  }
  if (wave.noise()) add_noise(pixels, local(reached.end), local(piece.end), random);
}

void ripple_over(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const ConcentricWaveParams params = concentric_wave_args(run, 3, 10);
  Console& console = run.console();
  const ImageLayout image = read_bmp_header(*in, console, HeaderCheck{});
  write_bmp24_header(*out, image.width, image.height);
  const ConcentricWave wave(params, image.height);

  // Rows are rewritten by several threads on a large image, each from the
  // state the sequence reaches at the row's start: one draw per pixel within
  // reach, three per pixel beyond.
  Rand15 running;
  const int64_t width = image.width;
  rewrite_rows24_shared(
      *in, image, *out, worker_count(width * image.height),
      [&](int32_t row) {
        Rand15 start = running;
        if (wave.noise()) {
          running.discard(
              static_cast<uint64_t>(3 * width - 2 * wave.reached_columns(row, width).size()));
        }
        return start;
      },
      [&](int32_t row, int32_t column, std::span<uint8_t> pixels, Rand15& random) {
        ripple_pixels(wave, row, column, width, pixels, random);
      },
      [&](int32_t row) { report_progress(console, row); });
  out->commit();
}

}  // namespace

int run_ripple_over(std::span<const std::string_view> args) {
  return run_tool(ripple_over_spec, args, ripple_over);
}

}  // namespace bmp
