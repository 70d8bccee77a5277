// join_plain: puts 2 to 15 24-bit images of one height side by side, the
// first on the left. Form: join_plain Infile ... Infile Outfile.
#include "composite/join_plain.hpp"

#include "composite/stacking.hpp"

namespace bmp {
namespace {

constexpr int join_plain_forms[] = {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
constexpr std::string_view join_plain_usage[] = {
    "\n",
    "USAGE: Command Infile * * * * * * * * Infile Outfile\n",
    "dmバグ修正\n",
    "\n",
};

constexpr ToolSpec join_plain_spec{
    .title = "PICTURE 横COPY UTILITY (BMP FILE VERSION)\n",
    .usage = join_plain_usage,
    .warning = Warning::for_bmp,
    .forms = join_plain_forms,
};

}  // namespace

int run_join_plain(std::span<const std::string_view> args) {
  return run_tool(join_plain_spec, args,
                  [](Run& run) { run_stacking(run, Arrangement::join, false); });
}

}  // namespace bmp
