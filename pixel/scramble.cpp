// scramble: an image hidden behind a four-digit code, each byte shifted by a
// key from rand15 seeded with the code; the same code restores it.
// Forms: scramble INFILE OUTFILE Flag [code] (Flag 0 encodes, any other decodes).
#include "pixel/scramble.hpp"

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int scramble_forms[] = {4, 5};
constexpr std::string_view scramble_usage[] = {
    "\n",
    "USAGE: COMMAND INFILE OUTFILE Flag 暗証番号(4桁)\n",
    "\n",
    "---- Flag ----\n",
    "0 --- encode\n",
    "1 --- decode\n",
    "\n",
};

constexpr ToolSpec scramble_spec{
    .title = "SCRAMBLE UTILITY (BMP FILE VERSION)\n",
    .usage = scramble_usage,
    .warning = Warning::bmp,
    .forms = scramble_forms,
};

// The seed is the code plus this offset.
constexpr uint32_t seed_offset = 263;

void scramble(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  const ScrambleDirection direction =
      arg_trunc(run.arg(3)) == 0 ? ScrambleDirection::encode : ScrambleDirection::decode;
  const int code = run.count() == 5 ? arg_trunc(run.arg(4)) : 0;
  ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  write_bmp24_header(*out, image.width, image.height);
  if (code < 0 || code > 9999) fail("暗証番号が違います!(0000-9999)\n");
  Rand15 keys;
  keys.srand15(static_cast<uint32_t>(code) + seed_offset);
  rewrite_rows24(
      *in, image, *out,
      [&](int, int, std::span<uint8_t> pixels) { scramble_bytes(pixels, keys, direction); },
      [&](int row) { report_progress(run.console(), row); });
  out->commit();
}

}  // namespace

void scramble_bytes(std::span<uint8_t> bytes, Rand15& keys, ScrambleDirection direction) {
  // Unsigned bytes wrap modulo 256 both ways, so decoding never goes negative.
  if (direction == ScrambleDirection::encode) {
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(b + keys.rand15() / 128);
  } else {
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(b - keys.rand15() / 128);
  }
}

int run_scramble(std::span<const std::string_view> args) {
  return run_tool(scramble_spec, args, scramble);
}

}  // namespace bmp
