#include "core/row_bands.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>

#include "core/row_pipeline.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp {
namespace {

using test::Bytes;

// A byte that depends on the row, the column and the channel.
uint8_t mark(int64_t row, int64_t byte) { return static_cast<uint8_t>(row * 31 + byte * 7 + 1); }

// The rows the producer writes, and the order of its progress calls.
struct Produced {
  Bytes file;
  std::vector<int32_t> done;
};

Produced produce(int32_t width, int32_t height, int32_t rows_per_task, int64_t cost) {
  test::Scratch scratch;
  const std::string path = scratch.path("out.bmp");
  Produced got;
  {
    auto out = OutputFile::create(path, "out.bmp");
    const size_t bytes = static_cast<size_t>(width) * 3;
    produce_row_blocks24(
        *out, width, height, rows_per_task, cost,
        [&](const RowBlock& block) {
          EXPECT_LE(block.count, rows_per_task);
          for (int32_t k = 0; k < block.count; ++k) {
            std::span<uint8_t> row = block.row(k, bytes);
            for (size_t b = 0; b < bytes; ++b) row[b] = mark(block.first + k, int64_t(b));
          }
        },
        [&](int32_t row) { got.done.push_back(row); });
    out->commit();
  }
  got.file = test::read_file(path);
  return got;
}

Bytes expected_rows(int32_t width, int32_t height) {
  Bytes file;
  for (int32_t r = 0; r < height; ++r) {
    for (int32_t b = 0; b < 3 * width; ++b) file.push_back(mark(r, b));
    file.insert(file.end(), static_cast<size_t>(width % 4), 0);
  }
  return file;
}

TEST(RowBands, RowsComeOutInStoredOrderWithTheirPaddingAndProgress) {
  struct Case {
    int32_t width, height, rows_per_task;
    int64_t cost;  // small: the calling thread alone; large: shared out
  };
  const Case cases[] = {
      {1, 1, 1, 1},
      {2, 3, 1, 1},
      {3, 5, 2, 1},
      {5, 7, 4, 1},
      {0, 4, 1, 1 << 20},
      {4, 0, 1, 1 << 20},
      {3, 97, 1, 1 << 20},
      {5, 97, 8, 1 << 20},
      {7, 1000, 16, 1 << 20},
      {700, 3001, 1, 1 << 12},
      {701, 3001, 64, 1 << 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " tasks of " << c.rows_per_task
                                    << " cost " << c.cost);
    Produced got = produce(c.width, c.height, c.rows_per_task, c.cost);
    EXPECT_EQ(got.file, expected_rows(c.width, c.height));
    std::vector<int32_t> order(static_cast<size_t>(c.height));
    for (int32_t r = 0; r < c.height; ++r) order[static_cast<size_t>(r)] = r;
    EXPECT_EQ(got.done, order);
  }
}

// Each row's context is a counter that runs on from row to row (r + 1 added
// per row, so row r starts from r (r + 1) / 2), whatever the sharing.
TEST(RowBands, RowsInOrderGetTheContextsTheirStartsGaveInStoredOrder) {
  for (auto [width, height, cost] : {std::tuple{5, 40, 1}, std::tuple{3, 3001, 1 << 20},
                                     std::tuple{0, 3, 1 << 20}, std::tuple{700, 4001, 1 << 12}}) {
    test::Scratch scratch;
    const std::string path = scratch.path("out.bmp");
    std::vector<int32_t> done;
    {
      auto out = OutputFile::create(path, "out.bmp");
      int64_t counter = 0;
      produce_rows24_in_order(
          *out, width, height, cost,
          [&](int32_t r) {
            int64_t start = counter;
            counter += r + 1;
            return start;
          },
          [](int32_t r, std::span<uint8_t> row, int64_t& context) {
            for (size_t b = 0; b < row.size(); ++b) row[b] = uint8_t(mark(r, int64_t(b)) + context);
          },
          [&](int32_t r) { done.push_back(r); });
      out->commit();
    }
    Bytes want = expected_rows(width, height);
    for (int32_t r = 0, at = 0; r < height; ++r, at += 3 * width + width % 4) {
      for (int32_t b = 0; b < 3 * width; ++b)
        want[size_t(at + b)] += uint8_t(int64_t{r} * (r + 1) / 2);
    }
    EXPECT_EQ(test::read_file(path), want) << width << " x " << height;
    ASSERT_EQ(done.size(), size_t(height));
    for (int32_t r = 0; r < height; ++r) EXPECT_EQ(done[size_t(r)], r);
  }
}

TEST(RowBands, AFailingRowStopsTheRunWithItsMessage) {
  test::Scratch scratch;
  auto out = OutputFile::create(scratch.path("out.bmp"), "out.bmp");
  EXPECT_THROW(produce_rows24(
                   *out, 100, 5000, 1 << 20,
                   [](int32_t row, std::span<uint8_t>) {
                     if (row == 4321) fail("no such row\n");
                   },
                   [](int32_t) {}),
               ToolFailure);
  for (int32_t failing : {0, 4321, 4999}) {
    auto in_order = OutputFile::create(scratch.path("in-order.bmp"), "in-order.bmp");
    EXPECT_THROW(produce_rows24_in_order(
                     *in_order, 100, 5000, 1 << 20, [](int32_t) { return 0; },
                     [&](int32_t row, std::span<uint8_t>, int) {
                       if (row == failing) fail("no such row\n");
                     },
                     [](int32_t) {}),
                 ToolFailure)
        << failing;
  }
}

// Work that runs on from row to row: each thread gets whole runs, in
// ascending order, and the rows come out as if made one by one.
TEST(RowBands, ThreadsThatClaimWholeRunsMakeThemInOrder) {
  struct Case {
    int32_t height;
    PipelineShape shape;
    unsigned workers;
  };
  const Case cases[] = {
      {1, {7, 5, true}, 4},    {50, {7, 5, true}, 4},    {3001, {7, 5, true}, 4},
      {999, {32, 9, true}, 8}, {100, {100, 1, true}, 3}, {64, {4, 2, true}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.height << " rows in runs of " << c.shape.run_rows);
    const size_t row_bytes = 10;
    const int64_t run = c.shape.run_rows;
    std::mutex lock;
    std::vector<std::pair<int32_t, int32_t>> runs_made;  // first row, rows
    std::vector<int32_t> done;
    test::Scratch scratch;
    const std::string path = scratch.path("out.bmp");
    {
      auto out = OutputFile::create(path, "out.bmp");
      struct Claims {
        std::mutex& lock;
        std::vector<std::pair<int32_t, int32_t>>& all;
        std::vector<std::pair<int32_t, int32_t>> mine;
        ~Claims() {
          std::lock_guard<std::mutex> hold(lock);
          all.insert(all.end(), mine.begin(), mine.end());
        }
      };
      pipeline_row_runs24(
          *out, c.height, row_bytes, c.workers, c.shape, [](int32_t, std::span<uint8_t>) {},
          [](int32_t) { return 0; },
          [&] {
            return [run, row_bytes, height = c.height,
                    claims = std::make_shared<Claims>(Claims{lock, runs_made, {}})](
                       const RowBlock& block, std::span<int> contexts) {
              EXPECT_EQ(block.first % run, 0);  // a whole run
              EXPECT_EQ(block.count, std::min<int64_t>(run, height - block.first));
              EXPECT_EQ(contexts.size(), size_t(block.count));
              auto& mine = claims->mine;
              EXPECT_TRUE(mine.empty() || mine.back().first < block.first) << block.first;
              mine.push_back({block.first, block.count});
              for (int32_t k = 0; k < block.count; ++k) {
                std::span<uint8_t> row = block.row(k, row_bytes);
                for (size_t b = 0; b < row.size(); ++b) row[b] = mark(block.first + k, int64_t(b));
              }
            };
          },
          [&](int32_t r) { done.push_back(r); });
      out->commit();
    }
    // Every run made once.
    std::vector<std::pair<int32_t, int32_t>> runs = runs_made;
    std::sort(runs.begin(), runs.end());
    int32_t next = 0;
    for (const auto& [first, rows] : runs) {
      EXPECT_EQ(first, next);
      EXPECT_EQ(rows, std::min<int32_t>(static_cast<int32_t>(run), c.height - first));
      next = first + rows;
    }
    EXPECT_EQ(next, c.height);
    Bytes want;
    for (int32_t r = 0; r < c.height; ++r) {
      for (size_t b = 0; b < row_bytes; ++b) want.push_back(mark(r, int64_t(b)));
    }
    EXPECT_EQ(test::read_file(path), want);
    ASSERT_EQ(done.size(), size_t(c.height));
    for (int32_t r = 0; r < c.height; ++r) EXPECT_EQ(done[size_t(r)], r);
  }
}

}  // namespace
}  // namespace bmp
