#pragma once

#include <span>
#include <string_view>

#include "pixel/grey_table_pass.hpp"

namespace bmp {

// The rainbow table: entry i is the colour of segment step (i + kaiten) mod 256.
GreyColourTable spectra_table(int up, int dn, int kaiten);

int run_spectra(std::span<const std::string_view> args);

}  // namespace bmp
