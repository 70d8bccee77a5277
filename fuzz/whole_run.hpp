// Whole tool runs in-process on fuzzed inputs. The fuzzer's bytes choose a
// tool from a target's table, one of its argument counts, the inputs' sizes
// and damage, the numbers, and the pixels. Every run must end with status 0
// and well-formed outputs, or status 1 with no output; either way nothing is
// left beside the files or in TMPDIR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace bmp::fuzz {

using ToolRun = int (*)(std::span<const std::string_view>);

struct FuzzedTool {
  std::string_view name;
  ToolRun run;
  // The file arguments in order, after the program name: 'a' the first 24-bit
  // input, 'b' the second (of another size), 'q' a 4-byte input, 'o' an
  // output; 'n' a number and 'h' the row count of an image the tool makes.
  // The other arguments of a form are numbers.
  std::string_view files;
  std::vector<int> forms;  // the accepted argument counts, program name included
};

// How the second 24-bit input's size relates to the first's.
enum class SecondSize {
  any,           // two images of their own sizes
  within_first,  // mostly no larger than the first (a filter beside its data)
};

// One fuzz input run through the table.
int run_fuzzed(std::span<const FuzzedTool> tools, SecondSize second, const uint8_t* data,
               size_t size);

}  // namespace bmp::fuzz
