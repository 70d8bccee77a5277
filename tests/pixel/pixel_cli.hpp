// Helpers the pixel tools' command-line tests share: a run on an image built
// in the test, and the lines the tools print, written out as they must be.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {

inline std::string size_line(int width, int height) {
  return "X_size = " + std::to_string(width) + " Y_size = " + std::to_string(height) +
         " 1670万色\n";
}

// "[%04d]\r" for rows 0 .. rows - 1.
inline std::string progress(int rows) {
  std::string text;
  char line[16];
  for (int r = 0; r < rows; ++r) {
    std::snprintf(line, sizeof line, "[%04d]\r", r);
    text += line;
  }
  return text;
}

// Truncation toward zero of a value known to be in range.
inline int trunc_int(double value) { return static_cast<int>(std::trunc(value)); }

// A picture with some of every byte value, 0 to 255 in each channel.
inline Image byte_sweep(int width, int height) {
  return make_image(width, height, [width](int c, int r) {
    const int i = r * width + c;
    return Pixel{uint8_t(i), uint8_t(i * 7 + 3), uint8_t(255 - i * 13)};
  });
}

// Each pixel through f, as the reference the tool must match.
template <class F>
Image mapped(const Image& image, F f) {
  Image out = image;
  for (Pixel& p : out.pixels) p = f(p);
  return out;
}

// The grey level: three products, each truncated by itself.
inline int grey_level(const Pixel& p) {
  return trunc_int(p.r * 0.30) + trunc_int(p.g * 0.59) + trunc_int(p.b * 0.11);
}

// The closing lines of the grey-table tools: the size, then a blank line.
inline std::string size_is(int width, int height) {
  char line[64];
  std::snprintf(line, sizeof line, "This size is %4d * %4d\n\n", width, height);
  return line;
}

inline std::string infile1_line(int width, int height) {
  return "Infile1 " + size_line(width, height);
}

// The suite's generator, written out here: state × 214013 + 2531011, bits
// 16 to 30.
struct Lcg {
  uint32_t state = 1;
  int next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fff);
  }
};

// Each number of arguments in `given` makes `tool` print `text` and end with
// status 1 (arguments "1" each).
inline void expect_refused_counts(const std::string& tool, std::initializer_list<size_t> given,
                                  const std::string& text) {
  for (size_t n : given) {
    ToolResult got = run(tool, std::vector<std::string>(n, "1"));
    EXPECT_EQ(got.status, 1) << tool << " with " << n << " arguments";
    EXPECT_EQ(got.out, text) << tool << " with " << n << " arguments";
  }
}

struct Outcome {
  ToolResult result;
  Image image;  // the output, when the run succeeded
  bool written = false;
};

// Runs `tool` on files of the scratch folder: the arguments "IN", "IN2" and
// "OUT" stand for IN.bmp, IN2.bmp and OUT.bmp there, any other as it is.
inline Outcome run_files(const Scratch& s, const std::string& tool,
                         const std::vector<std::string>& args) {
  std::vector<std::string> full;
  for (const std::string& a : args) {
    if (a == "IN" || a == "IN2" || a == "OUT") {
      full.push_back(s.path(a + ".bmp"));
    } else {
      full.push_back(a);
    }
  }
  Outcome outcome;
  outcome.result = run(tool, full);
  const std::string out = s.path("OUT.bmp");
  outcome.written = std::filesystem::exists(out);
  if (outcome.result.status == 0 && outcome.written) outcome.image = decode_bmp24(read_file(out));
  return outcome;
}

// One input image, then the run.
inline Outcome run_on(const std::string& tool, const Image& in,
                      const std::vector<std::string>& args) {
  Scratch s;
  write_file(s.path("IN.bmp"), encode_bmp24(in, 0x5a));
  return run_files(s, tool, args);
}

}  // namespace bmp::test
