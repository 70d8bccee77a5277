// quadflip: turns a 24-bit image by 0, 90, 180 or 270 degrees clockwise,
// plain or mirrored left to right first, as the flag 0..7 selects. One form:
// quadflip Infile Outfile flag.
#include "geometry/quadflip.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/image_rows.hpp"
#include "core/messages.hpp"
#include "core/quarter_turn.hpp"
#include "core/row_bands.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int quadflip_forms[] = {4};
constexpr std::string_view quadflip_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile flag\n",
    "\n",
    "--- flag ---\n",
    "0 --- 0\n",
    "1 --- 90(時計周り)\n",
    "2 --- 180(時計周り)\n",
    "3 --- 270(時計周り)\n",
    "4 --- 裏0(時計周り)\n",
    "5 --- 裏90(時計周り)\n",
    "6 --- 裏180(時計周り)\n",
    "7 --- 裏270(時計周り)\n",
    "\n",
};

constexpr ToolSpec quadflip_spec{
    .title = "QUADFLIP UTILITY (BMP FILE VERSION)\n",
    .usage = quadflip_usage,
    .warning = Warning::for_bmp,
    .forms = quadflip_forms,
};

bool exchanges_sides(int flag) { return flag % 2 != 0; }

void copy_pixel(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 3); }

void reverse_pixels(std::span<const uint8_t> source, std::span<uint8_t> target) {
  const size_t count = source.size() / 3;
  for (size_t c = 0; c < count; ++c) copy_pixel(&target[3 * c], &source[3 * (count - 1 - c)]);
}

// Flag 6: stored rows from the top one down, read in blocks from the end.
void flip_top_bottom(const InputFile& in, const ImageLayout& image, OutputFile& out,
                     const RowDone& done) {
  const size_t row_bytes = static_cast<size_t>(image.row_bytes);
  const size_t pixel_bytes = static_cast<size_t>(3 * int64_t{image.width});
  if (pixel_bytes == 0) {
    for (int32_t r = 0; r < image.height; ++r) done(r);
    return;
  }
  const int32_t per_block =
      static_cast<int32_t>(std::clamp<size_t>(stream_block_bytes / row_bytes, 1, INT32_MAX));
  std::vector<uint8_t> block(row_bytes * static_cast<size_t>(std::min(per_block, image.height)));
  int32_t written = 0;
  for (int32_t top = image.height; top > 0;) {
    const int32_t count = std::min(per_block, top);
    top -= count;
    std::span<uint8_t> rows(block.data(), row_bytes * static_cast<size_t>(count));
    in.read_at(static_cast<uint64_t>(image.offset(top, 0)), rows);
    for (int32_t k = count - 1; k >= 0; --k) {
      std::memcpy(next_row24(out, image.width).data(), rows.data() + k * row_bytes, pixel_bytes);
      done(written++);
    }
  }
}

// Flags 1, 3, 5 and 7: output row r, column c takes input column r or
// W - 1 - r of input row c or H - 1 - c.
QuarterTurn quarter_turn_of(int flag) { return {flag == 1 || flag == 7, flag == 3 || flag == 7}; }

// Flag 2: stored row r is input row H - 1 - r read backwards.
void turn_half(const ImageRows& source, OutputFile& out, const RowDone& done) {
  const int32_t w = source.width();
  const size_t pixel_bytes = static_cast<size_t>(3 * int64_t{w});
  produce_rows24(
      out, w, source.height(), w,
      [&](int32_t r, std::span<uint8_t> row) {
        reverse_pixels({source.row(source.height() - 1 - r), pixel_bytes}, row);
      },
      done);
}

void rotate_quarter_turn(Run& run) {
  Console& console = run.console();
  auto input = run.open_input(1, CantOpen::source_file);
  auto output = run.create_output(2, CantOpen::source_file);
  const int flag = arg_trunc(run.arg(3));
  const ImageLayout image = read_bmp_header(*input, console, HeaderCheck{});
  InputFile& in = *input;
  OutputFile& out = *output;

  // The header comes before the flag is examined; no row follows a bad flag.
  if (exchanges_sides(flag) || flag < 0 || flag > 7) {
    write_bmp24_header(out, image.height, image.width);
  } else {
    write_bmp24_header(out, image.width, image.height);
  }
  if (flag < 0 || flag > 7) fail(msg::wrong_flag);

  // Flags 5 and 7 count their rows from 1.
  const int progress_base = flag == 5 || flag == 7 ? 1 : 0;
  const RowDone done = [&](int32_t row) { report_progress(console, row + progress_base); };
  switch (flag) {
    case 0:
      rewrite_rows24(
          in, image, out, [](int32_t, int32_t, std::span<uint8_t>) {}, done);
      break;
    case 4:
      for_each_row24(
          in, image, out,
          [](int32_t, std::span<const uint8_t> source, std::span<uint8_t> row) {
            reverse_pixels(source, row);
          },
          done);
      break;
    case 6:
      flip_top_bottom(in, image, out, done);
      break;
    case 2:
      turn_half(ImageRows(in, image), out, done);
      break;
    default:
      turn_quarter(ImageRows(in, image), quarter_turn_of(flag), out, done);
      break;
  }
  out.commit();
}

}  // namespace

int run_quadflip(std::span<const std::string_view> args) {
  return run_tool(quadflip_spec, args, rotate_quarter_turn);
}

}  // namespace bmp
