// Files a run must not leave behind even when a signal (Ctrl-C, kill) stops
// it: unfinished outputs and the temporary folder. The handler removes what is
// registered and then lets the signal end the process as it would have.
#pragma once

#include <signal.h>

#include <filesystem>

namespace bmp {

// Installs the handler for SIGINT, SIGTERM and SIGHUP (once per process).
void install_signal_cleanup();

// Holds back SIGINT, SIGTERM and SIGHUP in this thread while it lives, so a
// path and its registration change together: from just before a path is
// created until it is registered, and while a registered path is renamed or
// removed and forgotten. A signal that came meanwhile is delivered as soon as
// the hold ends, and then finds the registrations matching the files.
class SignalHold {
 public:
  SignalHold();
  ~SignalHold();
  SignalHold(const SignalHold&) = delete;
  SignalHold& operator=(const SignalHold&) = delete;

 private:
  sigset_t previous_;
};

// A registration held for as long as the path must go if a signal comes.
// Folders are removed after files; a folder is removed only when empty.
class CleanupOnSignal {
 public:
  CleanupOnSignal() = default;
  CleanupOnSignal(const std::filesystem::path& path, bool folder);
  ~CleanupOnSignal() { release(); }
  CleanupOnSignal(CleanupOnSignal&& other) noexcept : slot_(other.slot_) { other.slot_ = -1; }
  CleanupOnSignal& operator=(CleanupOnSignal&& other) noexcept;
  CleanupOnSignal(const CleanupOnSignal&) = delete;
  CleanupOnSignal& operator=(const CleanupOnSignal&) = delete;
  // The path no longer needs removing (it was committed or removed).
  void release();

 private:
  int slot_ = -1;
};

}  // namespace bmp
