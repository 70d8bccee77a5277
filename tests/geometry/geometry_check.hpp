// Small helpers the tests of quadflip, resample, snip, joggle and annulus
// share: random pictures, the expected progress text and one-call runs.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {

inline Image random_image(int width, int height, uint32_t seed) {
  std::mt19937 gen(seed);
  return make_image(width, height, [&](int, int) {
    return Pixel{uint8_t(gen()), uint8_t(gen()), uint8_t(gen())};
  });
}

inline std::string plain_size_line(int width, int height) {
  return "X_size = " + std::to_string(width) + " Y_size = " + std::to_string(height) +
         " 1670万色\n";
}

// `format` printed with first, first + 1, ..., first + count - 1.
inline std::string progress_lines(const char* format, int first, int count) {
  std::string text;
  char line[64];
  for (int i = first; i < first + count; ++i) {
    std::snprintf(line, sizeof line, format, i);
    text += line;
  }
  return text;
}

// Every argument count in `wrong` (arguments after the name) prints `usage`
// with status 1.
inline void expect_usage(const std::string& tool, const std::string& usage,
                         std::initializer_list<int> wrong) {
  for (int count : wrong) {
    ToolResult got = run(tool, std::vector<std::string>(static_cast<size_t>(count), "0"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
}

// One run on input files written from `inputs`, the output named out.bmp
// after them; the arguments are the input paths, out.bmp, then `numbers`.
struct GeometryRun {
  ToolResult result;
  bool has_output = false;
  Bytes output;
  std::vector<std::string> paths;  // the inputs', then the output's
};

inline GeometryRun run_on(const std::string& tool, const std::vector<Bytes>& inputs,
                          const std::vector<std::string>& numbers) {
  Scratch s;
  std::vector<std::string> args;
  for (size_t i = 0; i < inputs.size(); ++i) {
    args.push_back(s.path("in" + std::to_string(i) + ".bmp"));
    write_file(args.back(), inputs[i]);
  }
  args.push_back(s.path("out.bmp"));
  args.insert(args.end(), numbers.begin(), numbers.end());
  GeometryRun got;
  got.result = run(tool, args);
  got.paths.assign(args.begin(), args.begin() + static_cast<long>(inputs.size() + 1));
  got.has_output = std::filesystem::exists(s.path("out.bmp"));
  if (got.has_output) got.output = read_file(s.path("out.bmp"));
  return got;
}

}  // namespace bmp::test
