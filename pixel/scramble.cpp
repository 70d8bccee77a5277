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

// The keys come from `lanes` states at once, each stepping `lanes` draws, so
// the draws are independent of each other instead of one long chain; the
// generator then moves on by the draws taken.
void scramble_bytes(std::span<uint8_t> bytes, Rand15& keys, ScrambleDirection direction) {
  constexpr size_t lanes = 16;
  constexpr Rand15Jump ahead = rand15_jump(lanes);
  const bool encode = direction == ScrambleDirection::encode;
  size_t done = 0;
  if (bytes.size() >= lanes) {
    uint32_t state[lanes];
    Rand15 lane = keys;
    for (uint32_t& s : state) {
      lane.rand15();
      s = lane.state();
    }
    // A key is the draw over 128: the state's bits 23 to 30. Unsigned bytes
    // wrap modulo 256 both ways, so decoding never goes negative.
    for (; done + lanes <= bytes.size(); done += lanes) {
      uint8_t* b = bytes.data() + done;
      for (size_t j = 0; j < lanes; ++j) {
        const auto key = static_cast<uint8_t>(state[j] >> 23);
        b[j] = static_cast<uint8_t>(encode ? b[j] + key : b[j] - key);
        state[j] = ahead(state[j]);
      }
    }
    keys.discard(done);
  }
  for (uint8_t& b : bytes.subspan(done)) {
    const auto key = static_cast<uint8_t>(keys.rand15() / 128);
    b = static_cast<uint8_t>(encode ? b + key : b - key);
  }
}

int run_scramble(std::span<const std::string_view> args) {
  return run_tool(scramble_spec, args, scramble);
}

}  // namespace bmp
