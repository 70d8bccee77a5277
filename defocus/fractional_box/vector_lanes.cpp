// The widest lanes the processor offers, within the tests' limit.
#include "defocus/fractional_box/vector_lanes.hpp"

#include <algorithm>
#include <atomic>

#include "core/processor.hpp"

namespace bmp {
namespace {

// The widest lanes the vector paths may use; tests set it lower.
std::atomic<int> lane_limit{8};

}  // namespace

void fracbox::limit_lanes(int lanes) { lane_limit.store(lanes, std::memory_order_relaxed); }

int fracbox::lane_width() {
#if defined(__x86_64__)
  static const int present = has_avx512_byte_permutes() ? 8 : has_avx2() ? 4 : 0;
#else
  constexpr int present = 0;
#endif
  return std::min(present, lane_limit.load(std::memory_order_relaxed));
}

}  // namespace bmp
