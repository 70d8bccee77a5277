// Every tool that reads one 24-bit file, run whole on fuzzed input.
#include "defocus/mist_even.hpp"
#include "defocus/mist_horz.hpp"
#include "defocus/mist_slope.hpp"
#include "defocus/mist_turn.hpp"
#include "defocus/mist_vert.hpp"
#include "draw/ramp_over.hpp"
#include "fuzz/whole_run.hpp"
#include "geometry/twirl.hpp"
#include "pixel/invert.hpp"
#include "pixel/recolor.hpp"

namespace {

using bmp::fuzz::FuzzedTool;

const FuzzedTool tools[] = {
    {"invert", bmp::run_invert, "ao", {3}},
    {"recolor", bmp::run_recolor, "ao", {4, 6, 7}},
    {"twirl", bmp::run_twirl, "ao", {6, 9}},
    {"mist_even", bmp::run_mist_even, "ao", {4, 5}},
    {"mist_vert", bmp::run_mist_vert, "ao", {5, 6, 9}},
    {"mist_horz", bmp::run_mist_horz, "ao", {5, 6, 9}},
    {"mist_turn", bmp::run_mist_turn, "ao", {6, 9, 10}},
    {"mist_slope", bmp::run_mist_slope, "ao", {6, 7, 9, 10}},
    {"ramp_over", bmp::run_ramp_over, "ao", {10, 11, 15, 16, 17, 18}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return bmp::fuzz::run_fuzzed(tools, bmp::fuzz::SecondSize::any, data, size);
}
