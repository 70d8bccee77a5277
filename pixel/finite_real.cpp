#include "pixel/finite_real.hpp"

#include <cmath>

#include "core/failure.hpp"
#include "core/messages.hpp"

namespace bmp {

double finite_arg_real(const Run& run, int i) {
  const std::string text = run.arg(i);
  const double value = arg_real(text);
  if (!std::isfinite(value)) fail(Channel::out, msg::not_finite, text.c_str());
  return value;
}

}  // namespace bmp
