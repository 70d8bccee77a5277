// Every tool that reads a 4-byte file, run whole on fuzzed input (matte_blend
// lays it over a 24-bit background).
#include "composite/matte_blend.hpp"
#include "composite/unmatte.hpp"
#include "fuzz/whole_run.hpp"
#include "geometry/twirl32.hpp"

namespace {

using bmp::fuzz::FuzzedTool;

const FuzzedTool tools[] = {
    {"twirl32", bmp::run_twirl32, "qo", {6, 10}},
    {"unmatte", bmp::run_unmatte, "qoo", {4}},
    {"matte_blend", bmp::run_matte_blend, "aqo", {6, 7, 8}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return bmp::fuzz::run_fuzzed(tools, bmp::fuzz::SecondSize::any, data, size);
}
