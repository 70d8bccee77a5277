// The pixel tools' real arguments: arg_real, refusing NaN and infinities,
// which no clamp or conversion of theirs gives a meaning.
#pragma once

#include "core/tool_frame.hpp"

namespace bmp {

// Argument i (the program name being 0) as a real; a value that is not finite
// fails with a message naming the argument.
double finite_arg_real(const Run& run, int i);

}  // namespace bmp
