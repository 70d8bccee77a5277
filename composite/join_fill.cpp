// join_fill: puts 2 to 15 24-bit images side by side, the first on the
// left, each aligned up, centre or down on a fill colour. Form:
// join_fill Infile ... Infile Outfile red green blue Flag.
#include "composite/join_fill.hpp"

#include "composite/stacking.hpp"

namespace bmp {
namespace {

constexpr int join_fill_forms[] = {8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21};
constexpr std::string_view join_fill_usage[] = {
    "\n",           "USAGE: Command Infile * * * * * * * * Infile Outfile red green blue Flag\n",
    "dmバグ修正\n", "--- Flag ---\n",
    "0 *** up\n",   "1 *** Center\n",
    "2 *** dn\n",   "\n",
};

constexpr ToolSpec join_fill_spec{
    .title = "PICTURE 横COPY UTILITY (BMP FILE VERSION)\n",
    .usage = join_fill_usage,
    .warning = Warning::for_bmp,
    .forms = join_fill_forms,
};

}  // namespace

int run_join_fill(std::span<const std::string_view> args) {
  return run_tool(join_fill_spec, args,
                  [](Run& run) { run_stacking(run, Arrangement::join, true); });
}

}  // namespace bmp
