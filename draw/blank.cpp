// blank: a new 24-bit image of a given size filled with one colour or one
// grey level. Forms: Filename x_size y_size red green blue, or Filename
// x_size y_size mono.
#include "draw/blank.hpp"

#include <algorithm>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/formulas.hpp"
#include "core/tool_frame.hpp"
#include "draw/gradient.hpp"

namespace bmp {
namespace {

constexpr int blank_forms[] = {5, 7};
constexpr int blank_lone_counts[] = {2};
constexpr std::string_view blank_usage[] = {
    "\n",
    "USAGE: COMMAND Filename x_size y_size red green blue\n",
    "       COMMAND Filename x_size y_size mono\n",
    "\n",
};

constexpr ToolSpec blank_spec{
    .title = "BLANK UTILITY(BMP FILE VERSION)\n",
    .usage = blank_usage,
    .warning = Warning::for_bmp,
    .forms = blank_forms,
    .lone = LoneArgument::blank_wrong_paramater,
    .lone_counts = blank_lone_counts,
};

struct BlankArgs {
  int32_t width = 0;
  int32_t height = 0;
  Colour colour;
};

BlankArgs parse_blank_args(const Run& run) {
  BlankArgs args{arg_int(run.arg(2)), arg_int(run.arg(3)), {}};
  if (run.count() == 7) {
    args.colour = colour_args(run, 4);
  } else {  // 5: one grey level
    const double mono = arg_real(run.arg(4));
    args.colour = {mono, mono, mono};
  }
  return args;
}

// One stored row's worth of the colour (at most a stream block): the low 8
// bits of each channel truncated toward zero, so 256 gives 0 and -1 gives 255.
std::vector<uint8_t> colour_run(const Colour& colour, int32_t width) {
  const size_t pixels = static_cast<size_t>(std::min<int64_t>(width, stream_block_bytes / 3));
  const uint8_t bgr[3] = {static_cast<uint8_t>(truncate_toward_zero(colour.blue)),
                          static_cast<uint8_t>(truncate_toward_zero(colour.green)),
                          static_cast<uint8_t>(truncate_toward_zero(colour.red))};
  std::vector<uint8_t> run(3 * pixels);
  for (size_t i = 0; i < run.size(); ++i) run[i] = bgr[i % 3];
  return run;
}

void blank(Run& run) {
  auto out = run.create_output(1, CantOpen::source_file);
  const BlankArgs args = parse_blank_args(run);
  Console& console = run.console();
  write_bmp24_header(*out, args.width, args.height);
  const std::vector<uint8_t> colour = colour_run(args.colour, args.width);
  const uint8_t padding[3] = {0, 0, 0};
  const int64_t row_pixels = 3 * int64_t{args.width};
  for (int32_t y = 0; y < args.height; ++y) {
    for (int64_t done = 0; done < row_pixels;) {
      const size_t piece = static_cast<size_t>(std::min<int64_t>(colour.size(), row_pixels - done));
      out->write(std::span<const uint8_t>(colour.data(), piece));
      done += static_cast<int64_t>(piece);
    }
    out->write(std::span<const uint8_t>(padding, static_cast<size_t>(row_padding(args.width))));
    report_progress(console, y);
  }
  size_report(console, SizeReport::star, args.width, args.height);
  console.write("\n");
  out->commit();
}

}  // namespace

int run_blank(std::span<const std::string_view> args) { return run_tool(blank_spec, args, blank); }

}  // namespace bmp
