#pragma once

#include <span>
#include <string_view>

#include "pixel/point_tables.hpp"

namespace bmp {

// The output byte of each input byte for the factor c.
ByteTable stretch_table(double c);

int run_stretch(std::span<const std::string_view> args);

}  // namespace bmp
