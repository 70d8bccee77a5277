// ripple_plain: a new grey 24-bit image with a damped concentric wave on a
// base of 128, optionally with noise from the never seeded random sequence.
// Forms: File width height X-原点 Y-原点 半径 波数 原点角度 減衰率 [高さ]
// (an integer) or [高さ flag] (a real).
#include "draw/ripple_plain.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/row_bands.hpp"
#include "core/tool_frame.hpp"
#include "draw/draws.hpp"
#include "draw/ripple.hpp"

namespace bmp {
namespace {

constexpr int ripple_plain_forms[] = {10, 11, 12};
constexpr std::string_view ripple_plain_usage[] = {
    "\n",
    "USAGE: Command File Y_size X_size X-原点 Y-原点 半径 波数 原点角度 減衰率\n",
    "                                                          (高さ 0.0～1.0) (flag)\n",
    wave_flag_notes,
    wave_family_list,
};

constexpr ToolSpec ripple_plain_spec{
    .title = wave_title,
    .usage = ripple_plain_usage,
    .warning = Warning::for_bmp,
    .forms = ripple_plain_forms,
};

void put_grey(std::span<uint8_t> pixels, int64_t x, uint8_t grey) {
  std::memset(pixels.data() + 3 * x, grey, 3);
}

// Without noise: 128 out of reach, trunc(W + 128) clamped to 0..255 within.
void plain_row(const ConcentricWave& wave, int64_t row, std::span<uint8_t> pixels,
               std::vector<double>& values) {
  std::memset(pixels.data(), 128, pixels.size());
  const IndexRange reached = wave.reached_columns(row, static_cast<int64_t>(pixels.size() / 3));
  wave.offsets(row, reached, values);
  for (int64_t x = reached.first; x < reached.end; ++x) {
    const int32_t v = truncate_toward_zero(values[static_cast<size_t>(x - reached.first)] + 128);
    put_grey(pixels, x, static_cast<uint8_t>(std::clamp(v, 0, 255)));
  }
}

// With noise: a base b = rand15() div 512 + 96 for every pixel, and within
// reach a second draw for W + (r ÷ 512.0 + 96.0), added to b by the channel rule.
void noisy_row(const ConcentricWave& wave, int64_t row, std::span<uint8_t> pixels,
               std::vector<double>& values, Rand15& sequence) {
  const int64_t width = static_cast<int64_t>(pixels.size() / 3);
  const IndexRange reached = wave.reached_columns(row, width);
  thread_local Rand15Batch random;
  random.take(sequence, static_cast<size_t>(width + reached.size()));
  wave.offsets(row, reached, values);
  for (int64_t x = 0; x < width; ++x) {
    const int base = wave_noise(random);
    if (!reached.contains(x)) {
      put_grey(pixels, x, static_cast<uint8_t>(base));
      continue;
    }
    const double v = noisy_offset(values[static_cast<size_t>(x - reached.first)], random);
    put_grey(pixels, x, ripple_channel(base, v));
  }
}

void ripple_plain(Run& run) {
  auto out = run.create_output(1, CantOpen::source_file);
  const int32_t width = arg_int(run.arg(2));
  const int32_t height = arg_int(run.arg(3));
  const ConcentricWave wave(concentric_wave_args(run, 4, 11), height);
  write_bmp24_header(*out, width, height);
  Console& console = run.console();

  // Rows are made by several threads on a large image, each from the state
  // the sequence reaches at the row's start: a draw per pixel, and one more
  // per pixel within reach.
  Rand15 running;
  produce_rows24_in_order(
      *out, width, height, int64_t{width} * 8,
      [&](int32_t row) {
        Rand15 start = running;
        if (wave.noise()) {
          running.discard(static_cast<uint64_t>(width + wave.reached_columns(row, width).size()));
        }
        return start;
      },
      [&](int32_t row, std::span<uint8_t> pixels, Rand15& random) {
        thread_local std::vector<double> values;
        if (wave.noise()) {
          noisy_row(wave, row, pixels, values, random);
        } else {
          plain_row(wave, row, pixels, values);
        }
      },
      [&](int32_t row) { report_progress(console, row); });
  out->commit();
}

}  // namespace

int run_ripple_plain(std::span<const std::string_view> args) {
  return run_tool(ripple_plain_spec, args, ripple_plain);
}

}  // namespace bmp
