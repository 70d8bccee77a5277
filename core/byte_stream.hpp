// Little-endian header fields on byte streams. A stream is anything with
// get() -> 0..255 or -1 at its end, and put(byte) -> the byte or -1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace bmp {

// A failed get() (-1) is OR-ed in unmasked, so a field cut short reads as -1
// or a large negative number; no other end test is made.
template <class In>
int32_t read_u32_le(In& in) {
  uint32_t value = static_cast<uint32_t>(in.get());
  value |= static_cast<uint32_t>(in.get()) << 8;
  value |= static_cast<uint32_t>(in.get()) << 16;
  value |= static_cast<uint32_t>(in.get()) << 24;
  return static_cast<int32_t>(value);
}

// The 16-bit value in the low 16 bits; a failed first get() gives 0xffff.
template <class In>
int32_t read_u16_le(In& in) {
  uint32_t value = static_cast<uint32_t>(in.get());
  value |= (static_cast<uint32_t>(in.get()) & 0xffff) << 8;
  return static_cast<int32_t>(value & 0xffff);
}

// Writers take the value first, the stream second, and return the last put's result.
template <class Out>
int write_u32_le(uint32_t value, Out& out) {
  out.put(value & 0xff);
  out.put((value >> 8) & 0xff);
  out.put((value >> 16) & 0xff);
  return out.put((value >> 24) & 0xff);
}

template <class Out>
int write_u16_le(uint32_t value, Out& out) {
  out.put(value & 0xff);
  return out.put((value >> 8) & 0xff);
}

// A byte stream over memory: get() yields -1 past the end.
class ByteCursor {
 public:
  explicit ByteCursor(std::span<const uint8_t> bytes, size_t position = 0)
      : bytes_(bytes), position_(position) {}
  int get() { return position_ < bytes_.size() ? bytes_[position_++] : (position_++, -1); }
  void seek(size_t position) { position_ = position; }
  size_t position() const { return position_; }

 private:
  std::span<const uint8_t> bytes_;
  size_t position_;
};

}  // namespace bmp
