#include "core/signal_cleanup.hpp"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace bmp {
namespace {

constexpr int cleanup_signals[] = {SIGINT, SIGTERM, SIGHUP};

// The one piece of process-wide state: a handler can reach nothing else.
// Fixed slots, so the handler needs no allocation and no locks.
struct Slot {
  std::atomic<bool> used{false};
  bool folder = false;
  char path[4096] = {};
};
constexpr int slot_count = 16;
Slot slots[slot_count];

void remove_registered(int signal_number) {
  for (Slot& slot : slots) {
    if (slot.used.load() && !slot.folder) ::unlink(slot.path);
  }
  for (Slot& slot : slots) {
    if (slot.used.load() && slot.folder) ::rmdir(slot.path);
  }
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

}  // namespace

void install_signal_cleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = remove_registered;
  sigemptyset(&action.sa_mask);
  for (int signal_number : cleanup_signals) {
    struct sigaction previous {};
    // A signal the caller chose to ignore stays ignored.
    if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
      continue;
    sigaction(signal_number, &action, nullptr);
  }
}

SignalHold::SignalHold() {
  sigset_t held;
  sigemptyset(&held);
  for (int signal_number : cleanup_signals) sigaddset(&held, signal_number);
  pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

SignalHold::~SignalHold() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

CleanupOnSignal::CleanupOnSignal(const std::filesystem::path& path, bool folder) {
  const std::string& text = path.native();
  if (text.size() >= sizeof(Slot::path)) return;
  for (int i = 0; i < slot_count; ++i) {
    bool expected = false;
    Slot& slot = slots[i];
    if (slot.used.load() || slot.path[0] != '\0') continue;
    std::memcpy(slot.path, text.c_str(), text.size() + 1);
    slot.folder = folder;
    if (slot.used.compare_exchange_strong(expected, true)) {
      slot_ = i;
      return;
    }
  }
}

CleanupOnSignal& CleanupOnSignal::operator=(CleanupOnSignal&& other) noexcept {
  if (this != &other) {
    release();
    slot_ = other.slot_;
    other.slot_ = -1;
  }
  return *this;
}

void CleanupOnSignal::release() {
  if (slot_ < 0) return;
  Slot& slot = slots[slot_];
  slot.used.store(false);
  slot.path[0] = '\0';
  slot_ = -1;
}

}  // namespace bmp
