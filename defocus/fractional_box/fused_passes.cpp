// Both passes of a blur at once on the worker pool, and the sizes of runs
// and bands.
#include "defocus/fractional_box/fused_passes.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <vector>

#include "core/bmp_io.hpp"
#include "core/page_buffer.hpp"
#include "core/parallel.hpp"
#include "core/row_bands.hpp"
#include "defocus/fractional_box/area_sums.hpp"
#include "defocus/fractional_box/row_worker.hpp"

namespace bmp::fracbox {
namespace {

// How the two passes of a blur share their rows when the second runs behind
// the first: runs of rows (the unit of work), a ring of the first pass's
// latest runs (its rows, and its radii where they are kept), a ring of the
// second pass's runs waiting to be written.
struct FusedShape {
  int64_t margin;     // every window reaches at most this many rows up or down
  int64_t run_rows;   // at least twice the margin
  int64_t ring_runs;  // of the first pass's rows and radii
  int64_t out_runs;   // of the second pass's rows
  int64_t band_rows;  // the rows a lone pass makes before it writes any
  unsigned threads;
  // The last runs are shorter, from this row on, so that the threads finish
  // together: a pass's last run is made by one thread while the others have
  // little left to do.
  int64_t tail_from;
  int64_t tail_rows;
};

// The runs of a pass: run_rows rows each, then tail_rows from tail_from on
// (the last of each kind may be shorter).
class RunLayout {
 public:
  RunLayout(const FusedShape& shape, int64_t height)
      : height_(height),
        run_rows_(shape.run_rows),
        tail_rows_(shape.tail_rows),
        tail_from_(shape.tail_from),
        long_runs_((shape.tail_from + shape.run_rows - 1) / shape.run_rows),
        count_(long_runs_ + (height - shape.tail_from + shape.tail_rows - 1) / shape.tail_rows) {}
  int64_t count() const { return count_; }
  int64_t start(int64_t run) const {
    if (run >= count_) return height_;
    return run < long_runs_ ? run * run_rows_ : tail_from_ + (run - long_runs_) * tail_rows_;
  }
  int64_t end(int64_t run) const {
    const int64_t limit = run < long_runs_ ? tail_from_ : height_;
    return std::min(limit, start(run + 1));
  }

 private:
  int64_t height_, run_rows_, tail_rows_, tail_from_, long_runs_, count_;
};

// The shape for a width × height image, or none where the second pass must
// wait for the whole first one: windows that wrap round (the first rows need
// the last), or that reach about as far as the image is high. Everything is
// sized from the windows' reach and the threads: the rings hold a few runs
// for each thread, at most the whole image.
std::optional<FusedShape> fused_shape(int32_t width, int32_t height, EdgeMode mode,
                                      double max_radius) {
  if (mode != EdgeMode::clamp || width <= 0 || height <= 0) return std::nullopt;
  const int64_t margin = int64_t{r_in(max_radius)} + 2;  // as the tables of one pass
  if (std::max<int64_t>(64, 2 * margin) + 2 * margin >= height) return std::nullopt;
  const unsigned threads = worker_count(int64_t{width} * height);
  const int64_t run_rows = run_rows_for(margin);
  const int64_t runs = (height + run_rows - 1) / run_rows;
  const int64_t ring_runs = std::min<int64_t>(int64_t{threads} + 4, runs);
  // About a run for each thread at the end, in runs a third as long (their
  // tables' margins cost more beside fewer rows, but only there).
  const int64_t tail_from = std::max<int64_t>(0, runs - threads) * run_rows;
  const int64_t tail_rows = std::max(margin + 1, run_rows / 3);
  return FusedShape{margin,
                    run_rows,
                    ring_runs,
                    std::max<int64_t>(2, threads / 2 + 2),
                    band_rows_for(width, height, margin, threads),
                    threads,
                    std::min<int64_t>(tail_from, height),
                    tail_rows};
}

// A failure of one pass, and where in that pass a lone pass meets it: the
// rows before position / 2 are reported first. A lone pass works out a band
// of rows before it writes and reports them, so a row's work fails before
// any row of its band is reported (position 2 × the band's first row); a
// write or a report fails after the rows before it (2 × row + 1).
struct PassFailure {
  std::exception_ptr error;
  int64_t position = INT64_MAX;
  void keep(std::exception_ptr failure, int64_t at) {
    if (at < position) {
      error = std::move(failure);
      position = at;
    }
  }
  int64_t rows_before() const { return position / 2; }
  explicit operator bool() const { return error != nullptr; }
};

// A ring of places for rows in one piece of memory: place k holds the rows
// of every i-th block of run_rows rows with i = k modulo the places (a long
// run's rows, or those of a few short ones). The memory of the job is taken
// before it starts, its huge pages mapped as the threads first write them:
// threads that take memory while others fault theirs in wait on each other
// in the kernel (measured 10-25 ms a run at the start on eight threads). One
// piece rather than one a run: the runs' last huge pages are not half empty.
class RunRing {
 public:
  RunRing(int64_t runs, size_t run_bytes, int64_t run_rows)
      : memory_(PageBuffer::filled_later(static_cast<size_t>(runs) * run_bytes)),
        runs_(runs),
        run_bytes_(run_bytes),
        run_rows_(run_rows) {}
  uint8_t* run(int64_t k) const { return memory_.data() + static_cast<size_t>(k) * run_bytes_; }
  // The place that holds row y.
  uint8_t* run_of(int64_t y) const { return run((y / run_rows_) % runs_); }

 private:
  PageBuffer memory_;
  int64_t runs_;
  size_t run_bytes_;
  int64_t run_rows_;
};

// The two passes of a blur in one job on the worker pool. The first pass's
// rows stay in a ring, from which the second pass's tables are built a few
// runs behind; its rows go to the output in order. Every thread takes, by
// turns, whatever is ready: writing the output, a run of the second pass, a
// run of the first. Rows are reported a band at a time once the band is made
// (and, for the second pass, written), as a lone pass reports them, the
// second pass's only after the first is done and temp0000 is closed and
// opened again (`turn`): the progress and the failures come as those of two
// plain passes.
class FusedPasses {
 public:
  FusedPasses(const FusedShape& shape, const ImageRows& input, bool keep_radii, OutputFile& dest,
              const std::function<void()>& turn, const RowRadii& row_radii,
              const RowDone& after_row)
      : shape_(shape),
        input_(input),
        width_(input.width()),
        height_(input.height()),
        row_bytes_(3 * static_cast<size_t>(width_)),
        layout_(shape, height_),
        runs_(layout_.count()),
        pixel_bytes_((static_cast<size_t>(shape.run_rows) * row_bytes_ + 63) / 64 * 64),
        run_bytes_(pixel_bytes_ + (keep_radii ? static_cast<size_t>(shape.run_rows) *
                                                    static_cast<size_t>(width_) * sizeof(double)
                                              : 0)),
        keep_radii_(keep_radii),
        turn_(turn),
        row_radii_(row_radii),
        after_row_(after_row),
        ring_(shape.ring_runs, run_bytes_, shape.run_rows),
        out_(shape.out_runs, pixel_bytes_, shape.run_rows),
        first_(nullptr, runs_),
        second_(&dest, runs_) {
    // A lone thread keeps a table for each pass, each running on from run
    // to run; threads that share the runs seldom get the next run of a pass
    // and keep one table for both.
    for (unsigned w = 0; w < shape.threads; ++w) {
      for (Pass* pass : {&first_, &second_}) {
        if (pass == &second_ && shape.threads > 1) continue;
        pass->workers.push_back(
            std::make_unique<RowWorker>(width_, height_, EdgeMode::clamp, shape.margin));
      }
    }
    last_pass_.resize(shape.threads, nullptr);
    for (int64_t k = 0; k < shape.ring_runs; ++k) ring_runs_.push_back(ring_.run(k));
  }

  void run() {
    std::atomic<unsigned> joined{0};
    run_on_workers(shape_.threads, [&] { work(joined.fetch_add(1)); });
    if (first_.failure) std::rethrow_exception(first_.failure.error);
    if (second_.failure) std::rethrow_exception(second_.failure.error);
    if (!turned_ || second_.reported != height_) {
      throw std::logic_error("fused passes left rows undone");
    }
  }

 private:
  // What the threads share of one pass (guarded by lock_, as the rest).
  struct Pass {
    Pass(OutputFile* file, int64_t runs) : file(file), done(static_cast<size_t>(runs), 0) {}
    OutputFile* file;                                 // none: the rows stay in the ring
    std::vector<std::unique_ptr<RowWorker>> workers;  // one a thread
    std::vector<char> done;                           // runs made
    int64_t claimed = 0;                              // the next run to take
    int64_t prefix = 0;                               // runs made from the first on
    int active = 0;                                   // runs being made
    int64_t failed_run = -1;                          // the run of the failure kept
    int64_t failed_row = 0;                           // and its row
    int64_t written = 0;                              // rows in the file
    int64_t reported = 0;                             // rows given to after_row
    bool writing = false;
    PassFailure failure;
  };

  // Row y's place in a ring of runs, and its radii after the run's pixels.
  uint8_t* ring_row(int64_t y) const {
    return ring_.run_of(y) + static_cast<size_t>(y % shape_.run_rows) * row_bytes_;
  }
  uint8_t* out_row(int64_t y) const {
    return out_.run_of(y) + static_cast<size_t>(y % shape_.run_rows) * row_bytes_;
  }
  std::span<double> kept_radii(int64_t y) const {
    auto* run = reinterpret_cast<double*>(ring_.run_of(y) + pixel_bytes_);
    return {run + static_cast<size_t>((y % shape_.run_rows) * width_), static_cast<size_t>(width_)};
  }
  // The rows of a pass made in order from row 0: its leading runs made, and
  // the rows before a failed row of the run after them.
  int64_t rows_made(const Pass& pass) const {
    if (pass.prefix == pass.failed_run) return pass.failed_row;
    return layout_.start(pass.prefix);
  }
  // The rows the earlier holders of the ring places of rows up to `last`
  // held: those before this row.
  int64_t earlier_holders_end(int64_t last, int64_t ring_places) const {
    const int64_t place = last / shape_.run_rows - ring_places;
    return place < 0 ? 0 : std::min<int64_t>(height_, (place + 1) * shape_.run_rows);
  }
  int64_t write_limit(const Pass& pass) const {
    return std::min(rows_made(pass), pass.failure.rows_before());
  }
  // Rows are reported in whole bands, or up to a failure.
  int64_t report_limit(const Pass& pass) const {
    if (&pass == &second_ && !turned_) return pass.reported;
    const int64_t made = rows_made(pass);
    const int64_t limit = pass.failure      ? pass.failure.rows_before()
                          : made == height_ ? made
                                            : made - made % shape_.band_rows;
    return std::max(pass.reported, std::min(pass.written, limit));
  }
  bool can_write(const Pass& pass) const {
    return !pass.writing &&
           (pass.written < write_limit(pass) || pass.reported < report_limit(pass));
  }

  // Run i of the second pass reads the first pass's rows of its windows,
  // and writes into places of the output's ring whose earlier rows must be
  // written.
  bool second_ready(int64_t i) const {
    const int64_t needed = std::min<int64_t>(height_, layout_.end(i) + shape_.margin);
    return rows_made(first_) >= needed &&
           second_.written >= earlier_holders_end(layout_.end(i) - 1, shape_.out_runs);
  }
  // Run j of the first pass takes places of the ring whose earlier rows the
  // second pass must no longer read: its rows whose windows reach them are
  // made (the runs it is making start past them).
  bool first_ready(int64_t j) const {
    const int64_t earlier = earlier_holders_end(layout_.end(j) - 1, shape_.ring_runs);
    if (earlier == 0) return true;
    const int64_t needed = std::min<int64_t>(height_, earlier + shape_.margin);
    return rows_made(second_) >= needed || (second_.failure && second_.active == 0);
  }

  void work(unsigned w) {
    std::unique_lock<std::mutex> hold(lock_);
    while (true) {
      if (can_write(first_)) {
        write(hold, first_);
      } else if (!first_.failure && can_write(second_)) {
        write(hold, second_);
      } else if (!first_.failure && !second_.failure && second_.claimed < runs_ &&
                 second_ready(second_.claimed)) {
        make_run(hold, w, second_);
      } else if (!first_.failure && first_.claimed < runs_ && first_ready(first_.claimed)) {
        make_run(hold, w, first_);
      } else if (first_.active + second_.active == 0 && !first_.writing && !second_.writing) {
        wake_.notify_all();  // nothing can move any more: done (or failed)
        return;
      } else {
        wake_.wait(hold);
      }
    }
  }

  // The pass's rows ready into its file, if it has one, then the rows to
  // report; after the first pass's last row, the turn.
  void write(std::unique_lock<std::mutex>& hold, Pass& pass) {
    const bool first = &pass == &first_;
    pass.writing = true;
    const int64_t end = write_limit(pass);
    int64_t y = pass.file == nullptr ? end : pass.written;
    hold.unlock();
    std::exception_ptr failure;
    try {
      for (; y < end; ++y) {
        std::memcpy(next_row24(*pass.file, width_).data(), out_row(y), row_bytes_);
      }
    } catch (...) {
      failure = std::current_exception();
    }
    hold.lock();
    if (failure) pass.failure.keep(failure, 2 * y + 1);
    pass.written = y;
    const int64_t last = report_limit(pass);
    const bool turning = first && last == height_ && pass.reported < height_;
    int64_t r = pass.reported;
    hold.unlock();
    failure = nullptr;
    try {
      for (; r < last; ++r) after_row_(static_cast<int32_t>(r));
      if (turning) turn_();
    } catch (...) {
      failure = std::current_exception();
    }
    hold.lock();
    if (failure) pass.failure.keep(failure, 2 * r + 1);
    pass.reported = r;
    if (turning && !failure) turned_ = true;
    pass.writing = false;
    wake_.notify_all();
  }

  // The pass's next run (the first's into the ring, the second's into the
  // output's ring) on thread w's worker for that pass.
  void make_run(std::unique_lock<std::mutex>& hold, unsigned w, Pass& pass) {
    const bool first = &pass == &first_;
    const int64_t run = pass.claimed++;
    pass.active += 1;
    hold.unlock();
    int64_t y = layout_.start(run);
    std::exception_ptr failure;
    try {
      RowWorker& worker = worker_for(w, pass);
      while (y < layout_.end(run)) {
        make_rows(worker, first, y,
                  static_cast<int>(std::min<int64_t>(worker.group_rows(), layout_.end(run) - y)));
      }
    } catch (...) {
      failure = std::current_exception();
    }
    hold.lock();
    pass.active -= 1;
    if (failure) {
      const int64_t before = pass.failure.position;
      pass.failure.keep(failure, 2 * (y - y % shape_.band_rows));
      if (pass.failure.position != before) {
        pass.failed_run = run;
        pass.failed_row = y;
      }
    } else {
      pass.done[static_cast<size_t>(run)] = 1;
      while (pass.prefix < runs_ && pass.done[static_cast<size_t>(pass.prefix)] != 0) {
        ++pass.prefix;
      }
    }
    wake_.notify_all();
  }

  // Thread w's table for the pass, started afresh where it last served the
  // other pass.
  RowWorker& worker_for(unsigned w, const Pass& pass) {
    if (shape_.threads == 1) return *pass.workers[w];
    RowWorker& shared = *first_.workers[w];
    if (last_pass_[w] != &pass) shared.forget();
    last_pass_[w] = &pass;
    return shared;
  }

  // Rows y .. y + count - 1 of a pass, their radii and then their pixels;
  // y moves past the rows made. Where a row's radii fail, the rows before it
  // are made first, as a pass of one row at a time makes them.
  void make_rows(RowWorker& worker, bool first, int64_t& y, int count) {
    std::span<const double> radii[RowWorker::max_group_rows];
    uint8_t* out[RowWorker::max_group_rows];
    int ready = 0;
    std::exception_ptr failure;
    try {
      for (; ready < count; ++ready) {
        const int64_t row = y + ready;
        radii[ready] = radii_of(worker, first, row, ready);
        out[ready] = first ? ring_row(row) : out_row(row);
      }
    } catch (...) {
      failure = std::current_exception();
    }
    if (ready > 0) {
      if (first) {
        worker.rows(input_, nullptr, static_cast<int32_t>(y), ready, radii, out);
        // The second pass reads no further than the margin its shape allows.
        if (worker.margin() != shape_.margin) throw std::logic_error("radius beyond the declared");
      } else {
        worker.rows(SourceRows(ring_runs_.data(), shape_.run_rows, shape_.ring_runs, row_bytes_),
                    nullptr, static_cast<int32_t>(y), ready, radii, out);
      }
    }
    y += ready;
    if (failure) std::rethrow_exception(failure);
  }

  // Row y's radii, the k-th of a group: worked out by the first pass (kept
  // for the second where they are dear), or by each pass.
  std::span<const double> radii_of(RowWorker& worker, bool first, int64_t y, int k) {
    if (keep_radii_ && !first) return kept_radii(y);
    const std::span<double> radii = keep_radii_ ? kept_radii(y) : worker.radii(k);
    row_radii_(static_cast<int32_t>(y), radii);
    return radii;
  }

  const FusedShape shape_;
  const ImageRows& input_;
  const int32_t width_;
  const int32_t height_;
  const size_t row_bytes_;
  const RunLayout layout_;
  const int64_t runs_;
  const size_t pixel_bytes_;  // a run's rows, rounded up to whole cache lines
  const size_t run_bytes_;    // and its radii, where kept
  const bool keep_radii_;
  const std::function<void()>& turn_;
  const RowRadii& row_radii_;
  const RowDone& after_row_;
  RunRing ring_;                           // the first pass's latest runs of rows
  std::vector<const uint8_t*> ring_runs_;  // where they start
  RunRing out_;                            // the second pass's runs to be written
  std::vector<const Pass*> last_pass_;     // the pass thread w last made a run of

  std::mutex lock_;  // guards the passes' state and turned_
  std::condition_variable wake_;
  Pass first_, second_;
  bool turned_ = false;
};

}  // namespace

int64_t run_rows_for(int64_t margin) { return std::max<int64_t>(4 * margin, 32); }

int64_t band_rows_for(int32_t width, int32_t height, int64_t margin, unsigned threads) {
  const auto by_bytes = static_cast<int64_t>(band_bytes / (3 * static_cast<size_t>(width)));
  const int64_t by_work = margin > 0 ? 2 * int64_t{threads} * run_rows_for(margin) : 0;
  return std::clamp<int64_t>(std::max(by_bytes, by_work), 1, height);
}

bool blur_twice_fused(const ImageRows& input, TempFileChain& temps, OutputFile& dest, EdgeMode mode,
                      double max_radius, const RowRadii& row_radii, RadiiCost cost,
                      const RowDone& after_row) {
  const std::optional<FusedShape> shape =
      fused_shape(input.width(), input.height(), mode, max_radius);
  if (!shape) return false;
  // temp0000 is opened, closed and opened again where the two passes would
  // write and read it, with their messages; the first pass's rows need not
  // go through it, and it stays empty.
  std::unique_ptr<OutputFile> first = temps.create(0);
  write_bmp24_header(dest, input.width(), input.height());
  std::unique_ptr<InputFile> reread;
  const std::function<void()> turn = [&] {
    first->commit();
    reread = temps.open(0);
  };
  FusedPasses(*shape, input, cost == RadiiCost::dear, dest, turn, row_radii, after_row).run();
  return true;
}

}  // namespace bmp::fracbox
