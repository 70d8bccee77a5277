// Every tool that combines two 24-bit images, run whole on fuzzed inputs of
// sizes of their own (stacking and joining take two of their 2 to 15).
#include "composite/join_fill.hpp"
#include "composite/join_plain.hpp"
#include "composite/key_blend.hpp"
#include "composite/stack_fill.hpp"
#include "composite/stack_plain.hpp"
#include "fuzz/whole_run.hpp"

namespace {

using bmp::fuzz::FuzzedTool;

const FuzzedTool tools[] = {
    {"key_blend", bmp::run_key_blend, "abo", {6, 7, 9, 10}},
    {"stack_plain", bmp::run_stack_plain, "abo", {4}},
    {"stack_fill", bmp::run_stack_fill, "abo", {8}},
    {"join_plain", bmp::run_join_plain, "abo", {4}},
    {"join_fill", bmp::run_join_fill, "abo", {8}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return bmp::fuzz::run_fuzzed(tools, bmp::fuzz::SecondSize::any, data, size);
}
