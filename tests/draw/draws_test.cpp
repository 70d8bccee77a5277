// Draws taken in a batch are the sequence's own, in order, and leave it where
// drawing them one by one would, also across chunks and beyond the count.
#include "draw/draws.hpp"

#include <gtest/gtest.h>

namespace bmp {
namespace {

TEST(Rand15Batch, HandsOutTheSequencesNextDrawsInOrder) {
  for (uint32_t seed : {0u, 1u, 5u, 0x89abcdefu}) {
    for (size_t n : {size_t{0}, size_t{1}, size_t{7}, size_t{8}, size_t{9}, size_t{23},
                     size_t{2048}, size_t{2050}, size_t{12000}}) {
      Rand15 one_by_one, batched;
      one_by_one.srand15(seed);
      batched.srand15(seed);
      Rand15Batch batch;
      batch.take(batched, 3);  // a batch whose draws were all handed out
      for (int i = 0; i < 3; ++i) ASSERT_EQ(batch.rand15(), one_by_one.rand15());
      batch.take(batched, n);
      for (size_t i = 0; i < n; ++i) {
        ASSERT_EQ(batch.rand15(), one_by_one.rand15()) << n << ", " << i;
      }
      EXPECT_EQ(batched.state(), one_by_one.state()) << n;
      // Draws beyond those announced follow on.
      for (int i = 0; i < 10; ++i) ASSERT_EQ(batch.rand15(), one_by_one.rand15()) << n;
      EXPECT_EQ(batched.state(), one_by_one.state()) << n;
    }
  }
}

}  // namespace
}  // namespace bmp
