// Every tool that reads two 24-bit files, run whole on fuzzed inputs of
// sizes of their own.
#include "composite/fusion.hpp"
#include "defocus/mist_mask.hpp"
#include "fuzz/whole_run.hpp"
#include "pixel/recolor_mask.hpp"

namespace {

using bmp::fuzz::FuzzedTool;

const FuzzedTool tools[] = {
    {"mist_mask", bmp::run_mist_mask, "abo", {6}},
    {"recolor_mask", bmp::run_recolor_mask, "abo", {6}},
    {"fusion", bmp::run_fusion, "abo", {4, 5}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return bmp::fuzz::run_fuzzed(tools, bmp::fuzz::SecondSize::any, data, size);
}
