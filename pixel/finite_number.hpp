// Real arguments of the colour tools: NaN and the infinities are refused, so
// no conversion ever meets them.
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include "core/failure.hpp"
#include "core/messages.hpp"

namespace bmp {

// Refuses `value` unless it is finite, naming the argument it came from.
inline void require_finite(double value, std::string_view argument) {
  if (!std::isfinite(value)) {
    fail(Channel::out, msg::number_out_of_range, std::string(argument).c_str());
  }
}

}  // namespace bmp
