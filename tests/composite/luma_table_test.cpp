// The mask grey table against the three separately truncated products.
#include "composite/luma_table.hpp"

#include <gtest/gtest.h>

namespace bmp::test {
namespace {

// Expected greys are the three products truncated one by one, by hand.
TEST(LumaTable, ChosenGreysAndColours) {
  const LumaTable luma;
  struct Case {
    int red, green, blue, grey;
  };
  for (const Case& c : {
           Case{0, 0, 0, 0}, Case{255, 255, 255, 254},  // 76 + 150 + 28
           Case{255, 0, 0, 76},                         // 76.5
           Case{0, 255, 0, 150},                        // 150.45
           Case{0, 0, 255, 28},                         // 28.05
           Case{100, 100, 100, 100},                    // 30 + 59 + 11
           Case{128, 128, 128, 127},                    // 38.4 + 75.52 + 14.08
           Case{10, 20, 30, 17},                        // 3 + 11.8 + 3.3
       }) {
    EXPECT_EQ(luma(c.red, c.green, c.blue), c.grey) << c.red << " " << c.green << " " << c.blue;
  }
}

TEST(LumaTable, EqualsTheFormulaForEveryColour) {
  const LumaTable luma;
  for (int r = 0; r < 256; ++r) {
    for (int g = 0; g < 256; ++g) {
      for (int b = 0; b < 256; ++b) {
        ASSERT_EQ(luma(r, g, b), luma_30_59_11(r, g, b)) << r << " " << g << " " << b;
      }
    }
  }
}

}  // namespace
}  // namespace bmp::test
