// A run of whole values added at once to a running double sum gives the bits
// of the plain loop's one-by-one additions, wherever powers of two fall
// inside the run: the sum's low bits, its size, zeros and values above it.
#include "defocus/fractional_box/exact_sums.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace bmp::fracbox {
namespace {

TEST(ExactSums, AWholeRunAtOnceIsTheRunOneByOne) {
  // Sums at 0, tiny, below and above 255, just below powers of two, and
  // large.
  const double starts[] = {0,
                           1e-300,
                           0.3,
                           3.7,
                           std::nextafter(255.0, 0.0),
                           255.5,
                           std::nextafter(1024.0, 0.0),
                           4095.123456789,
                           65535.75,
                           std::nextafter(0x1p20, 0.0),
                           0x1p40 + 0.5,
                           0x1p50 - 70000.25};
  std::mt19937_64 random(20261211);
  for (double start : starts) {
    for (int trial = 0; trial < 3000; ++trial) {
      const int count = 1 + static_cast<int>(random() % 64);
      std::vector<double> values(static_cast<size_t>(count));
      for (double& v : values) {
        switch (trial % 4) {
          case 0:
            v = static_cast<double>(random() % 256);
            break;
          case 1:
            v = 255;
            break;
          case 2:
            v = random() % 3 == 0 ? 0 : static_cast<double>(random() % 256);
            break;
          default:
            v = static_cast<double>(random() % 8);
            break;
        }
      }
      // The sum carries fraction bits down to its last one, from the
      // weighted values before a run.
      const double bits = static_cast<double>(random() >> 11) * 0x1p-53;  // [0, 1), 53 bits
      const double s = start * (1 + bits * 0x1p-12);
      double plain = s;
      double total = 0;
      for (double v : values) {
        plain += v;
        total += v;
      }
      const double at_once =
          add_whole_run(s, total, count, [&](int64_t i) { return values[static_cast<size_t>(i)]; });
      ASSERT_EQ(std::bit_cast<uint64_t>(at_once), std::bit_cast<uint64_t>(plain))
          << "start " << s << " count " << count << " trial " << trial;
    }
  }
}

}  // namespace
}  // namespace bmp::fracbox
