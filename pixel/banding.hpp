#pragma once

#include <span>
#include <string_view>

#include "pixel/point_tables.hpp"

namespace bmp {

// The phase of frame `part` of `whole`, in degrees.
double banding_phase(double whole, double part);
// The band level of each blue byte (low 8 bits).
ByteTable banding_table(double whole, double part);

int run_banding(std::span<const std::string_view> args);

}  // namespace bmp
