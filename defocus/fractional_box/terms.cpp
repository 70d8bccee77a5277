// The window of a radius.
#include "defocus/fractional_box/terms.hpp"

#include "defocus/defocus_frame.hpp"

namespace bmp {

BoxWindow box_window(double radius) {
  const int32_t whole = r_in(radius);
  const double fraction = radius - whole;
  return {int64_t{whole} + 1, fraction, fraction * fraction, (2 * radius + 1) * (2 * radius + 1)};
}

}  // namespace bmp
