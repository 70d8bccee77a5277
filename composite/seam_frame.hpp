// What seam_tile and seam_loop share around the seam passes: the purpose
// line of their usage and the refusal of a negative band.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/console.hpp"
#include "core/failure.hpp"
#include "core/messages.hpp"

namespace bmp {

inline constexpr std::string_view seam_purpose =
    "写真のつなぎ目を無くします。のりしろ分サイズが小さくなります。\n";

// A band below zero would make the output lines longer than the input's:
// refused, naming the argument (`name`, e.g. "X_幅") and its text.
inline void check_band_not_negative(int32_t band, std::string_view name, const std::string& text,
                                    const Console& console) {
  if (band < 0) {
    fail(Channel::out, msg::negative_band, console.encoder()(name).c_str(), text.c_str());
  }
}

}  // namespace bmp
