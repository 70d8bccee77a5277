// grain: noise on about one pixel in `number`, per channel (flag 0), as one
// brightness factor (1) or as one grey level (2 and any other value), with a
// strength in percent. Forms: grain Infile Outfile percent flag [number].
#include "pixel/grain.hpp"

#include <algorithm>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int grain_forms[] = {5, 6};
constexpr std::string_view grain_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile percent flag (number)\n",
    "\n",
    "--- Flag ---\n",
    "0 ----- color\n",
    "1 ----- 輝度\n",
    "2 ----- mono\n",
    "\n",
};

constexpr ToolSpec grain_spec{
    .title = "GRAIN UTILITY BMP FILE VERSION\n",
    .usage = grain_usage,
    .warning = Warning::for_bmp,
    .forms = grain_forms,
};

// Noised levels are clamped both ways: a percent beyond 0..100 may take them
// below 0 as well as above 255.
uint8_t level_byte(int t) { return static_cast<uint8_t>(std::clamp(t, 0, 255)); }

NoiseKind noise_kind(int flag) {
  switch (flag) {
    case 0:
      return NoiseKind::colour;
    case 1:
      return NoiseKind::luminance;
    default:
      return NoiseKind::mono;
  }
}

void grain(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const double percent = finite_arg_real(run, 3);
  const NoiseKind kind = noise_kind(arg_trunc(run.arg(4)));
  const int number = run.count() == 6 ? arg_trunc(run.arg(5)) : 1;
  if (number < 1) fail("Wrong Number ! >= 1\n");
  const GrainNoise noise(percent, kind, number);
  ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  write_bmp24_header(*out, image.width, image.height);
  Rand15 rand;  // never seeded: every run starts from state 1
  rewrite_rows24(
      *in, image, *out, [&](int, int, std::span<uint8_t> pixels) { noise.apply(pixels, rand); },
      [&](int row) { report_progress(run.console(), row); });
  out->commit();
}

}  // namespace

// The selector trunc(r / 32768.0 × number) (modulo number, which changes
// nothing) is 0 for every draw below the first that reaches 1; the product
// grows with r, so one bound decides.
GrainNoise::GrainNoise(double percent, NoiseKind kind, int number)
    : a_(percent / 100.0), b_(1.0 - a_), kind_(kind), chosen_below_(0) {
  while (chosen_below_ < 32768 &&
         truncate_toward_zero(chosen_below_ / 32768.0 * number) % number == 0) {
    ++chosen_below_;
  }
}

// The states one to four draws on are all formed from the pixel's first
// state, so the chain from pixel to pixel is one step (to the selector's
// state, or past the noise draws) rather than up to four.
void GrainNoise::apply(std::span<uint8_t> pixels, Rand15& rand) const {
  constexpr Rand15Jump one = rand15_jump(1), two = rand15_jump(2), three = rand15_jump(3),
                       four = rand15_jump(4);
  uint32_t state = rand.state();
  uint8_t* p = pixels.data();
  const size_t count = pixels.size() / 3;
  for (size_t i = 0; i < count; ++i, p += 3) {
    const uint32_t selector = one(state);
    if (!chooses(Rand15::value_of(selector))) {
      state = selector;
      continue;
    }
    const uint32_t second = two(state);
    switch (kind_) {
      case NoiseKind::colour: {
        const uint32_t noise[3] = {second, three(state), four(state)};
        for (int k = 0; k < 3; ++k) {
          const int r = Rand15::value_of(noise[k]);
          p[k] = level_byte(truncate_toward_zero(r / 128.0 * a_ + p[k] * b_));
        }
        state = noise[2];
        break;
      }
      case NoiseKind::luminance: {
        const double factor = (Rand15::value_of(second) / 16384.0 - 1.0) * a_ + 1.0;
        for (int k = 0; k < 3; ++k) p[k] = level_byte(truncate_toward_zero(p[k] * factor));
        state = second;
        break;
      }
      case NoiseKind::mono: {
        const double level = Rand15::value_of(second) / 128.0;
        for (int k = 0; k < 3; ++k) p[k] = level_byte(truncate_toward_zero(p[k] * b_ + level * a_));
        state = second;
        break;
      }
    }
  }
  rand.srand15(state);
}

int run_grain(std::span<const std::string_view> args) { return run_tool(grain_spec, args, grain); }

}  // namespace bmp
