#include "core/replacement.hpp"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace bmp {
namespace {

bool exchange(const std::filesystem::path& a, const std::filesystem::path& b) {
  return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

// A free name beside `target` for its earlier file, reserved by an empty file
// that the rename then replaces.
bool reserve_aside(const std::filesystem::path& target, std::filesystem::path& aside) {
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".old.XXXXXX")).string();
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  aside = pattern;
  return true;
}

}  // namespace

bool Replacement::make(const std::filesystem::path& file, const std::filesystem::path& target,
                       Method method) {
  file_ = file;
  target_ = target;
  struct stat info {};
  if (::lstat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    // Nothing to keep, or nothing a file may replace (a folder): a plain
    // rename, which refuses the latter.
    if (::rename(file.c_str(), target.c_str()) != 0) return false;
    state_ = State::created;
    return true;
  }
  if (method == Method::exchange) {
    if (exchange(file, target)) {
      state_ = State::exchanged;
      return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  }
  if (!reserve_aside(target, aside_)) return false;
  if (::rename(target.c_str(), aside_.c_str()) != 0) {
    const int error = errno;
    ::unlink(aside_.c_str());
    errno = error;
    return false;
  }
  if (::rename(file.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::rename(aside_.c_str(), target.c_str());
    errno = error;
    return false;
  }
  state_ = State::aside;
  return true;
}

void Replacement::undo() {
  switch (state_) {
    case State::none:
      return;
    case State::created:
      ::rename(target_.c_str(), file_.c_str());
      break;
    case State::exchanged:
      exchange(file_, target_);
      break;
    case State::aside:
      ::rename(target_.c_str(), file_.c_str());
      ::rename(aside_.c_str(), target_.c_str());
      break;
  }
  state_ = State::none;
}

int Replacement::settle() {
  const std::filesystem::path* earlier = state_ == State::exchanged ? &file_
                                         : state_ == State::aside   ? &aside_
                                                                    : nullptr;
  state_ = State::none;
  if (earlier == nullptr) return -1;
  const int held = ::open(earlier->c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  ::unlink(earlier->c_str());
  return held;
}

}  // namespace bmp
