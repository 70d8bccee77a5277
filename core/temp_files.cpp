#include "temp_files.hpp"

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "failure.hpp"
#include "messages.hpp"

namespace bmp {

namespace {

std::string temp_name(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "temp%04d.bmp", n);
  return name;
}

// Freeing a large file's cached pages takes milliseconds: each file but the
// first is removed by a thread of its own (which inherits the blocked
// signals), the first by the caller.
void remove_side_by_side(std::span<const std::filesystem::path> files) noexcept {
  std::vector<std::thread> removers;
  size_t inline_from = files.size();
  try {
    removers.reserve(files.size());
    for (size_t i = 1; i < files.size(); ++i) {
      removers.emplace_back([&file = files[i]] {
        std::error_code ec;
        std::filesystem::remove(file, ec);
      });
    }
  } catch (...) {
    inline_from = removers.size() + 1;  // the files no thread took
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (i == 0 || i >= inline_from) {
      std::error_code ec;
      std::filesystem::remove(files[i], ec);
    }
  }
  for (std::thread& remover : removers) remover.join();
}

}  // namespace

TempFileChain::~TempFileChain() { delete_temp_files(); }

std::filesystem::path TempFileChain::temp_bmp_path(int n) const { return folder_ / temp_name(n); }

void TempFileChain::cant_open(int n) const { fail(Channel::err, msg::cant_open_temp, n); }

std::unique_ptr<OutputFile> TempFileChain::create(int n) {
  if (folder_.empty()) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) cant_open(n);
    std::string pattern = (base / "bmp-tools.XXXXXX").string();
    // Registered before a signal can come, so none finds it unknown.
    SignalHold hold;
    if (::mkdtemp(pattern.data()) == nullptr) cant_open(n);
    folder_ = pattern;
    folder_on_signal_ = CleanupOnSignal(folder_, true);
  }
  if (n >= 0 && n < 4) files_on_signal_[n] = CleanupOnSignal(temp_bmp_path(n), false);
  auto file = OutputFile::create_direct(temp_bmp_path(n), temp_name(n));
  if (!file) cant_open(n);
  return file;
}

std::unique_ptr<InputFile> TempFileChain::open(int n) {
  if (folder_.empty()) cant_open(n);
  auto file = InputFile::open(temp_bmp_path(n).string(), temp_name(n));
  if (!file) cant_open(n);
  return file;
}

void TempFileChain::delete_temp_files() noexcept {
  if (folder_.empty()) return;
  // Removed and forgotten together.
  SignalHold hold;
  std::vector<std::filesystem::path> files;
  for (int n = 0; n < 4; ++n) {
    std::error_code ec;
    if (std::filesystem::exists(temp_bmp_path(n), ec)) files.push_back(temp_bmp_path(n));
  }
  remove_side_by_side(files);
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
  folder_.clear();
  folder_on_signal_.release();
  for (CleanupOnSignal& file : files_on_signal_) file.release();
}

}  // namespace bmp
