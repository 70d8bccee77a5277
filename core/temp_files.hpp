// The temporary-file chain of the multi-pass tools: temp0000.bmp to
// temp0003.bmp, each a complete image, kept in a folder private to the run
// and removed with it at the end of every run, failed runs included.
#pragma once

#include <filesystem>
#include <memory>

#include "files.hpp"
#include "signal_cleanup.hpp"

namespace bmp {

class TempFileChain {
 public:
  TempFileChain() = default;
  ~TempFileChain();
  TempFileChain(const TempFileChain&) = delete;
  TempFileChain& operator=(const TempFileChain&) = delete;

  // Opens temp file n for writing, creating the run's folder on first use; a
  // failure is "Can't open temp000N.bmp !" on standard error.
  std::unique_ptr<OutputFile> create(int n);
  // Reopens temp file n for reading, with the same failure message.
  std::unique_ptr<InputFile> open(int n);
  std::filesystem::path temp_bmp_path(int n) const;
  // Removes the files (side by side) and the folder; safe to call twice.
  void delete_temp_files() noexcept;

 private:
  [[noreturn]] void cant_open(int n) const;
  std::filesystem::path folder_;
  // Removed by a signal too: the folder after its files.
  CleanupOnSignal folder_on_signal_;
  CleanupOnSignal files_on_signal_[4];
};

}  // namespace bmp
