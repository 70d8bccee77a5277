#include "core/page_buffer.hpp"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

namespace bmp {

namespace {

constexpr size_t huge_page = size_t{2} << 20;

#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14
#endif

}  // namespace

PageBuffer::PageBuffer(size_t bytes) : PageBuffer(bytes, true) {}

PageBuffer PageBuffer::filled_later(size_t bytes) { return PageBuffer(bytes, false); }

PageBuffer::PageBuffer(size_t bytes, bool populate) : size_(bytes) {
  if (bytes == 0) return;
  if (bytes >= huge_page) {
    // Large buffers on huge pages where the kernel has them: one fault per
    // 2 MiB instead of 512, and far fewer pages for the kernel to look up
    // when the buffer is written to a file.
    const size_t length = bytes + huge_page;
    void* map = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map != MAP_FAILED) {
      const auto base = reinterpret_cast<uintptr_t>(map);
      auto* aligned = reinterpret_cast<uint8_t*>((base + huge_page - 1) & ~(huge_page - 1));
      ::madvise(aligned, bytes, MADV_HUGEPAGE);
      if (!populate || ::madvise(aligned, bytes, MADV_POPULATE_WRITE) == 0) {
        data_ = aligned;
        map_ = map;
        map_size_ = length;
        return;
      }
      ::munmap(map, length);
    }
  }
  void* map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (map != MAP_FAILED) {
    data_ = static_cast<uint8_t*>(map);
    map_ = map;
    map_size_ = bytes;
  } else {
    data_ = new uint8_t[bytes]();  // throws std::bad_alloc like any allocation
  }
}

PageBuffer::~PageBuffer() {
  if (map_ != nullptr) {
    ::munmap(map_, map_size_);
  } else {
    delete[] data_;
  }
}

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      map_(std::exchange(other.map_, nullptr)),
      map_size_(std::exchange(other.map_size_, 0)) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
  if (this != &other) {
    PageBuffer gone(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    map_ = std::exchange(other.map_, nullptr);
    map_size_ = std::exchange(other.map_size_, 0);
  }
  return *this;
}

}  // namespace bmp
