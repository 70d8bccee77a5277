// The suite's random generator written out for the drawing tools' tests.
#pragma once

#include <cstdint>

namespace bmp::test {

// state × 214013 + 2531011 (mod 2^32), yielding bits 16 to 30; state 1 at start.
struct Lcg {
  uint32_t state = 1;
  int next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>(state >> 16 & 0x7fff);
  }
};

}  // namespace bmp::test
