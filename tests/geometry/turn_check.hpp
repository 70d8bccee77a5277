// Runs twirl or twirl32 on an input and compares everything it printed and
// wrote with the reference model's result.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/geometry/rotation_reference.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {

struct TurnRun {
  std::string tool;
  Bytes input;                                          // the Infile's bytes
  std::vector<std::string> numbers;                     // the arguments after Infile and Outfile
  std::string size_line;                                // the input header's success line
  std::function<reference::Grid(const Bytes&)> decode;  // the output's pixels
};

inline std::string size_report_x(int width, int height) {
  char line[64];
  std::snprintf(line, sizeof line, "This size is %4d x %4d\n", width, height);
  return line;
}

// With no result wanted, the tool must refuse the input as too small to
// turn and leave no output behind. Temporary files are gone either way.
inline void expect_turn(const TurnRun& call, const std::optional<reference::TwirlResult>& want) {
  Scratch s;
  write_file(s.path("in.bmp"), call.input);
  std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
  args.insert(args.end(), call.numbers.begin(), call.numbers.end());
  ToolResult got = run_in(s, call.tool, args);
  EXPECT_TRUE(s.tmp_entries().empty());
  if (!want) {
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, call.size_line + "Image too small to turn: " + s.path("in.bmp") + " !\n");
    EXPECT_FALSE(std::filesystem::exists(s.path("out.bmp")));
    return;
  }
  ASSERT_EQ(got.status, 0) << got.out << got.err;
  EXPECT_EQ(got.out, call.size_line + "処理 " + reference::stars(want->window.r0, want->window.r1) +
                         "\n" + size_report_x(want->image.width, want->image.height));
  EXPECT_EQ(got.err, "");
  reference::Grid out = call.decode(read_file(s.path("out.bmp")));
  EXPECT_EQ(out.width, want->image.width);
  EXPECT_EQ(out.pixels, want->image.pixels);
}

}  // namespace bmp::test
