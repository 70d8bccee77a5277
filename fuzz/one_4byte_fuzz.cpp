// Every tool that reads one 4-byte file, run whole on fuzzed input.
#include "composite/unmatte.hpp"
#include "fuzz/whole_run.hpp"
#include "geometry/twirl32.hpp"

namespace {

using bmp::fuzz::FuzzedTool;

const FuzzedTool tools[] = {
    {"twirl32", bmp::run_twirl32, "qo", {6, 10}},
    {"unmatte", bmp::run_unmatte, "qoo", {4}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return bmp::fuzz::run_fuzzed(tools, bmp::fuzz::SecondSize::any, data, size);
}
