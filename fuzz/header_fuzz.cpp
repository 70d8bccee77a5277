// Arbitrary bytes as an input header: the reader must refuse or accept them
// with one message, never read outside the bytes, never allocate from them.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"

namespace {

std::string memory_file(const uint8_t* data, size_t size) {
  int fd = memfd_create("header", 0);
  if (fd < 0) return {};
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::freopen("/dev/null", "w", stdout);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bmp::ByteCursor cursor(std::span<const uint8_t>(data, size));
  bmp::read_bmp_info(cursor);

  std::string path = memory_file(data, size);
  if (path.empty()) return 0;
  auto file = bmp::InputFile::open(path, "fuzz.bmp");
  close(std::stoi(path.substr(path.rfind('/') + 1)));
  if (!file) return 0;
  bmp::Console console;
  for (int bits : {24, 32}) {
    try {
      bmp::ImageLayout image = bmp::read_bmp_header(*file, console, {.bit_count = bits});
      // An accepted header promises every pixel row: the last byte must be there.
      auto bytes = file->bytes();
      if (image.height > 0 && image.width > 0) {
        volatile uint8_t last =
            bytes[static_cast<size_t>(image.offset(image.height - 1, 0) + image.row_bytes - 1)];
        (void)last;
      }
    } catch (const bmp::ToolFailure&) {
    }
  }
  return 0;
}
