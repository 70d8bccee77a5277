// The file layer: inputs read in large blocks or held whole (read onto huge
// pages or mapped read-only), outputs written beside their target and
// renamed over it only at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "page_buffer.hpp"
#include "replacement.hpp"
#include "signal_cleanup.hpp"

namespace bmp {

// The size of the blocks in which inputs are read and outputs written.
inline constexpr size_t stream_block_bytes = size_t{256} << 10;

// An input file opened for reading. Regular files are read with pread, or
// held whole when sampled; anything else (a pipe) is read whole into memory at open.
class InputFile {
 public:
  // Returns null when the file cannot be opened.
  static std::unique_ptr<InputFile> open(const std::string& path, std::string display_name);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  uint64_t size() const { return size_; }
  const std::string& name() const { return name_; }
  // Reads exactly bytes.size() bytes at offset; a short read is a truncated file.
  void read_at(uint64_t offset, std::span<uint8_t> bytes) const;
  // The whole file as memory (read-only), made on first use: read whole onto
  // huge pages or mapped.
  std::span<const uint8_t> bytes();
  // One byte of the map, or -1 (the end-of-file value) outside the file.
  int byte_at(uint64_t offset) { return offset < size_ ? bytes()[offset] : -1; }

 private:
  InputFile(int fd, uint64_t size, std::string name)
      : fd_(fd), size_(size), name_(std::move(name)) {}
  void read_onto_pages();
  int fd_;
  uint64_t size_;
  std::string name_;
  std::vector<uint8_t> contents_;  // the data of a non-regular file
  void* map_ = nullptr;
  bool whole_ = false;  // contents_ holds the file
  PageBuffer pages_;    // the file read whole, where it is not mapped
};

// Sequential reading of fixed-size records (stored rows) from an offset, in
// large blocks: memory independent of the record count.
class RowReader {
 public:
  RowReader(const InputFile& file, uint64_t offset, size_t row_bytes, int64_t rows);
  // The next row's bytes, valid until the next call.
  std::span<const uint8_t> next();
  // The next block of whole rows (at most `max_rows`), writable in place, valid
  // until the next call; empty when every row was read.
  std::span<uint8_t> next_block(size_t max_rows = SIZE_MAX);

 private:
  const InputFile& file_;
  uint64_t offset_;
  size_t row_bytes_;
  int64_t rows_left_;
  std::vector<uint8_t> block_;
  size_t block_rows_ = 0;
  size_t block_position_ = 0;
};

// A buffered output that becomes its target only on commit(). Regular targets
// are written as a new file in the same folder and renamed over the target;
// a target that exists and is not a regular file (a device, a pipe) is written
// directly. Without commit() the new file is removed, the target untouched.
class OutputFile {
 public:
  static std::unique_ptr<OutputFile> create(const std::filesystem::path& path,
                                            std::string display_name);
  // A plain new file (temporary files): written in place, kept on commit.
  static std::unique_ptr<OutputFile> create_direct(const std::filesystem::path& path,
                                                   std::string display_name);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  int put(int byte) {
    if (used_ == buffer_.size()) drain();
    buffer_[used_++] = static_cast<uint8_t>(byte);
    return byte & 0xff;
  }
  // Large spans go straight to the file, without a copy through the buffer.
  void write(std::span<const uint8_t> bytes);
  // Space for the next n bytes, to be filled by the caller (n at most the
  // buffer size); avoids a copy on the row path.
  std::span<uint8_t> reserve(size_t n);
  void flush();
  // Flushes, closes and moves the file into place; every error is a failure.
  // The file it replaces is freed by a thread of its own, while the tool
  // goes on (freeing a large file's cached pages takes milliseconds).
  void commit();
  // Commits the outputs of one run together: every one is flushed and closed
  // before the first takes its place, and should any of them fail to take it,
  // those already in place get their earlier files back. The targets are all
  // replaced, or all as they were.
  static void commit_together(std::initializer_list<OutputFile*> outputs);
  const std::string& name() const { return name_; }

 private:
  OutputFile(int fd, std::filesystem::path written, std::filesystem::path target, std::string name);
  // Writes what is buffered and closes the file, not yet in place.
  void finish();
  void drain();
  void write_all(const uint8_t* data, size_t size);
  [[noreturn]] void write_failed();
  void release_in_background(int fd);

  // Starts the file system writing what is written so far, where the file
  // will replace another (see write_all).
  void start_writeback();

  int fd_;
  std::filesystem::path written_;  // the file being written
  std::filesystem::path target_;   // where it goes on commit (empty: stays)
  bool replaces_ = false;          // an existing file is at target_
  uint64_t bytes_written_ = 0;
  uint64_t writeback_from_ = 0;  // what is not yet handed to start_writeback
  std::string name_;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
  bool committed_ = false;
  CleanupOnSignal unfinished_;  // the new file, until it is renamed into place
  std::thread releasing_;       // frees the replaced file, joined on destruction
};

}  // namespace bmp
