// duotone: an image toned by its grey levels along a straight ramp from a
// dark colour to a light one. Forms: duotone Infile Outfile (black to white),
// ... R1 G1 B1 (dark colour to white), ... R1 G1 B1 R2 G2 B2 (two colours).
#include "pixel/duotone.hpp"

#include "core/formulas.hpp"

namespace bmp {
namespace {

constexpr int duotone_forms[] = {3, 6, 9};
constexpr int lone_counts[] = {2};
// The third usage line names the light colour "R2 B2 G2"; its arguments are
// read as red, green, blue all the same.
constexpr std::string_view duotone_usage[] = {
    "\n",
    "24-bitのデータをモノトーンにする\n",
    "\n",
    "USAGE: COMMAND Infile Outfile ----------------------- mono\n",
    "       COMMAND Infile Outfile R1 G1 B1 -------------- 1-color\n",
    "       COMMAND Infile Outfile R1 G1 B1 R2 B2 G2 ----- 2-color\n",
    "\n",
};

constexpr ToolSpec duotone_spec{
    .title = "DUOTONE UTILITY (BMP FILE VERSION)\n",
    .usage = duotone_usage,
    .warning = Warning::for_bmp,
    .forms = duotone_forms,
    .lone = LoneArgument::warning,
    .lone_counts = lone_counts,
};

// Arguments first..first + 2 as red, green, blue, each its low 8 bits.
TableColour colour_args(const Run& run, int first) {
  auto byte = [&](int i) { return static_cast<uint8_t>(arg_int(run.arg(i))); };
  return TableColour{.blue = byte(first + 2), .green = byte(first + 1), .red = byte(first)};
}

void duotone(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto out = run.create_output(2, CantOpen::source_file);
  TableColour dark{0, 0, 0};
  TableColour light{255, 255, 255};
  if (run.count() >= 6) dark = colour_args(run, 3);
  if (run.count() == 9) light = colour_args(run, 6);
  recolour_by_grey(run, *in, *out, duotone_table(dark, light));
}

}  // namespace

// The difference over 255 first, then times the level, then the dark value
// added: the order decides a level at some colours.
GreyColourTable duotone_table(TableColour dark, TableColour light) {
  auto ramp = [](int d, int l, int i) {
    return static_cast<uint8_t>(truncate_toward_zero(d + (l - d) / 255.0 * i));
  };
  GreyColourTable table{};
  for (int i = 0; i < 256; ++i) {
    table[static_cast<size_t>(i)] = {ramp(dark.blue, light.blue, i),
                                     ramp(dark.green, light.green, i),
                                     ramp(dark.red, light.red, i)};
  }
  return table;
}

int run_duotone(std::span<const std::string_view> args) {
  return run_tool(duotone_spec, args, duotone);
}

}  // namespace bmp
