// What mist_vert and mist_horz share: one usage block, the three command
// forms and their parsing, and the degree check on the image the passes blur.
#pragma once

#include "core/tool_frame.hpp"
#include "defocus/defocus_frame.hpp"
#include "defocus/graded_blur.hpp"

namespace bmp {

extern const ToolSpec graded_defocus_spec;

// COMMAND DATA OUTFILE defo1 defo2 [flag [start end Flag2]].
struct GradedArgs {
  double defo1 = 0;
  double defo2 = 0;
  EdgeMode edges = EdgeMode::clamp;
  double start = 0.0;  // percent of the grading side, from the top (left)
  double end = 100.0;
  Grading grading = Grading::one_way;
};

GradedArgs parse_graded_args(const Run& run);

// The degree check of both tools, on the image the passes blur: a defo1 or
// defo2 that is negative, NaN or infinite is refused, as is a defo2 beyond
// max_blur_degree (no size test bounds it); then defo1 takes the size test
// with its one prompt and may be replaced by the degree typed there.
void check_graded_degrees(GradedArgs& args, const Run& run, int32_t width, int32_t height);

// The graded pass with the run's degrees, profile and edges on an image
// `height` rows high, with the star progress.
BlurPass graded_pass(const GradedArgs& args, int32_t height, Console& console);

}  // namespace bmp
