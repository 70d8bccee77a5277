// The console: every text a tool prints goes through here. Texts are UTF-8 in
// the sources and leave in UTF-8, or in Shift-JIS when the locale says so.
// Progress stays visible on a terminal; elsewhere output is fully buffered.
#pragma once

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "failure.hpp"

namespace bmp {

// Converts UTF-8 text to the console's encoding: Shift-JIS when the locale's
// character set (LC_CTYPE) is a Shift-JIS kind, else unchanged.
class TextEncoder {
 public:
  TextEncoder();
  ~TextEncoder();
  TextEncoder(const TextEncoder&) = delete;
  TextEncoder& operator=(const TextEncoder&) = delete;
  std::string operator()(std::string_view utf8) const;
  bool shift_jis() const { return converter_ != nullptr; }

 private:
  void* converter_ = nullptr;  // iconv_t
};

class Console {
 public:
  Console();
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // printf-style on standard output; the format's own text is converted to the
  // console encoding, the arguments (file names, numbers) pass as they are.
  void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // A progress mark: the same bytes as print, flushed at most every few tens of
  // milliseconds when standard output is a terminal.
  void progress(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Plain UTF-8 text (not a format) on standard output.
  void write(std::string_view utf8);
  // A whole message on standard error, written at once.
  void error(std::string_view text);
  // Bytes already in the console encoding (a formatted failure message).
  void write_raw(std::string_view bytes, Channel channel = Channel::out);
  void flush();

  // Standard-input prompts: a decimal integer ("%d") or a real ("%lf").
  // Standard output is flushed first so the prompt shows.
  std::optional<int> read_int();
  std::optional<double> read_real();

  bool shift_jis() const { return encode_.shift_jis(); }
  const TextEncoder& encoder() const { return encode_; }

 private:
  void emit(const char* format, va_list args, bool is_progress);

  TextEncoder encode_;
  bool terminal_ = false;
  std::chrono::steady_clock::time_point last_flush_;
};

}  // namespace bmp
