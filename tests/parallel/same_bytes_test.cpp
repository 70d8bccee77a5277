// The tools that share their rows among threads write the same bytes on one
// core as on all of them. A run's threads are as many as the cores it may
// use, so each tool runs once with the test's own cores and once pinned to
// one (the affinity passes to the child).
#include <gtest/gtest.h>
#include <sched.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

struct Case {
  std::string tool;
  std::vector<std::string> args;  // "IN", "IN4", "TALL", "BIG" and "OUT" stand for the files
};

// Large enough that every tool shares its rows out, small enough to be quick.
constexpr int width = 301;
constexpr int height = 203;

// The blurs share bands of a few hundred rows: TALL has several.
constexpr int tall_width = 64;
constexpr int tall_height = 700;

// The over-image tools pass their rows in runs of about 256 KiB: BIG has
// several.
constexpr int big_width = 1000;
constexpr int big_height = 700;

const std::vector<Case> cases = {
    {"mist_even", {"TALL", "OUT", "20"}},
    {"mist_even", {"TALL", "OUT", "40.5", "1"}},
    {"mist_vert", {"TALL", "OUT", "3", "40.25", "0", "20", "80", "1"}},
    {"mist_horz", {"TALL", "OUT", "2", "9.5", "1", "10", "90", "0"}},
    {"twirl", {"IN", "OUT", "30", "0", "1"}},
    {"twirl", {"IN", "OUT", "-73", "1", "10", "20", "30", "0"}},
    {"twirl", {"IN", "OUT", "200", "2", "1"}},
    {"twirl32", {"IN4", "OUT", "30", "0", "1"}},
    {"mist_turn", {"IN", "OUT", "30", "10", "10"}},
    {"mist_slope", {"IN", "OUT", "30", "10", "10"}},
    {"mist_mask", {"IN", "IN", "OUT", "10", "0"}},
    {"mist_slope", {"BIG", "OUT", "30", "10", "0"}},
    {"mist_slope", {"BIG", "OUT", "-120", "3.5", "0", "0", "20", "70", "1"}},
    {"mist_mask", {"BIG", "BIG", "OUT", "7.5", "0"}},
    {"quadflip", {"IN", "OUT", "1"}},
    {"quadflip", {"IN", "OUT", "5"}},
    {"quadflip", {"IN", "OUT", "7"}},
    {"resample", {"IN", "OUT", "900", "700"}},
    {"resample", {"IN", "OUT", "900", "700", "1"}},
    {"resample", {"IN", "OUT", "100", "70", "2"}},
    {"joggle", {"IN", "IN", "OUT", "10", "10", "1.5", "0"}},
    {"joggle", {"IN", "IN", "OUT", "10", "-7", "0.5", "2"}},
    {"annulus", {"IN", "OUT", "600", "600", "300", "100", "30", "2"}},
    {"disc", {"BIG", "OUT", "500", "350", "400", "300", "255", "0", "9", "40", "30", "30"}},
    {"disc", {"BIG", "OUT", "450", "300", "420", "330", "1", "2", "3", "60", "20", "10", "1"}},
    {"vignette", {"BIG", "OUT", "80", "60", "10", "20", "30"}},
    {"vignette", {"BIG", "OUT", "40", "60", "10", "20", "30", "25", "1"}},
    {"border", {"BIG", "OUT", "40", "25", "255", "255", "0"}},
    {"ripple_over", {"BIG", "OUT", "500", "350", "300", "10", "0", "1"}},
    {"ripple_over", {"BIG", "OUT", "300", "250", "400", "7", "30", "2", "0.7", "1"}},
    {"ripple_plain", {"OUT", "1000", "700", "500", "350", "300", "10", "0", "1", "1.0", "1"}},
    {"scatter", {"OUT", "900", "700", "5"}},
    {"scatter", {"OUT", "900", "700", "5", "200000"}},
    {"quilt", {"OUT", "900", "700", "255", "0", "0", "0", "0", "255", "13", "17"}},
    {"ramp", {"OUT", "900", "700", "255", "0", "0", "0", "0", "255", "30", "2"}},
    {"ramp_over",
     {"IN", "OUT", "200", "150", "20", "10", "255", "255", "0", "0", "0", "9", "45", "6", "10",
      "90", "30"}},
};

class Pinned {
 public:
  explicit Pinned(bool one_core) {
    sched_getaffinity(0, sizeof saved_, &saved_);
    if (one_core) {
      cpu_set_t one;
      CPU_ZERO(&one);
      for (int c = 0; c < CPU_SETSIZE; ++c) {
        if (CPU_ISSET(c, &saved_)) {
          CPU_SET(c, &one);
          break;
        }
      }
      sched_setaffinity(0, sizeof one, &one);
    }
  }
  ~Pinned() { sched_setaffinity(0, sizeof saved_, &saved_); }

 private:
  cpu_set_t saved_;
};

Bytes run_case(const Scratch& scratch, const Case& c, bool one_core, const std::string& out) {
  std::vector<std::string> args;
  const std::map<std::string, std::string> files = {{"IN", scratch.path("in.bmp")},
                                                    {"IN4", scratch.path("in4.bmp")},
                                                    {"TALL", scratch.path("tall.bmp")},
                                                    {"BIG", scratch.path("big.bmp")},
                                                    {"OUT", out}};
  for (const std::string& a : c.args) args.push_back(files.contains(a) ? files.at(a) : a);
  const Pinned pinned(one_core);
  const ToolResult result = run_in(scratch, c.tool, args);
  EXPECT_EQ(result.status, 0) << c.tool << result.out;
  return read_file(out);
}

TEST(SameBytesOnOneCoreAndMany, EveryThreadedTool) {
  const Scratch scratch;
  write_file(scratch.path("in.bmp"), encode_bmp24(make_image(width, height, [](int c, int r) {
               return Pixel{uint8_t(c * 7 + r), uint8_t(r * 3 ^ c), uint8_t(c * r)};
             })));
  write_file(scratch.path("in4.bmp"), encode_bmp4(make_image4(width, height, [](int c, int r) {
               return Pixel4{uint8_t(c + r), uint8_t(c * 5), uint8_t(r * 9), uint8_t(c ^ r)};
             })));
  write_file(scratch.path("tall.bmp"),
             encode_bmp24(make_image(tall_width, tall_height, [](int c, int r) {
               return Pixel{uint8_t(r * 5 + c), uint8_t(c * 11), uint8_t((r / 7) * 40 ^ c)};
             })));
  write_file(scratch.path("big.bmp"),
             encode_bmp24(make_image(big_width, big_height, [](int c, int r) {
               return Pixel{uint8_t(c * 3 + r * 5), uint8_t(c ^ r), uint8_t(r * 7 - c)};
             })));
  for (const Case& c : cases) {
    const Bytes many = run_case(scratch, c, false, scratch.path("many.bmp"));
    const Bytes one = run_case(scratch, c, true, scratch.path("one.bmp"));
    EXPECT_GT(many.size(), 54u) << c.tool;
    EXPECT_TRUE(many == one) << c.tool << " " << c.args[2];
  }
}

}  // namespace
}  // namespace bmp::test
