#include "failure.hpp"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "console.hpp"

namespace bmp {

void fail(Channel channel, const char* format, ...) {
  // The format's own text is converted now; the arguments (file names) are
  // already in the console's encoding.
  std::string converted = TextEncoder()(format);
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, converted.c_str(), copy);
  va_end(copy);
  std::vector<char> text(static_cast<size_t>(length < 0 ? 0 : length) + 1);
  std::vsnprintf(text.data(), text.size(), converted.c_str(), args);
  va_end(args);
  throw ToolFailure(std::string(text.data(), text.size() - 1), channel);
}

void fail(std::string_view message, Channel channel) {
  throw ToolFailure(TextEncoder()(message), channel);
}

}  // namespace bmp
