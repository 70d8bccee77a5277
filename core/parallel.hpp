// Work shared among threads for the tools whose output rows (or pixels) can
// be computed independently: each item is computed exactly as it would be
// alone, so the bytes do not depend on how the work was shared.
//
// One pool of worker threads serves the whole run: it is started the first
// time work is shared out and kept until the process ends, so a tool that
// shares out thousands of bands pays for starting its threads once.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>

namespace bmp {

// Work of fewer than this many items (pixels, usually) is done by the calling
// thread alone: below it, waking the workers costs more than it saves.
inline constexpr int64_t threaded_items = int64_t{1} << 16;

// The cores this process may run on (its CPU affinity), at least 1.
unsigned usable_cores();

// Caps the number of threads that share work, the caller included; 0 lifts
// the cap. For tests that compare the bytes of one worker with many.
void limit_workers(unsigned workers);

// How many threads should share work of `items` items.
unsigned worker_count(int64_t items);

// Runs `work` on the calling thread and on up to workers - 1 threads of the
// pool at once, and returns when every one of them has returned. Called from
// inside a pool thread (work shared out within shared-out work) it runs
// `work` on the calling thread only.
void run_on_workers(unsigned workers, const std::function<void()>& work);

// Runs make(i) for every i in [0, count) on up to `workers` threads, the
// calling one included, each taking `grain` consecutive i at a time. The first
// exception a call throws stops the sharing out and is thrown again here once
// all threads are done.
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
  const int64_t useful = grain > 0 ? (count + grain - 1) / grain : count;
  const unsigned sharing =
      static_cast<unsigned>(std::clamp<int64_t>(useful, 1, std::max(workers, 1u)));
  if (sharing <= 1) {
    work();
  } else {
    run_on_workers(sharing, work);
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace bmp
