// invert: the negative of a 24-bit image, every colour byte v becoming 255 - v.
// One form: invert Infile Outfile.
#include "pixel/invert.hpp"

#include <cstring>

#include "core/bmp_io.hpp"
#include "core/row_loop.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int invert_forms[] = {3};
constexpr std::string_view invert_usage[] = {
    "\n",
    "USAGE: Command Infile Outfile\n",
    "\n",
};

constexpr ToolSpec invert_spec{
    .title = "INVERT UTILITY (BMP FILE VERSION)\n",
    .usage = invert_usage,
    .warning = Warning::for_bmp,
    .forms = invert_forms,
};

// 255 - v is the complement of the byte, so eight bytes go at once.
void invert_pixels(std::span<uint8_t> pixels) {
  size_t i = 0;
  for (; i + 8 <= pixels.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, pixels.data() + i, 8);
    word = ~word;
    std::memcpy(pixels.data() + i, &word, 8);
  }
  for (; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(255 - pixels[i]);
}

void invert(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  ImageLayout image = read_bmp_header(*in, run.console(), HeaderCheck{});
  write_bmp24_header(*out, image.width, image.height);
  rewrite_rows24(
      *in, image, *out, [](int, int, std::span<uint8_t> pixels) { invert_pixels(pixels); },
      [&](int row) { report_progress(run.console(), row); });
  out->commit();
}

}  // namespace

int run_invert(std::span<const std::string_view> args) {
  return run_tool(invert_spec, args, invert);
}

}  // namespace bmp
