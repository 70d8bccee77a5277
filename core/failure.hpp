// The one way a tool fails after its argument gate: throw ToolFailure with the
// message; the frame prints it on its channel and ends the run with status 1.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace bmp {

enum class Channel { out, err };

class ToolFailure : public std::runtime_error {
 public:
  explicit ToolFailure(std::string message, Channel channel = Channel::out)
      : std::runtime_error(std::move(message)), channel_(channel) {}
  Channel channel() const { return channel_; }

 private:
  Channel channel_;
};

// Formats a message with printf conventions and throws it.
[[noreturn]] void fail(Channel channel, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// A fixed UTF-8 message, converted to the console encoding as a whole.
[[noreturn]] void fail(std::string_view message, Channel channel = Channel::out);

}  // namespace bmp
