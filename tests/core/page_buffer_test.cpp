#include "core/page_buffer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace bmp {
namespace {

// Small buffers and large ones (on huge pages where the kernel has them),
// mapped when made or as they are filled, are zeroed, writable to their last
// byte, and survive being moved.
TEST(PageBuffer, BuffersOfEverySizeAreZeroedWritableAndMovable) {
  for (bool later : {false, true})
    for (size_t bytes : {size_t{1}, size_t{4095}, size_t{2} << 20, (size_t{5} << 20) + 3}) {
      SCOPED_TRACE(testing::Message() << bytes << (later ? " filled later" : ""));
      PageBuffer buffer = later ? PageBuffer::filled_later(bytes) : PageBuffer(bytes);
      ASSERT_EQ(buffer.size(), bytes);
      EXPECT_TRUE(
          std::all_of(buffer.data(), buffer.data() + bytes, [](uint8_t b) { return b == 0; }));
      std::fill(buffer.data(), buffer.data() + bytes, uint8_t{0xa5});
      PageBuffer moved(std::move(buffer));
      EXPECT_EQ(buffer.size(), 0u);
      EXPECT_EQ(buffer.data(), nullptr);
      ASSERT_EQ(moved.size(), bytes);
      EXPECT_EQ(moved.data()[0], 0xa5);
      EXPECT_EQ(moved.data()[bytes - 1], 0xa5);
      PageBuffer assigned(16);
      assigned = std::move(moved);
      EXPECT_EQ(assigned.size(), bytes);
      EXPECT_EQ(assigned.data()[bytes - 1], 0xa5);
    }
  EXPECT_EQ(PageBuffer(0).data(), nullptr);
}

}  // namespace
}  // namespace bmp
