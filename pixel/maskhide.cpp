// maskhide: a black-and-white mask hidden in a carrier image by changes of a
// level or two, and revealed again against the unchanged carrier.
// Forms: maskhide INFILE1 INFILE2 OUTFILE [FLAG]: FLAG 0 (or none) reveals in
// black and white, 1 in colour, any other value hides INFILE2 in INFILE1.
#include "pixel/maskhide.hpp"

#include <algorithm>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/messages.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int maskhide_forms[] = {4, 5};
constexpr std::string_view maskhide_usage[] = {
    "\n",
    "USAGE: COMMAND INFILE1 INFILE2 OUTFILE (FLAG)\n",
    "\n",
    "0 or no ----- decode(mono)\n",
    "1 ----- ----- decode(color)\n",
    "2 ----------- encode\n",
    "\n",
};

constexpr ToolSpec maskhide_spec{
    .title = "MASKHIDE UTILITY (BMP FILE VERSION)\n",
    .usage = maskhide_usage,
    .warning = Warning::for_bmp,
    .forms = maskhide_forms,
};

// The change of one channel from its draw: -2, -1, 0 or +1, a 0 becoming
// `instead_of_zero`.
int channel_change(int draw, int instead_of_zero) {
  const int d = draw / 8192 - 2;
  return d == 0 ? instead_of_zero : d;
}

uint8_t changed(uint8_t c, int d) {
  const int t = c + d;
  if (t > 255) return static_cast<uint8_t>(c - 3);
  if (t < 0) return static_cast<uint8_t>(c + 3);
  return static_cast<uint8_t>(t);
}

void maskhide(Run& run) {
  auto first = run.open_input(1, CantOpen::source_file);
  auto second = run.open_input(2, CantOpen::source_file);
  auto out = run.create_output(3, CantOpen::source_file);
  const int flag = run.count() == 5 ? arg_int(run.arg(4)) : 0;
  const ImageLayout image = read_bmp_header(*first, run.console(), HeaderCheck{});
  const ImageLayout other = read_bmp_header(*second, run.console(), HeaderCheck{});
  const bool hiding = flag != 0 && flag != 1;
  // Revealing compares pixel for pixel: another size would compare pixels of
  // other places, or read past the second file's rows.
  if (!hiding && (other.width != image.width || other.height != image.height)) {
    fail(Channel::out, msg::sizes_differ, first->name().c_str(), second->name().c_str());
  }
  write_bmp24_header(*out, image.width, image.height);

  // The second file's rows in step with the first's, while it has rows.
  RowReader other_rows(*second, static_cast<uint64_t>(other.data_offset),
                       static_cast<size_t>(other.row_bytes), other.height);
  const size_t shared_bytes = static_cast<size_t>(3 * int64_t{std::min(image.width, other.width)});
  std::span<const uint8_t> other_row;
  int32_t other_row_index = -1;
  auto other_piece = [&](int32_t r, int32_t column, size_t bytes) {
    if (r != other_row_index) {
      other_row =
          r < other.height ? other_rows.next().first(shared_bytes) : std::span<const uint8_t>{};
      other_row_index = r;
    }
    const size_t at = std::min(other_row.size(), static_cast<size_t>(3 * int64_t{column}));
    return other_row.subspan(at, std::min(bytes, other_row.size() - at));
  };

  Rand15 rand;
  rand.srand15(0);
  const RevealColour colour = flag == 1 ? RevealColour::colour : RevealColour::mono;
  rewrite_rows24(
      *first, image, *out,
      [&](int32_t r, int32_t column, std::span<uint8_t> pixels) {
        std::span<const uint8_t> piece = other_piece(r, column, pixels.size());
        if (hiding) {
          hide_mask(pixels, piece, rand);
        } else {
          reveal_mask(pixels, piece, colour);
        }
      },
      [&](int row) { report_progress(run.console(), row); });
  out->commit();
}

}  // namespace

// The three draws of a dark pixel are formed from its first state at once,
// so the chain from one dark pixel to the next is a single step.
void hide_mask(std::span<uint8_t> carrier, std::span<const uint8_t> mask, Rand15& rand) {
  constexpr Rand15Jump one = rand15_jump(1), two = rand15_jump(2), three = rand15_jump(3);
  uint32_t state = rand.state();
  const size_t count = std::min(carrier.size(), mask.size()) / 3;
  for (size_t i = 0; i < count; ++i) {
    if (mask[3 * i] >= 128) continue;  // white: no change, no draw
    const int d1 = channel_change(Rand15::value_of(one(state)), +1);
    const int d2 = channel_change(Rand15::value_of(two(state)), -1);
    const int d3 = channel_change(Rand15::value_of(three(state)), +1);
    state = three(state);
    uint8_t* p = carrier.data() + 3 * i;
    p[0] = changed(p[0], d1);
    p[1] = changed(p[1], d2);
    p[2] = changed(p[2], d3);
  }
  rand.srand15(state);
}

void reveal_mask(std::span<uint8_t> image, std::span<const uint8_t> carrier, RevealColour colour) {
  const size_t count = std::min(image.size(), carrier.size()) / 3;
  for (size_t i = 0; i < count; ++i) {
    uint8_t* p = image.data() + 3 * i;
    const uint8_t* q = carrier.data() + 3 * i;
    if (p[0] == q[0] && p[1] == q[1] && p[2] == q[2]) {
      p[0] = p[1] = p[2] = 255;
    } else if (colour == RevealColour::mono) {
      p[0] = p[1] = p[2] = 0;
    }
  }
}

int run_maskhide(std::span<const std::string_view> args) {
  return run_tool(maskhide_spec, args, maskhide);
}

}  // namespace bmp
