// The run that twirl and twirl32 share: the input's square canvas sampled
// into the output by the chosen kernel, straight from the input's pixels.
#pragma once

#include <optional>

#include "core/files.hpp"
#include "core/tool_frame.hpp"
#include "geometry/rotation.hpp"

namespace bmp {

enum class TwirlFile { bmp24, four_byte };

// A rotation kernel of the engine (rotate_nearest, rotate_aa8, ...).
using RotationKernel = void (*)(const Canvas& canvas, SizeMode mode, double angle, OutputFile& out,
                                const RowDone& done);

struct TwirlRequest {
  TwirlFile file = TwirlFile::bmp24;
  double kaiten = 0;  // whole degrees
  RotationKernel kernel = nullptr;
  std::optional<FillColour> solid;  // the colour outside the input; none: edge colour
  SizeMode size = SizeMode::origin;
};

// The whole run after the argument gate: Infile and Outfile (arguments 1 and
// 2), the turn and the size report.
void twirl_run(Run& run, const TwirlRequest& request);

}  // namespace bmp
