// snip: cuts an X_SIZE × Y_SIZE rectangle, its top-left corner OFF_X from the
// left and OFF_Y from the top, out of a 24-bit image. One form:
// snip INFILE1 OUTFILE X_SIZE Y_SIZE OFF_X OFF_Y.
#include "geometry/snip.hpp"

#include <cstring>

#include "core/bmp_io.hpp"
#include "core/messages.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int snip_forms[] = {7};
constexpr std::string_view snip_usage[] = {
    "\n",
    "USAGE: COMMAND INFILE1(3-BITE) OUTFILE(3-BITE) X_SIZE Y_SIZE OFF_X OFF_Y\n",
    "\n",
};

constexpr ToolSpec snip_spec{
    .title = "SNIP UTILITY (BMP FILE VERSION)\n",
    .usage = snip_usage,
    .warning = Warning::for_bmp,
    .forms = snip_forms,
};

struct Rectangle {
  int32_t x_size = 0;
  int32_t y_size = 0;
  int32_t off_x = 0;
  int32_t off_y = 0;
};

// Refuses a negative side or offset by its name, then a rectangle that leaves
// the image; the sums are formed in 64 bits so none can wrap.
void check_rectangle(const Rectangle& cut, const ImageLayout& image) {
  const std::pair<const char*, int32_t> values[] = {
      {"X_SIZE", cut.x_size}, {"Y_SIZE", cut.y_size}, {"OFF_X", cut.off_x}, {"OFF_Y", cut.off_y}};
  for (const auto& [name, value] : values) {
    if (value < 0) fail(Channel::out, msg::negative_argument, name);
  }
  if (int64_t{image.width} < int64_t{cut.off_x} + cut.x_size ||
      int64_t{image.height} < int64_t{cut.off_y} + cut.y_size) {
    fail("OVER SIZE !\n");
  }
}

void snip(Run& run) {
  Console& console = run.console();
  auto input = run.open_input(1, CantOpen::source_file);
  auto output = run.create_output(2, CantOpen::source_file);
  const Rectangle cut{arg_int(run.arg(3)), arg_int(run.arg(4)), arg_int(run.arg(5)),
                      arg_int(run.arg(6))};
  HeaderCheck check;
  check.magic = false;
  check.line = SizeLine::infile;
  const ImageLayout image = read_bmp_header(*input, console, check);
  print_drive_number(console, drive_number(run.arg(2)));
  check_rectangle(cut, image);
  OutputFile& out = *output;
  write_bmp24_header(out, cut.x_size, cut.y_size);

  // Only the rectangle's rows are read, from its bottom row up.
  const int32_t first_row = image.height - cut.off_y - cut.y_size;
  RowReader rows(*input, static_cast<uint64_t>(image.offset(first_row, 0)),
                 static_cast<size_t>(image.row_bytes), cut.y_size);
  const size_t left = 3 * static_cast<size_t>(cut.off_x);
  const size_t pixel_bytes = 3 * static_cast<size_t>(cut.x_size);
  for (int32_t k = 0; k < cut.y_size; ++k) {
    std::span<const uint8_t> row = rows.next();
    std::span<uint8_t> target = next_row24(out, cut.x_size);
    if (pixel_bytes > 0) std::memcpy(target.data(), row.data() + left, pixel_bytes);
    report_progress(console, k);
  }
  out.commit();
}

}  // namespace

int run_snip(std::span<const std::string_view> args) { return run_tool(snip_spec, args, snip); }

}  // namespace bmp
