// A whole invert run on arbitrary input bytes: status 0 with a well-formed
// output, or status 1 with no output left behind.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/vast_image.hpp"
#include "pixel/invert.hpp"

namespace {

std::filesystem::path folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::freopen("/dev/null", "w", stdout);
  char pattern[] = "/tmp/invert-fuzz.XXXXXX";
  folder = mkdtemp(pattern);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (bmp::fuzz::declares_vast_image(data, size)) return 0;
  std::string in = (folder / "in.bmp").string();
  std::string out = (folder / "out.bmp").string();
  std::FILE* f = std::fopen(in.c_str(), "wb");
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  std::filesystem::remove(out);

  const std::string_view args[] = {"invert", in, out};
  int status = bmp::run_invert(args);
  bool written = std::filesystem::exists(out);
  if (status == 0) {
    if (!written) std::abort();
    // The output's length is what its own header says.
    std::FILE* o = std::fopen(out.c_str(), "rb");
    uint8_t head[6] = {};
    size_t got = std::fread(head, 1, 6, o);
    std::fclose(o);
    uint32_t stated = head[2] | head[3] << 8 | head[4] << 16 | uint32_t{head[5]} << 24;
    if (got != 6 || stated != std::filesystem::file_size(out)) std::abort();
  } else if (status != 1 || written) {
    std::abort();
  }
  // Nothing else may remain in the folder (no half-written files).
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    auto name = entry.path().filename().string();
    if (name != "in.bmp" && name != "out.bmp") std::abort();
  }
  return 0;
}
