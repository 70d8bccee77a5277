#include "console.hpp"

#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdarg>
#include <vector>

namespace bmp {
namespace {

constexpr auto terminal_flush_interval = std::chrono::milliseconds(30);

// The iconv name for the locale's character set, when it is a Shift-JIS kind.
const char* shift_jis_target(std::string codeset) {
  std::transform(codeset.begin(), codeset.end(), codeset.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  if (codeset == "SHIFT_JIS" || codeset == "SHIFT-JIS" || codeset == "SJIS" ||
      codeset == "MS_KANJI" || codeset == "CSSHIFTJIS") {
    return "SHIFT_JIS";
  }
  if (codeset == "CP932" || codeset == "WINDOWS-31J" || codeset == "MS932") return "CP932";
  return nullptr;
}

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

TextEncoder::TextEncoder() {
  if (const char* target = shift_jis_target(nl_langinfo(CODESET))) {
    iconv_t cd = iconv_open(target, "UTF-8");
    if (cd != reinterpret_cast<iconv_t>(-1)) converter_ = cd;
  }
}

TextEncoder::~TextEncoder() {
  if (converter_ != nullptr) iconv_close(static_cast<iconv_t>(converter_));
}

std::string TextEncoder::operator()(std::string_view utf8) const {
  if (converter_ == nullptr || is_ascii(utf8)) return std::string(utf8);
  auto cd = static_cast<iconv_t>(converter_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  std::vector<char> input(utf8.begin(), utf8.end());
  char* in_ptr = input.data();
  size_t in_left = input.size();
  while (in_left > 0) {
    char buffer[256];
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    size_t result = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    out.append(buffer, out_ptr - buffer);
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      // A character the target lacks (or a broken sequence): show '?' and go on.
      out.push_back('?');
      ++in_ptr;
      --in_left;
      while (in_left > 0 && (static_cast<unsigned char>(*in_ptr) & 0xc0) == 0x80) {
        ++in_ptr;
        --in_left;
      }
    }
  }
  return out;
}

Console::Console() {
  terminal_ = isatty(STDOUT_FILENO) == 1;
  if (!terminal_) std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  last_flush_ = std::chrono::steady_clock::now();
}

Console::~Console() { flush(); }

void Console::emit(const char* format, va_list args, bool is_progress) {
  std::string converted = encode_(format);
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int length = std::vsnprintf(small, sizeof small, converted.c_str(), copy);
  va_end(copy);
  if (length < 0) return;
  if (static_cast<size_t>(length) < sizeof small) {
    std::fwrite(small, 1, length, stdout);
  } else {
    std::vector<char> large(static_cast<size_t>(length) + 1);
    std::vsnprintf(large.data(), large.size(), converted.c_str(), args);
    std::fwrite(large.data(), 1, length, stdout);
  }
  if (!terminal_) return;
  auto now = std::chrono::steady_clock::now();
  if (!is_progress || now - last_flush_ >= terminal_flush_interval) {
    std::fflush(stdout);
    last_flush_ = now;
  }
}

void Console::print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  emit(format, args, false);
  va_end(args);
}

void Console::progress(const char* format, ...) {
  va_list args;
  va_start(args, format);
  emit(format, args, true);
  va_end(args);
}

void Console::write(std::string_view utf8) {
  std::string converted = encode_(utf8);
  std::fwrite(converted.data(), 1, converted.size(), stdout);
  if (terminal_) std::fflush(stdout);
}

void Console::error(std::string_view text) {
  std::fflush(stdout);
  std::string converted = encode_(text);
  std::fwrite(converted.data(), 1, converted.size(), stderr);
  std::fflush(stderr);
}

void Console::write_raw(std::string_view bytes, Channel channel) {
  if (channel == Channel::err) {
    std::fflush(stdout);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
    return;
  }
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  if (terminal_) std::fflush(stdout);
}

void Console::flush() { std::fflush(stdout); }

std::optional<int> Console::read_int() {
  flush();
  int c = std::getchar();
  while (c != EOF && std::isspace(c)) c = std::getchar();
  bool negative = c == '-';
  if (c == '-' || c == '+') c = std::getchar();
  if (c == EOF || !std::isdigit(c)) {
    if (c != EOF) std::ungetc(c, stdin);
    return std::nullopt;
  }
  long long value = 0;
  for (; c != EOF && std::isdigit(c); c = std::getchar()) {
    value = std::min<long long>(value * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  if (c != EOF) std::ungetc(c, stdin);
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::optional<double> Console::read_real() {
  flush();
  double value = 0;
  if (std::scanf("%lf", &value) != 1) return std::nullopt;
  return value;
}

}  // namespace bmp
