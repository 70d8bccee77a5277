// The suite's random sequence drawn many values at a time, for the tools
// that draw thousands per row: eight lanes, each stepping eight draws ahead,
// so that no multiplication waits on the one before. The values and their
// order are those of rand15() called once for each.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/formulas.hpp"

namespace bmp {

class Rand15Batch {
 public:
  // The next n draws of `sequence` are to be handed out by rand15(): they
  // are drawn ahead in chunks, the sequence moving on as they are. Draws
  // asked beyond the n come from the sequence one by one.
  void take(Rand15& sequence, uint64_t n) {
    sequence_ = &sequence;
    ahead_ = n;
    next_ = filled_ = 0;
  }
  int rand15() {
    if (next_ == filled_) refill();
    return draws_[next_++];
  }

 private:
  static constexpr size_t chunk = 2048;
  static constexpr size_t lanes = 8;
  static constexpr Rand15Jump lane_step = rand15_jump(lanes);
  // Lane j starts j + 1 draws on.
  static constexpr std::array<Rand15Jump, lanes> first_steps = [] {
    std::array<Rand15Jump, lanes> steps{};
    for (size_t j = 0; j < lanes; ++j) steps[j] = rand15_jump(j + 1);
    return steps;
  }();

  void refill() {
    next_ = 0;
    filled_ = static_cast<size_t>(std::min<uint64_t>(ahead_, chunk));
    ahead_ -= filled_;
    size_t i = 0;
    if (filled_ >= lanes) {
      std::array<uint32_t, lanes> state;
      for (size_t j = 0; j < lanes; ++j) state[j] = first_steps[j](sequence_->state());
      for (; i + lanes <= filled_; i += lanes) {
        for (size_t j = 0; j < lanes; ++j) {
          draws_[i + j] = static_cast<uint16_t>(Rand15::value_of(state[j]));
          state[j] = lane_step(state[j]);
        }
      }
      sequence_->discard(i);
    }
    for (; i < filled_; ++i) draws_[i] = static_cast<uint16_t>(sequence_->rand15());
    if (filled_ == 0) {
      draws_[0] = static_cast<uint16_t>(sequence_->rand15());
      filled_ = 1;
    }
  }

  Rand15* sequence_ = nullptr;
  uint64_t ahead_ = 0;
  size_t next_ = 0;
  size_t filled_ = 0;
  std::array<uint16_t, chunk> draws_{};
};

}  // namespace bmp
