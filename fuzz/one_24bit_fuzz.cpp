// Every tool that reads one 24-bit file, run whole on fuzzed input.
#include "composite/seam_loop.hpp"
#include "composite/seam_tile.hpp"
#include "defocus/mist_even.hpp"
#include "defocus/mist_horz.hpp"
#include "defocus/mist_slope.hpp"
#include "defocus/mist_turn.hpp"
#include "defocus/mist_vert.hpp"
#include "draw/border.hpp"
#include "draw/disc.hpp"
#include "draw/patch.hpp"
#include "draw/ramp_over.hpp"
#include "draw/ripple_over.hpp"
#include "draw/stroke.hpp"
#include "draw/vignette.hpp"
#include "fuzz/whole_run.hpp"
#include "geometry/annulus.hpp"
#include "geometry/quadflip.hpp"
#include "geometry/resample.hpp"
#include "geometry/snip.hpp"
#include "geometry/twirl.hpp"
#include "pixel/banding.hpp"
#include "pixel/duotone.hpp"
#include "pixel/grain.hpp"
#include "pixel/invert.hpp"
#include "pixel/recolor.hpp"
#include "pixel/scramble.hpp"
#include "pixel/spectra.hpp"
#include "pixel/stretch.hpp"

namespace {

using bmp::fuzz::FuzzedTool;

const FuzzedTool tools[] = {
    {"invert", bmp::run_invert, "ao", {3}},
    {"recolor", bmp::run_recolor, "ao", {4, 6, 7}},
    {"stretch", bmp::run_stretch, "ao", {4, 6}},
    {"duotone", bmp::run_duotone, "ao", {3, 6, 9}},
    {"spectra", bmp::run_spectra, "ao", {6}},
    {"banding", bmp::run_banding, "ao", {5}},
    {"grain", bmp::run_grain, "ao", {5, 6}},
    {"scramble", bmp::run_scramble, "ao", {4, 5}},
    {"twirl", bmp::run_twirl, "ao", {6, 9}},
    {"quadflip", bmp::run_quadflip, "ao", {4}},
    {"resample", bmp::run_resample, "aonh", {5, 6}},
    {"snip", bmp::run_snip, "ao", {7}},
    {"annulus", bmp::run_annulus, "aonh", {9, 12}},
    {"mist_even", bmp::run_mist_even, "ao", {4, 5}},
    {"mist_vert", bmp::run_mist_vert, "ao", {5, 6, 9}},
    {"mist_horz", bmp::run_mist_horz, "ao", {5, 6, 9}},
    {"mist_turn", bmp::run_mist_turn, "ao", {6, 9, 10}},
    {"mist_slope", bmp::run_mist_slope, "ao", {6, 7, 9, 10}},
    {"ramp_over", bmp::run_ramp_over, "aonh", {10, 11, 15, 16, 17, 18}},
    {"patch", bmp::run_patch, "ao", {8, 9, 10, 11}},
    {"disc", bmp::run_disc, "ao", {11, 12, 13, 14}},
    {"vignette", bmp::run_vignette, "ao", {2, 8, 9, 10, 12, 13, 14, 15}},
    {"stroke", bmp::run_stroke, "ao", {10, 11}},
    {"border", bmp::run_border, "ao", {8, 9}},
    {"ripple_over", bmp::run_ripple_over, "ao", {9, 10, 11}},
    {"seam_tile", bmp::run_seam_tile, "ao", {5, 8, 9, 10}},
    {"seam_loop", bmp::run_seam_loop, "ao", {4, 5}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return bmp::fuzz::run_fuzzed(tools, bmp::fuzz::SecondSize::any, data, size);
}
