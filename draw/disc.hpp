#pragma once

#include <span>
#include <string_view>

namespace bmp {

int run_disc(std::span<const std::string_view> args);

}  // namespace bmp
