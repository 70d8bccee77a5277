#include "pixel/finite_real.hpp"

#include "pixel/finite_number.hpp"

namespace bmp {

double finite_arg_real(const Run& run, int i) {
  const std::string text = run.arg(i);
  const double value = arg_real(text);
  require_finite(value, text);
  return value;
}

}  // namespace bmp
