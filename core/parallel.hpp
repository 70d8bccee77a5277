// Work shared among threads for the per-pixel tools whose pixels are
// independent of each other: each pixel is computed exactly as it would be
// alone, so the bytes do not depend on how the work was shared.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "signal_cleanup.hpp"

namespace bmp {

// Up to this many threads (the calling one included), and only for work of
// at least threaded_items items: below it, starting threads costs more than
// it saves.
inline constexpr unsigned max_workers = 8;
inline constexpr int64_t threaded_items = int64_t{1} << 16;

inline unsigned worker_count(int64_t items) {
  if (items < threaded_items) return 1;
  return std::clamp(std::thread::hardware_concurrency(), 1u, max_workers);
}

// Runs make(i) for every i in [0, count) on up to `workers` threads, the
// calling one included, each taking `grain` consecutive i at a time. If no
// thread can be started the caller does it all. The first exception a call
// throws stops the sharing out and is thrown again here once all threads are
// done.
template <class Make>
void share_out(int64_t count, int64_t grain, unsigned workers, const Make& make) {
  std::atomic<int64_t> next{0};
  std::exception_ptr failure;
  std::mutex failure_lock;
  auto work = [&] {
    try {
      while (true) {
        const int64_t first = next.fetch_add(grain, std::memory_order_relaxed);
        if (first >= count) return;
        for (int64_t i = first; i < std::min(count, first + grain); ++i) make(i);
      }
    } catch (...) {
      std::lock_guard<std::mutex> hold(failure_lock);
      if (!failure) failure = std::current_exception();
      next.store(count);
    }
  };
  {
    std::vector<std::jthread> helpers;
    for (unsigned w = 1; w < workers && w < count; ++w) {
      try {
        // Signals go to the calling thread, whose holds then cover the run.
        helpers.emplace_back([&work] {
          SignalHold hold;
          work();
        });
      } catch (const std::system_error&) {
        break;
      }
    }
    work();
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace bmp
