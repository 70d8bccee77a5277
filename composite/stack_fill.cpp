// stack_fill: puts 2 to 15 24-bit images one above the other, the first on
// top, each aligned left, centre or right on a fill colour. Form:
// stack_fill Infile ... Infile Outfile red Green Blue Flag.
#include "composite/stack_fill.hpp"

#include "composite/stacking.hpp"

namespace bmp {
namespace {

constexpr int stack_fill_forms[] = {8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21};
constexpr std::string_view stack_fill_usage[] = {
    "\n",
    "USAGE: Command Infile * * * * * * * * Infile Outfile red Green Blue Flag\n",
    "---Flag---\n",
    "0 *** left\n",
    "1 *** center\n",
    "2 *** right\n",
    "\n",
};

constexpr ToolSpec stack_fill_spec{
    .title = "PICTURE 縦COPY UTILITY (BMP FILE VERSION)\n",
    .usage = stack_fill_usage,
    .warning = Warning::for_bmp,
    .forms = stack_fill_forms,
};

}  // namespace

int run_stack_fill(std::span<const std::string_view> args) {
  return run_tool(stack_fill_spec, args,
                  [](Run& run) { run_stacking(run, Arrangement::stack, true); });
}

}  // namespace bmp
