#include "core/row_loop.hpp"

#include <gtest/gtest.h>

#include <mutex>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/files.hpp"
#include "core/image_rows.hpp"
#include "core/parallel.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp {
namespace {

// Each row's context is a counter that runs on from row to row (r + 1 added
// per row, so row r starts from r (r + 1) / 2); the transform adds it and the
// column to every byte. The bytes must not depend on how rows were shared.
void expect_rows_rewritten(int width, int height, unsigned workers) {
  test::Scratch scratch;
  test::Image image = test::make_image(width, height, [](int x, int y) {
    return test::Pixel{uint8_t(x * 3 + y), uint8_t(x ^ y), uint8_t(y * 7)};
  });
  test::write_file(scratch.path("in.bmp"), test::encode_bmp24(image, 0xee));
  auto in = InputFile::open(scratch.path("in.bmp"), "in.bmp");
  auto out = OutputFile::create(scratch.path("out.bmp"), "out.bmp");
  write_bmp24_header(*out, width, height);
  const ImageLayout layout = bmp24_layout(width, height);
  int64_t counter = 0;
  std::vector<int32_t> reported;
  rewrite_rows24_shared(
      *in, layout, *out, workers,
      [&](int32_t r) {
        int64_t start = counter;
        counter += r + 1;
        return start;
      },
      [](int32_t, int32_t column, std::span<uint8_t> pixels, int64_t& context) {
        for (size_t i = 0; i < pixels.size(); ++i) {
          pixels[i] = uint8_t(pixels[i] + context + column + int64_t(i / 3));
        }
      },
      [&](int32_t r) { reported.push_back(r); });
  out->commit();
  test::Image want = test::make_image(width, height, [&](int x, int y) {
    const test::Pixel p = image.at(x, y);
    const int64_t add = int64_t{y} * (y + 1) / 2 + x;
    return test::Pixel{uint8_t(p.b + add), uint8_t(p.g + add), uint8_t(p.r + add)};
  });
  EXPECT_EQ(test::read_file(scratch.path("out.bmp")), test::encode_bmp24(want))
      << width << " x " << height << ", " << workers << " workers";
  ASSERT_EQ(reported.size(), size_t(height));
  for (int32_t r = 0; r < height; ++r) EXPECT_EQ(reported[size_t(r)], r);
}

TEST(RewriteRowsShared, ContextsRunInRowOrderWhateverTheSharing) {
  struct Case {
    int width, height;
  };
  // Small rows, rows many to a run, a run of one row (several in flight), a
  // last run cut short, and rows longer than a run.
  for (Case c :
       {Case{5, 3000}, Case{1000, 1001}, Case{300001, 9}, Case{20000, 45}, Case{1500001, 2}}) {
    for (unsigned workers : {1u, 2u, 8u}) expect_rows_rewritten(c.width, c.height, workers);
  }
}

// Work shared out from inside shared-out work runs on its calling thread
// alone, which then reads, rewrites and writes every row itself. (One run at
// a time: outputs are made by one thread at a time.)
TEST(RewriteRowsShared, RowsAreAllRewrittenWhenNoOtherThreadJoins) {
  std::mutex one_at_a_time;
  share_out(2, 1, 2, [&](int64_t) {
    std::lock_guard<std::mutex> hold(one_at_a_time);
    expect_rows_rewritten(1000, 700, 8);
  });
}

// A failing row stops the run with its message, whichever thread made it.
TEST(RewriteRowsShared, AFailingRowStopsTheRunWithItsMessage) {
  test::Scratch scratch;
  const int width = 100, height = 5000;
  test::write_file(scratch.path("in.bmp"),
                   test::encode_bmp24(test::make_image(width, height, [](int, int) {
                     return test::Pixel{1, 2, 3};
                   })));
  auto in = InputFile::open(scratch.path("in.bmp"), "in.bmp");
  for (int32_t failing : {0, 4321, height - 1}) {
    auto out = OutputFile::create(scratch.path("out.bmp"), "out.bmp");
    EXPECT_THROW(rewrite_rows24_shared(
                     *in, bmp24_layout(width, height), *out, 8, [](int32_t) { return 0; },
                     [&](int32_t r, int32_t, std::span<uint8_t>, int) {
                       if (r == failing) fail("no such row\n");
                     },
                     [](int32_t) {}),
                 ToolFailure)
        << failing;
  }
}

}  // namespace
}  // namespace bmp
