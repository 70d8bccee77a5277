// What the colour tools' command-line tests add to the pixel tools' helpers:
// pictures rich in grey runs, and the search for an input that tells a
// reading of the formulas from the written one.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>

#include "tests/pixel/hls_model.hpp"
#include "tests/pixel/pixel_cli.hpp"
#include "tests/support/bmp_builder.hpp"

namespace bmp::test {

// A random picture in which about half the pixels are grey, in runs of up to
// `run` pixels that cross row ends; the colours often share a channel, so
// ties and the hues 60, 180 and 300 come up.
inline Image grey_runs(int width, int height, unsigned seed, int run = 40) {
  std::mt19937 rng(seed);
  Image image{width, height, {}};
  image.pixels.resize(static_cast<size_t>(width) * height);
  size_t i = 0;
  while (i < image.pixels.size()) {
    const bool grey = rng() % 2;
    const size_t length = 1 + rng() % static_cast<unsigned>(run);
    for (size_t k = 0; k < length && i < image.pixels.size(); ++k, ++i) {
      Pixel p{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
      if (grey) {
        p.g = p.r = p.b;
      } else if (rng() % 3 == 0) {
        p.g = p.r;
      }
      image.pixels[i] = p;
    }
  }
  return image;
}

}  // namespace bmp::test
