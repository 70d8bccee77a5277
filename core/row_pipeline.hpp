// Rows made or rewritten on several threads while the calling thread reads
// and writes: the rows pass in runs through a few small buffers that are used
// again and again, so reading, the work on the rows and writing overlap and
// no large fresh memory is touched (on virtual machines the first touch of a
// page costs far more than the work done in it).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "bmp_io.hpp"
#include "page_buffer.hpp"
#include "parallel.hpp"

namespace bmp {

// Runs in flight at once: some being read, some worked on, one being written;
// fewer when rows are so long that they would take more than
// `pipeline_bytes`.
inline constexpr int64_t pipeline_runs_in_flight = 4;
inline constexpr size_t pipeline_bytes = size_t{16} << 20;

// Rows [first, first + count): the bytes of row first + k start at
// pixels + k × stride.
struct RowBlock {
  int32_t first = 0;
  int32_t count = 0;
  uint8_t* pixels = nullptr;
  size_t stride = 0;
  std::span<uint8_t> row(int32_t k, size_t bytes) const {
    return {pixels + static_cast<size_t>(k) * stride, bytes};
  }
};

// Zeroes the bytes of a stored row after its `pixel_bytes` pixel bytes.
inline void zero_padding(std::span<uint8_t> row, size_t pixel_bytes) {
  std::fill(row.begin() + static_cast<ptrdiff_t>(pixel_bytes), row.end(), uint8_t{0});
}

// How a pipeline cuts an image's rows: runs of `run_rows` rows (the unit of
// reading and writing), `slots` runs in flight at once, and rows handed to a
// thread one at a time or a whole run at a time (`whole_runs`: for work that
// runs on from row to row, or gathers a run's rows together).
struct PipelineShape {
  int64_t run_rows = 1;
  int64_t slots = 1;
  bool whole_runs = false;
};

// The shape for rows taken one at a time: runs of about a write block, up to
// pipeline_runs_in_flight of them within pipeline_bytes.
inline PipelineShape row_by_row_shape(int32_t height, size_t row_bytes) {
  const int64_t run_rows =
      std::clamp<int64_t>(static_cast<int64_t>((stream_block_bytes + row_bytes - 1) / row_bytes), 1,
                          std::max(height, 1));
  const int64_t runs = (height + run_rows - 1) / run_rows;
  const size_t run_bytes = static_cast<size_t>(run_rows) * row_bytes;
  const int64_t slots = std::clamp<int64_t>(static_cast<int64_t>(pipeline_bytes / run_bytes), 1,
                                            std::clamp<int64_t>(runs, 1, pipeline_runs_in_flight));
  return {run_rows, slots, false};
}

// For each stored row r of an image of `height` rows of `row_bytes` bytes,
// bottom first, in runs of whole rows cut by `shape`:
//   load(first, bytes)   fills the bytes of rows [first, first + n) (or leaves
//                        them, when work makes the rows whole),
//   start(r)             gives row r's context, in row order,
//   make_worker()        is called once by each thread that takes part and
//                        gives its own work(block, contexts), which makes the
//                        row_bytes bytes of each row of the block in place
//                        (stride row_bytes), the rows' contexts beside; a
//                        block is one row or a whole run (shape.whole_runs),
//                        and a thread gets its blocks in ascending order,
//   after_row(r)         follows each row, in row order, before its run is
//                        written.
// load, start, after_row and the writing run on the calling thread, which
// works on rows too whenever it has nothing else to do (whole runs only while
// no pool thread has joined), so the run ends even when none joins. The first
// exception stops every thread and is thrown again here.
template <class Load, class Start, class MakeWorker, class AfterRow>
void pipeline_row_runs24(OutputFile& out, int32_t height, size_t row_bytes, unsigned workers,
                         const PipelineShape& shape, const Load& load, const Start& start,
                         const MakeWorker& make_worker, const AfterRow& after_row) {
  using Context = decltype(start(int32_t{0}));
  if (height <= 0 || row_bytes == 0) return;
  const int64_t run_rows = shape.run_rows;
  const int64_t runs = (height + run_rows - 1) / run_rows;
  const size_t run_bytes = static_cast<size_t>(run_rows) * row_bytes;
  const int64_t slots = std::clamp<int64_t>(shape.slots, 1, runs);
  const auto claim_rows = static_cast<int32_t>(shape.whole_runs ? run_rows : 1);
  PageBuffer buffer(run_bytes * static_cast<size_t>(slots));
  std::vector<std::vector<Context>> contexts(static_cast<size_t>(slots));
  std::vector<std::atomic<int64_t>> rows_done(static_cast<size_t>(slots));
  for (auto& done : rows_done) done.store(0);

  // Rows below `published` are loaded and started; `claimed` hands out rows;
  // `finished` moves on with every claim done, for the calling thread to
  // wait on.
  std::atomic<int32_t> published{0};
  std::atomic<int32_t> claimed{0};
  std::atomic<uint32_t> finished{0};
  std::atomic<bool> stopped{false};
  std::exception_ptr failure;
  std::mutex failure_lock;
  const int32_t last = height;
  auto slot_of = [&](int64_t r) { return static_cast<size_t>((r / run_rows) % slots); };
  auto row_at = [&](int64_t r) {
    return std::span<uint8_t>(
        buffer.data() + slot_of(r) * run_bytes + static_cast<size_t>(r % run_rows) * row_bytes,
        row_bytes);
  };
  // Makes the claimed rows [r, end), all in one run, with the thread's own
  // work.
  auto make_rows = [&](auto& work, int32_t r, int32_t end) {
    const size_t slot = slot_of(r);
    work(RowBlock{r, end - r, row_at(r).data(), row_bytes},
         std::span<Context>(contexts[slot])
             .subspan(static_cast<size_t>(r % run_rows), static_cast<size_t>(end - r)));
    rows_done[slot].fetch_add(end - r, std::memory_order_release);
    finished.fetch_add(1, std::memory_order_release);
    finished.notify_one();
  };
  auto claim_end = [&](int32_t r) { return std::min(last, r + claim_rows); };
  auto stop = [&] {
    {
      std::lock_guard<std::mutex> hold(failure_lock);
      if (!failure) failure = std::current_exception();
    }
    stopped.store(true);
    published.store(INT32_MAX);
    published.notify_all();
    finished.fetch_add(1);
    finished.notify_all();
  };
  std::atomic<int> helpers{0};  // pool threads that have joined
  auto helper = [&] {
    helpers.fetch_add(1);
    try {
      auto work = make_worker();
      while (true) {
        const int32_t r = claimed.fetch_add(claim_rows);
        if (r >= last) return;
        const int32_t end = claim_end(r);
        int32_t seen = published.load(std::memory_order_acquire);
        while (seen < end) {
          if (stopped.load()) return;
          published.wait(seen, std::memory_order_acquire);
          seen = published.load(std::memory_order_acquire);
        }
        if (stopped.load()) return;
        make_rows(work, r, end);
      }
    } catch (...) {
      stop();
    }
  };
  // The calling thread takes rows only when they are already loaded.
  auto try_claim = [&](int32_t& r) {
    r = claimed.load();
    while (r < last && claim_end(r) <= published.load(std::memory_order_acquire)) {
      if (claimed.compare_exchange_weak(r, r + claim_rows)) return true;
    }
    return false;
  };
  auto first_of = [&](int64_t run) { return static_cast<int32_t>(run * run_rows); };
  auto count_of = [&](int64_t run) {
    return static_cast<int32_t>(std::min<int64_t>(run_rows, height - run * run_rows));
  };
  auto feed = [&] {
    std::optional<decltype(make_worker())> work;  // made when first needed
    int64_t loaded = 0, written = 0;
    while (written < runs && !stopped.load()) {
      if (loaded < runs && loaded - written < slots) {
        const size_t slot = static_cast<size_t>(loaded % slots);
        const int32_t first = first_of(loaded), count = count_of(loaded);
        load(first, std::span<uint8_t>(buffer.data() + slot * run_bytes,
                                       static_cast<size_t>(count) * row_bytes));
        contexts[slot].clear();
        for (int32_t k = 0; k < count; ++k) contexts[slot].push_back(start(first + k));
        published.store(first + count, std::memory_order_release);
        published.notify_all();
        ++loaded;
        continue;
      }
      const size_t slot = static_cast<size_t>(written % slots);
      const int32_t first = first_of(written), count = count_of(written);
      if (rows_done[slot].load(std::memory_order_acquire) == count) {
        for (int32_t k = 0; k < count; ++k) after_row(first + k);
        out.write(std::span<const uint8_t>(buffer.data() + slot * run_bytes,
                                           static_cast<size_t>(count) * row_bytes));
        rows_done[slot].store(0, std::memory_order_relaxed);
        ++written;
        continue;
      }
      // A whole run made here would hold up the writing for its length: the
      // calling thread makes runs only while no pool thread has joined.
      int32_t r = 0;
      if ((!shape.whole_runs || helpers.load() == 0) && try_claim(r)) {
        if (!work) work.emplace(make_worker());
        make_rows(*work, r, claim_end(r));
        continue;
      }
      const uint32_t seen = finished.load(std::memory_order_acquire);
      if (rows_done[slot].load(std::memory_order_acquire) != count && !stopped.load()) {
        finished.wait(seen, std::memory_order_acquire);
      }
    }
  };
  const auto own_thread = std::this_thread::get_id();
  run_on_workers(workers, [&] {
    if (std::this_thread::get_id() != own_thread) {
      helper();
      return;
    }
    try {
      feed();
    } catch (...) {
      stop();
    }
  });
  if (failure) std::rethrow_exception(failure);
}

// pipeline_row_runs24 with rows taken one at a time by any thread, all
// sharing one work(r, row, ctx) that makes row r's row_bytes bytes in place.
template <class Load, class Start, class Work, class AfterRow>
void pipeline_rows24(OutputFile& out, int32_t height, size_t row_bytes, unsigned workers,
                     const Load& load, const Start& start, const Work& work,
                     const AfterRow& after_row) {
  using Context = decltype(start(int32_t{0}));
  if (height <= 0 || row_bytes == 0) return;
  pipeline_row_runs24(
      out, height, row_bytes, workers, row_by_row_shape(height, row_bytes), load, start,
      [&] {
        return [&](const RowBlock& block, std::span<Context> contexts) {
          work(block.first, block.row(0, row_bytes), contexts[0]);
        };
      },
      after_row);
}

}  // namespace bmp
