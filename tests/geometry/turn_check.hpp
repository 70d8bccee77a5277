// Runs twirl or twirl32 on an input and compares everything it printed and
// wrote with the reference model's result.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
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

// Every argument count in `wrong` (arguments after the name) prints the
// usage with status 1; a lone argument is refused without the banner.
inline void expect_usage_and_lone_refusal(const std::string& tool, const std::string& usage,
                                          std::initializer_list<int> wrong) {
  for (int count : wrong) {
    ToolResult got = run(tool, std::vector<std::string>(static_cast<size_t>(count), "0"));
    EXPECT_EQ(got.status, 1) << count;
    EXPECT_EQ(got.out, usage) << count;
  }
  ToolResult lone = run(tool, {"in.bmp"});
  EXPECT_EQ(lone.status, 1);
  EXPECT_EQ(lone.out, "Wrong paramater!\n");
}

// Runs `tool` on every input at the same time with the same numbers, each
// run its own process with its temporary files under the scratch folder;
// checks that each ends with status 0 and returns the outputs.
inline std::vector<Bytes> outputs_of_runs_at_once(const Scratch& s, const std::string& tool,
                                                  const std::vector<Bytes>& inputs,
                                                  const std::vector<std::string>& numbers) {
  std::vector<int> status(inputs.size(), -1);
  std::vector<std::thread> runs;
  for (size_t i = 0; i < inputs.size(); ++i) {
    std::string n = std::to_string(i);
    write_file(s.path("in" + n + ".bmp"), inputs[i]);
    std::vector<std::string> args{s.path("in" + n + ".bmp"), s.path("out" + n + ".bmp")};
    args.insert(args.end(), numbers.begin(), numbers.end());
    runs.emplace_back([&s, &tool, &status, i, args] { status[i] = run_in(s, tool, args).status; });
  }
  for (auto& t : runs) t.join();
  std::vector<Bytes> outputs;
  for (size_t i = 0; i < inputs.size(); ++i) {
    EXPECT_EQ(status[i], 0) << i;
    outputs.push_back(read_file(s.path("out" + std::to_string(i) + ".bmp")));
  }
  EXPECT_TRUE(s.tmp_entries().empty());
  return outputs;
}

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
