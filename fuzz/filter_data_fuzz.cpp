// Every tool that reads a filter, mask or map image beside its data image,
// run whole on fuzzed inputs, the data mostly the filter's size or inside it.
#include "composite/fusion.hpp"
#include "defocus/mist_mask.hpp"
#include "fuzz/whole_run.hpp"
#include "geometry/joggle.hpp"
#include "pixel/maskhide.hpp"
#include "pixel/recolor_mask.hpp"

namespace {

using bmp::fuzz::FuzzedTool;

// 'a' is the filter, 'b' the data.
const FuzzedTool tools[] = {
    {"mist_mask", bmp::run_mist_mask, "abo", {6}},
    {"recolor_mask", bmp::run_recolor_mask, "abo", {6}},
    {"fusion", bmp::run_fusion, "bao", {4, 5}},
    {"joggle", bmp::run_joggle, "abo", {5, 6, 7, 8}},
    {"maskhide", bmp::run_maskhide, "bao", {4, 5}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return bmp::fuzz::run_fuzzed(tools, bmp::fuzz::SecondSize::within_first, data, size);
}
