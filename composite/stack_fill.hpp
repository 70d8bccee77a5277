#pragma once

#include <span>
#include <string_view>

namespace bmp {

int run_stack_fill(std::span<const std::string_view> args);

}  // namespace bmp
