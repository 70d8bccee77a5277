// stack_plain: puts 2 to 15 24-bit images of one width one above the other,
// the first on top. Form: stack_plain Infile ... Infile Outfile.
#include "composite/stack_plain.hpp"

#include "composite/stacking.hpp"

namespace bmp {
namespace {

constexpr int stack_plain_forms[] = {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
constexpr std::string_view stack_plain_usage[] = {
    "\n",
    "USAGE: Command Infile * * * * * * * * Infile Outfile\n",
    "\n",
};

constexpr ToolSpec stack_plain_spec{
    .title = "PICTURE 縦COPY UTILITY (BMP FILE VERSION)\n",
    .usage = stack_plain_usage,
    .warning = Warning::for_bmp,
    .forms = stack_plain_forms,
};

}  // namespace

int run_stack_plain(std::span<const std::string_view> args) {
  return run_tool(stack_plain_spec, args,
                  [](Run& run) { run_stacking(run, Arrangement::stack, false); });
}

}  // namespace bmp
