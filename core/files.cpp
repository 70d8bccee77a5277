#include "files.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>

#include "failure.hpp"
#include "messages.hpp"
#include "parallel.hpp"

namespace bmp {
namespace {

constexpr size_t block_bytes = stream_block_bytes;
// How much of an output that replaces a file is written before the file
// system is asked to start writing it out.
constexpr uint64_t writeback_step = uint64_t{16} << 20;

// Files from one huge page up to whole_read_max are read whole onto huge
// pages (where the kernel has them), in pieces on several threads, rather
// than mapped: on virtual machines the first touch of each mapped 4 KiB page
// costs far more than copying it (a 36 MB file: ~14 ms of first touches on
// one thread against ~3 ms of reading on eight). Larger files stay mapped,
// so that a run's memory stays close to the file's.
constexpr uint64_t whole_read_min = uint64_t{2} << 20;
constexpr uint64_t whole_read_max = uint64_t{512} << 20;
constexpr uint64_t whole_read_piece = uint64_t{4} << 20;

// The pages of the last file read whole and closed, kept for the next one of
// about its size (the multi-pass tools read each temporary image whole in
// turn): fresh huge pages are zeroed by the kernel, milliseconds a file.
class SparePages {
 public:
  void keep(PageBuffer pages) {
    std::lock_guard<std::mutex> hold(lock_);
    spare_ = std::move(pages);
  }
  PageBuffer take(size_t bytes) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (spare_.size() >= bytes && spare_.size() - bytes <= bytes / 4) return std::move(spare_);
      // Pages that do not fit would give way to the new ones once those are
      // closed: freed now, the two are never held at once.
      spare_ = PageBuffer();
    }
    // Mapped as the reading threads fill it: on virtual machines the first
    // write to memory the host has not yet backed costs far more than
    // zeroing it, and that cost is shared out with the reading.
    return PageBuffer::filled_later(bytes);
  }

 private:
  std::mutex lock_;
  PageBuffer spare_;
};

SparePages& spare_pages() {
  static SparePages spare;
  return spare;
}

int open_retrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Reads the rest of a non-seekable stream.
bool read_all(int fd, std::vector<uint8_t>& out) {
  uint8_t buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    out.insert(out.end(), buffer, buffer + n);
  }
}

mode_t creation_mode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

// ---- InputFile -------------------------------------------------------------

std::unique_ptr<InputFile> InputFile::open(const std::string& path, std::string display_name) {
  int fd = open_retrying(path.c_str(), O_RDONLY);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  if (S_ISREG(info.st_mode)) {
    return std::unique_ptr<InputFile>(
        new InputFile(fd, static_cast<uint64_t>(info.st_size), std::move(display_name)));
  }
  std::vector<uint8_t> contents;
  bool ok = read_all(fd, contents);
  ::close(fd);
  if (!ok) return nullptr;
  std::unique_ptr<InputFile> file(new InputFile(-1, contents.size(), std::move(display_name)));
  file->contents_ = std::move(contents);
  file->whole_ = true;
  return file;
}

InputFile::~InputFile() {
  if (map_ != nullptr) ::munmap(map_, size_);
  if (pages_.size() != 0) spare_pages().keep(std::move(pages_));
  if (fd_ >= 0) ::close(fd_);
}

void InputFile::read_at(uint64_t offset, std::span<uint8_t> bytes) const {
  if (offset > size_ || bytes.size() > size_ - offset)
    fail(Channel::out, msg::truncated_file, name_.c_str());
  if (whole_) {
    std::copy_n(contents_.begin() + static_cast<ptrdiff_t>(offset), bytes.size(), bytes.begin());
    return;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n =
        ::pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(Channel::out, msg::truncated_file, name_.c_str());
    done += static_cast<size_t>(n);
  }
}

std::span<const uint8_t> InputFile::bytes() {
  if (whole_) return contents_;
  if (size_ == 0) return {};
  if (pages_.size() != 0) return {pages_.data(), static_cast<size_t>(size_)};
  if (map_ == nullptr) {
    if (size_ >= whole_read_min && size_ <= whole_read_max) {
      read_onto_pages();
      return {pages_.data(), static_cast<size_t>(size_)};
    }
    // All pages at once: mapping them one fault at a time costs more than
    // reading them, and the tools that map a file read most of it.
    void* map = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd_, 0);
    if (map == MAP_FAILED) {
      // No map possible: one whole read instead.
      contents_.resize(size_);
      read_at(0, contents_);
      whole_ = true;
      return contents_;
    }
    map_ = map;
  }
  return {static_cast<const uint8_t*>(map_), static_cast<size_t>(size_)};
}

void InputFile::read_onto_pages() {
  PageBuffer pages = spare_pages().take(size_);
  const int64_t pieces = static_cast<int64_t>((size_ + whole_read_piece - 1) / whole_read_piece);
  share_out(pieces, 1, worker_count(static_cast<int64_t>(size_)), [&](int64_t i) {
    const uint64_t at = static_cast<uint64_t>(i) * whole_read_piece;
    read_at(at, std::span<uint8_t>(pages.data() + at, std::min(whole_read_piece, size_ - at)));
  });
  pages_ = std::move(pages);
}

// ---- RowReader -------------------------------------------------------------

RowReader::RowReader(const InputFile& file, uint64_t offset, size_t row_bytes, int64_t rows)
    : file_(file), offset_(offset), row_bytes_(row_bytes), rows_left_(rows) {
  size_t per_block = row_bytes_ == 0 ? 1 : std::max<size_t>(1, block_bytes / row_bytes_);
  block_.resize(per_block * row_bytes_);
}

std::span<const uint8_t> RowReader::next() {
  if (row_bytes_ == 0) return {};
  if (block_position_ == block_rows_) {
    size_t capacity = block_.size() / std::max<size_t>(row_bytes_, 1);
    block_rows_ =
        static_cast<size_t>(std::min<int64_t>(rows_left_, static_cast<int64_t>(capacity)));
    if (block_rows_ == 0) fail(Channel::out, msg::truncated_file, file_.name().c_str());
    file_.read_at(offset_, std::span<uint8_t>(block_.data(), block_rows_ * row_bytes_));
    offset_ += block_rows_ * row_bytes_;
    rows_left_ -= static_cast<int64_t>(block_rows_);
    block_position_ = 0;
  }
  return std::span<const uint8_t>(block_.data() + block_position_++ * row_bytes_, row_bytes_);
}

std::span<uint8_t> RowReader::next_block(size_t max_rows) {
  size_t capacity = block_.size() / std::max<size_t>(row_bytes_, 1);
  size_t rows = static_cast<size_t>(
      std::min<int64_t>(rows_left_, static_cast<int64_t>(std::min(capacity, max_rows))));
  std::span<uint8_t> block(block_.data(), rows * row_bytes_);
  file_.read_at(offset_, block);
  offset_ += block.size();
  rows_left_ -= static_cast<int64_t>(rows);
  return block;
}

// ---- OutputFile ------------------------------------------------------------

OutputFile::OutputFile(int fd, std::filesystem::path written, std::filesystem::path target,
                       std::string name)
    : fd_(fd),
      written_(std::move(written)),
      target_(std::move(target)),
      name_(std::move(name)),
      buffer_(block_bytes) {}

std::unique_ptr<OutputFile> OutputFile::create(const std::filesystem::path& path,
                                               std::string display_name) {
  namespace fs = std::filesystem;
  // A link is followed, as opening it would: the file it names is replaced.
  std::error_code ec;
  fs::path target = path;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    target = fs::weakly_canonical(path, ec);
    if (ec) return nullptr;
  }

  struct stat info {};
  bool exists = ::stat(target.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    // A device or a pipe: there is nothing to replace, write to it directly.
    int fd = open_retrying(target.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0) return nullptr;
    return std::unique_ptr<OutputFile>(new OutputFile(fd, {}, {}, std::move(display_name)));
  }
  if (exists && ::access(target.c_str(), W_OK) != 0) return nullptr;

  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  // Registered before a signal can come, so none finds it unknown.
  SignalHold hold;
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  ::fchmod(fd, exists ? (info.st_mode & 07777) : creation_mode());
  std::unique_ptr<OutputFile> file(
      new OutputFile(fd, pattern, std::move(target), std::move(display_name)));
  file->unfinished_ = CleanupOnSignal(pattern, false);
  file->replaces_ = exists;
  return file;
}

std::unique_ptr<OutputFile> OutputFile::create_direct(const std::filesystem::path& path,
                                                      std::string display_name) {
  int fd = open_retrying(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return nullptr;
  return std::unique_ptr<OutputFile>(new OutputFile(fd, path, {}, std::move(display_name)));
}

OutputFile::~OutputFile() {
  if (releasing_.joinable()) releasing_.join();
  if (fd_ >= 0) ::close(fd_);
  SignalHold hold;
  if (!committed_ && !written_.empty()) ::unlink(written_.c_str());
  unfinished_.release();
}

void OutputFile::write_failed() { fail(Channel::out, msg::cant_write, name_.c_str()); }

void OutputFile::write_all(const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd_, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) write_failed();
    done += static_cast<size_t>(n);
  }
  bytes_written_ += size;
  if (replaces_ && bytes_written_ - writeback_from_ >= writeback_step) start_writeback();
}

// A file renamed over another is written out by the file system at the
// rename (ext4, xfs and btrfs do, so that a crash leaves the old file or the
// new one, never an empty one), and the rename waits for it: hundreds of
// milliseconds for an output of hundreds of megabytes. Started a piece at a
// time as the rows are written, that work overlaps the run. Only a hint:
// its errors are the writes' own, reported by them or by the close.
void OutputFile::start_writeback() {
  ::sync_file_range(fd_, static_cast<off_t>(writeback_from_),
                    static_cast<off_t>(bytes_written_ - writeback_from_), SYNC_FILE_RANGE_WRITE);
  writeback_from_ = bytes_written_;
}

void OutputFile::drain() {
  size_t used = used_;
  used_ = 0;
  write_all(buffer_.data(), used);
}

void OutputFile::write(std::span<const uint8_t> bytes) {
  if (bytes.size() >= buffer_.size()) {
    drain();
    write_all(bytes.data(), bytes.size());
    return;
  }
  while (!bytes.empty()) {
    if (used_ == buffer_.size()) drain();
    size_t n = std::min(bytes.size(), buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, bytes.data(), n);
    used_ += n;
    bytes = bytes.subspan(n);
  }
}

std::span<uint8_t> OutputFile::reserve(size_t n) {
  if (used_ + n > buffer_.size()) drain();
  if (n > buffer_.size()) buffer_.resize(n);
  std::span<uint8_t> space(buffer_.data() + used_, n);
  used_ += n;
  return space;
}

void OutputFile::flush() { drain(); }

void OutputFile::finish() {
  drain();
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) write_failed();
}

void OutputFile::commit() {
  finish();
  if (target_.empty()) {
    committed_ = true;
    return;
  }
  // Held open, the file being replaced is freed at the last close, not
  // inside the rename.
  const int replaced = open_retrying(target_.c_str(), O_PATH | O_NOFOLLOW);
  {
    // A signal finds the file either still unfinished or in place and kept.
    SignalHold hold;
    if (::rename(written_.c_str(), target_.c_str()) != 0) {
      if (replaced >= 0) ::close(replaced);
      write_failed();
    }
    committed_ = true;
    unfinished_.release();
  }
  if (replaced >= 0) release_in_background(replaced);
}

void OutputFile::commit_together(std::initializer_list<OutputFile*> outputs) {
  for (OutputFile* output : outputs) output->finish();
  const std::vector<OutputFile*> files(outputs);
  std::vector<Replacement> moves(files.size());
  std::vector<int> replaced(files.size(), -1);
  {
    // A signal finds every output either unfinished or in place and kept.
    SignalHold hold;
    for (size_t i = 0; i < files.size(); ++i) {
      OutputFile& file = *files[i];
      if (file.target_.empty() || moves[i].make(file.written_, file.target_)) continue;
      while (i > 0) moves[--i].undo();
      file.write_failed();
    }
    for (size_t i = 0; i < files.size(); ++i) {
      replaced[i] = moves[i].settle();
      files[i]->committed_ = true;
      files[i]->unfinished_.release();
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (replaced[i] >= 0) files[i]->release_in_background(replaced[i]);
  }
}

void OutputFile::release_in_background(int fd) {
  try {
    releasing_ = std::thread([fd] { ::close(fd); });
  } catch (const std::system_error&) {
    ::close(fd);
  }
}

}  // namespace bmp
