#include "core/parallel.hpp"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace bmp {
namespace {

TEST(ShareOut, EveryItemOnceForManyGrainsAndWorkerCounts) {
  for (unsigned workers : {1u, 2u, 3u, 8u, 64u}) {
    for (int64_t grain : {1, 3, 1000}) {
      for (int64_t count : {0, 1, 7, 5000}) {
        std::vector<std::atomic<int>> seen(static_cast<size_t>(count));
        share_out(count, grain, workers, [&](int64_t i) { seen[static_cast<size_t>(i)]++; });
        for (auto& s : seen) ASSERT_EQ(s.load(), 1) << workers << " " << grain << " " << count;
      }
    }
  }
}

TEST(ShareOut, ThePoolIsReusedAcrossCalls) {
  std::mutex lock;
  std::set<std::thread::id> threads;
  for (int call = 0; call < 200; ++call) {
    share_out(64, 1, 8, [&](int64_t) {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
      std::lock_guard<std::mutex> hold(lock);
      threads.insert(std::this_thread::get_id());
    });
  }
  // Threads started per call would give hundreds of distinct ids.
  EXPECT_LE(threads.size(), usable_cores());
}

TEST(ShareOut, FirstFailureIsThrownAfterAllThreadsFinish) {
  std::atomic<int> running{0};
  EXPECT_THROW(share_out(10000, 1, 8,
                         [&](int64_t i) {
                           running++;
                           if (i == 37) throw std::runtime_error("item 37");
                           running--;
                         }),
               std::runtime_error);
  EXPECT_EQ(running.load(), 1);  // only the failed item never came back
  // The pool still works afterwards.
  std::atomic<int64_t> sum{0};
  share_out(1000, 7, 8, [&](int64_t i) { sum += i; });
  EXPECT_EQ(sum.load(), 999 * 1000 / 2);
}

TEST(ShareOut, WorkSharedOutWithinSharedOutWorkCompletes) {
  std::atomic<int64_t> sum{0};
  share_out(16, 1, 8, [&](int64_t) { share_out(100, 1, 8, [&](int64_t j) { sum += j; }); });
  EXPECT_EQ(sum.load(), 16 * 4950);
}

TEST(WorkerCount, SmallWorkAndTheLimitKeepOneThread) {
  EXPECT_EQ(worker_count(threaded_items - 1), 1u);
  EXPECT_EQ(worker_count(threaded_items), usable_cores());
  limit_workers(1);
  EXPECT_EQ(worker_count(int64_t{1} << 30), 1u);
  limit_workers(0);
  EXPECT_EQ(worker_count(int64_t{1} << 30), usable_cores());
}

}  // namespace
}  // namespace bmp
