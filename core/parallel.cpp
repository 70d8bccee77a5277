#include "core/parallel.hpp"

#include <sched.h>

#include <condition_variable>
#include <system_error>
#include <thread>
#include <vector>

#include "core/signal_cleanup.hpp"

namespace bmp {
namespace {

std::atomic<unsigned> worker_limit{0};
thread_local bool inside_pool = false;

// Threads wait for a job; each job asks for a number of them, and the caller
// waits until those that joined it have finished. A job is only ever run by
// one caller at a time (`running`); a second caller meanwhile does its work
// alone.
class WorkerPool {
 public:
  explicit WorkerPool(unsigned threads) {
    // Started with the cleanup signals held, which they keep: a signal goes
    // to one of the run's own threads, whose holds cover every change of a
    // registered path.
    SignalHold inherited;
    for (unsigned t = 0; t < threads; ++t) {
      try {
        std::thread(&WorkerPool::serve, this).detach();
      } catch (const std::system_error&) {
        break;
      }
      ++threads_;
    }
  }

  // The pool lives until the process ends: its threads are never joined, so
  // nothing waits for them at exit.
  static WorkerPool& instance() {
    static WorkerPool* pool = new WorkerPool(usable_cores() - 1);
    return *pool;
  }

  void run(unsigned helpers, const std::function<void()>& work) {
    std::unique_lock<std::mutex> job_hold(running_, std::try_to_lock);
    if (!job_hold.owns_lock() || threads_ == 0) {
      work();
      return;
    }
    {
      std::lock_guard<std::mutex> hold(lock_);
      job_ = &work;
      wanted_ = std::min(helpers, threads_);
      ++generation_;
    }
    wake_.notify_all();
    work();
    std::unique_lock<std::mutex> hold(lock_);
    wanted_ = 0;  // latecomers of this job stay asleep
    done_.wait(hold, [&] { return active_ == 0; });
    job_ = nullptr;
  }

 private:
  void serve() {
    inside_pool = true;
    uint64_t seen = 0;
    std::unique_lock<std::mutex> hold(lock_);
    while (true) {
      wake_.wait(hold, [&] { return generation_ != seen && wanted_ > 0; });
      seen = generation_;
      --wanted_;
      ++active_;
      const std::function<void()>* work = job_;
      hold.unlock();
      (*work)();
      hold.lock();
      if (--active_ == 0) done_.notify_one();
    }
  }

  std::mutex running_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const std::function<void()>* job_ = nullptr;
  uint64_t generation_ = 0;
  unsigned wanted_ = 0;
  unsigned active_ = 0;
  unsigned threads_ = 0;
};

}  // namespace

unsigned usable_cores() {
  static const unsigned cores = [] {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
      return static_cast<unsigned>(CPU_COUNT(&set));
    }
    return std::max(std::thread::hardware_concurrency(), 1u);
  }();
  return cores;
}

void limit_workers(unsigned workers) { worker_limit.store(workers); }

unsigned worker_count(int64_t items) {
  if (items < threaded_items) return 1;
  const unsigned limit = worker_limit.load();
  const unsigned cores = usable_cores();
  return limit == 0 ? cores : std::min(limit, cores);
}

void run_on_workers(unsigned workers, const std::function<void()>& work) {
  if (workers <= 1 || inside_pool) {
    work();
    return;
  }
  WorkerPool::instance().run(workers - 1, work);
}

}  // namespace bmp
