// A large scratch buffer whose pages are all mapped when it is made. Touching
// fresh memory page by page costs a fault per 4 KiB, which on virtual machines
// is far dearer than the work done in it; the kernel maps them in one go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace bmp {

class PageBuffer {
 public:
  PageBuffer() = default;
  explicit PageBuffer(size_t bytes);
  // A buffer of 2 MiB or more on huge pages (where the kernel has them) that
  // are mapped as they are first written, not when it is made: for a buffer
  // that several threads fill at once, each mapping its own part. Zeroed
  // like any other.
  static PageBuffer filled_later(size_t bytes);
  ~PageBuffer();
  PageBuffer(PageBuffer&& other) noexcept;
  PageBuffer& operator=(PageBuffer&& other) noexcept;
  PageBuffer(const PageBuffer&) = delete;
  PageBuffer& operator=(const PageBuffer&) = delete;

  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  std::span<uint8_t> span() const { return {data_, size_}; }

 private:
  PageBuffer(size_t bytes, bool populate);
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  void* map_ = nullptr;  // the mapping that holds data_ (none: allocated with new[])
  size_t map_size_ = 0;
};

}  // namespace bmp
