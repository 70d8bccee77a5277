#include "core/page_buffer.hpp"

#include <sys/mman.h>

#include <new>
#include <utility>

namespace bmp {

PageBuffer::PageBuffer(size_t bytes) : size_(bytes) {
  if (bytes == 0) return;
  void* map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (map != MAP_FAILED) {
    data_ = static_cast<uint8_t*>(map);
    mapped_ = true;
  } else {
    data_ = new uint8_t[bytes]();  // throws std::bad_alloc like any allocation
  }
}

PageBuffer::~PageBuffer() {
  if (mapped_) {
    ::munmap(data_, size_);
  } else {
    delete[] data_;
  }
}

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, false)) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
  if (this != &other) {
    PageBuffer gone(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = std::exchange(other.mapped_, false);
  }
  return *this;
}

}  // namespace bmp
