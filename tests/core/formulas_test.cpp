#include "core/formulas.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace bmp {
namespace {

TEST(Rand15, StartsFromStateOneAndFollowsTheSeed) {
  Rand15 fresh;
  EXPECT_EQ(fresh.rand15(), 41);
  EXPECT_EQ(fresh.rand15(), 18467);
  EXPECT_EQ(fresh.rand15(), 6334);
  EXPECT_EQ(fresh.rand15(), 26500);
  Rand15 seeded;
  seeded.srand15(0);
  EXPECT_EQ(seeded.rand15(), 38);
  EXPECT_EQ(seeded.rand15(), 7719);
}

TEST(Rand15, SameSeedSameSequence) {
  Rand15 a, b;
  a.srand15(1234 + 263);
  b.srand15(1234 + 263);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(a.rand15(), b.rand15());
}

TEST(Rand15, DiscardSkipsExactlyThatManyDraws) {
  for (uint32_t seed : {0u, 1u, 305u, 10262u, 0xffffffffu}) {
    for (uint64_t n : {0u, 1u, 2u, 3u, 7u, 64u, 1000u, 4097u}) {
      Rand15 stepped, jumped;
      stepped.srand15(seed);
      jumped.srand15(seed);
      for (uint64_t i = 0; i < n; ++i) stepped.rand15();
      jumped.discard(n);
      ASSERT_EQ(jumped.state(), stepped.state()) << "seed " << seed << ", n " << n;
      ASSERT_EQ(jumped.rand15(), stepped.rand15());
    }
  }
  // The sequence has the full period 2^32: a whole period comes back.
  Rand15 whole;
  whole.srand15(77);
  whole.discard(uint64_t{1} << 32);
  EXPECT_EQ(whole.state(), 77u);
}

TEST(Luma, ThirtyFiftyNineElevenTruncatesEachProduct) {
  EXPECT_EQ(luma_30_59_11(255, 0, 0), 76);       // pure red
  EXPECT_EQ(luma_30_59_11(0, 0, 255), 28);       // pure blue
  EXPECT_EQ(luma_30_59_11(128, 128, 128), 127);  // 38 + 75 + 14
  EXPECT_EQ(luma_30_59_11(255, 255, 255), 254);
  EXPECT_EQ(luma_30_59_11(0, 0, 0), 0);
}

TEST(Luma, SeventySevenOneFiftyTwentyEightRoundsBySumPlusHalf) {
  EXPECT_EQ(luma_77_150_28(255, 255, 255), 255);
  EXPECT_EQ(luma_77_150_28(0, 255, 0), 150);
  EXPECT_EQ(luma_77_150_28(0, 0, 0), 0);
  EXPECT_DOUBLE_EQ(luma_77_150_28_real(0, 0, 0), 0.5);
}

TEST(Transparency, MixAndWeight) {
  EXPECT_EQ(TransparencyMix(0)(200, 17), 17);
  EXPECT_EQ(TransparencyMix(100)(200, 17), 200);
  EXPECT_EQ(TransparencyMix(50)(255, 0), 127);
  EXPECT_EQ(transparency_weight(100), 254);
  EXPECT_EQ(transparency_weight(50), 127);
  EXPECT_EQ(transparency_weight(20), 51);
  EXPECT_EQ(transparency_weight(0), 0);
  EXPECT_EQ(transparency_composite(200, 10, 0), 200);
  // P = 100 still lets 1/255 of the colour through: (255 + 0 * 254) / 255.
  EXPECT_EQ(transparency_composite(255, 0, 254), 1);
  // Beyond 100: P 101 gives T 257 and (255 * -2) / 255 = -2, stored as 254.
  EXPECT_EQ(transparency_weight(101), 257);
  EXPECT_EQ(transparency_composite(255, 0, 257), -2);
  EXPECT_EQ(transparency_composite(0, 255, -2), -2);  // P -1: (255 * -2) / 255
  EXPECT_EQ(transparency_weight(-1), -2);
  // A weight at the 32-bit limit does not overflow: 255 * (255 - (2^31 - 1)) / 255.
  EXPECT_EQ(transparency_composite(255, 0, 2147483647), 255 - 2147483647LL);
}

TEST(TruncateTowardZero, TruncatesAndSaturates) {
  EXPECT_EQ(truncate_toward_zero(2.9), 2);
  EXPECT_EQ(truncate_toward_zero(-2.9), -2);
  EXPECT_EQ(truncate_toward_zero(-0.7 + 0.5), 0);
  EXPECT_EQ(truncate_toward_zero(std::nan("")), 0);
  EXPECT_EQ(truncate_toward_zero(1e300), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(truncate_toward_zero(-INFINITY), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(truncate_toward_zero(2147483646.9), 2147483646);
  EXPECT_EQ(truncate_toward_zero(-2147483648.5), std::numeric_limits<int32_t>::min());
}

}  // namespace
}  // namespace bmp
