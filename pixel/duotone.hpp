#pragma once

#include <span>
#include <string_view>

#include "pixel/grey_table_pass.hpp"

namespace bmp {

// The ramp from the dark colour (grey 0) towards the light one (grey 255).
GreyColourTable duotone_table(TableColour dark, TableColour light);

int run_duotone(std::span<const std::string_view> args);

}  // namespace bmp
