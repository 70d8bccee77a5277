// The suite's random sequence drawn many values at a time, for the tools
// that draw thousands per row: eight lanes, each stepping eight draws ahead,
// so that no multiplication waits on the one before. The values and their
// order are those of rand15() called once for each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/formulas.hpp"

namespace bmp {

class Rand15Batch {
 public:
  // Takes the next n draws of `random` (which moves on by n); rand15() then
  // hands them out in order.
  void take(Rand15& random, size_t n) {
    draws_.resize(n);
    next_ = 0;
    size_t i = 0;
    if (n >= lanes) {
      std::array<uint32_t, lanes> state;
      for (size_t j = 0; j < lanes; ++j) state[j] = first_steps[j](random.state());
      for (; i + lanes <= n; i += lanes) {
        for (size_t j = 0; j < lanes; ++j) {
          draws_[i + j] = static_cast<uint16_t>(Rand15::value_of(state[j]));
          state[j] = lane_step(state[j]);
        }
      }
      random.discard(i);
    }
    for (; i < n; ++i) draws_[i] = static_cast<uint16_t>(random.rand15());
  }
  int rand15() { return draws_[next_++]; }

 private:
  static constexpr size_t lanes = 8;
  static constexpr Rand15Jump lane_step = rand15_jump(lanes);
  // Lane j starts j + 1 draws on.
  static constexpr std::array<Rand15Jump, lanes> first_steps = [] {
    std::array<Rand15Jump, lanes> steps{};
    for (size_t j = 0; j < lanes; ++j) steps[j] = rand15_jump(j + 1);
    return steps;
  }();

  std::vector<uint16_t> draws_;
  size_t next_ = 0;
};

}  // namespace bmp
