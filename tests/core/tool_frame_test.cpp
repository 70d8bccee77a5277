#include "core/tool_frame.hpp"

#include <gtest/gtest.h>

#include <climits>

#include "core/failure.hpp"
#include "tests/support/cli.hpp"

namespace bmp {
namespace {

TEST(Arguments, DecimalConversionsNeverFail) {
  struct Case {
    const char* text;
    int as_int;
    double as_real;
    int as_trunc;
  };
  const Case cases[] = {
      {"12", 12, 12.0, 12},
      {"  -7", -7, -7.0, -7},
      {"abc", 0, 0.0, 0},
      {"12abc", 12, 12.0, 12},
      {"2.9", 2, 2.9, 2},
      {"-2.9", -2, -2.9, -2},
      {"+3", 3, 3.0, 3},
      {"", 0, 0.0, 0},
      {"99999999999", INT_MAX, 99999999999.0, INT_MAX},
      {"-99999999999", INT_MIN, -99999999999.0, INT_MIN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(arg_int(c.text), c.as_int) << c.text;
    EXPECT_DOUBLE_EQ(arg_real(c.text), c.as_real) << c.text;
    EXPECT_EQ(arg_trunc(c.text), c.as_trunc) << c.text;
  }
}

TEST(Arguments, DriveNumber) {
  EXPECT_EQ(drive_number("c:\\out.bmp"), 3);
  EXPECT_EQ(drive_number("C:\\out.bmp"), -29);
  EXPECT_EQ(drive_number("out.bmp"), 0);
  EXPECT_EQ(drive_number("c"), 0);
  EXPECT_EQ(drive_number(""), 0);
}

constexpr int two_forms[] = {3, 5};
constexpr int lone_two[] = {2};
constexpr std::string_view demo_usage[] = {"\n", "USAGE: Command a b (%)\n", "\n"};

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome run_demo(const ToolSpec& demo_tool, std::vector<std::string_view> args,
                 const ToolBody& body) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  int status = run_tool(demo_tool, args, body);
  std::string out = testing::internal::GetCapturedStdout();
  return {status, out, testing::internal::GetCapturedStderr()};
}

ToolSpec demo_with(Warning warning, LoneArgument lone) {
  return ToolSpec{.title = "DEMO UTILITY (BMP FILE VERSION)\n",
                  .usage = demo_usage,
                  .warning = warning,
                  .forms = two_forms,
                  .lone = lone,
                  .lone_counts = lone_two};
}

TEST(Frame, AWrongCountPrintsBannerUsageAndWarningWithStatusOne) {
  const std::pair<Warning, std::string> warnings[] = {
      {Warning::for_bmp, "WARNING for BMP FILE ONLY\n"},
      {Warning::bmp, "WARNING BMP FILE ONLY\n"},
      {Warning::capital_for, "WARNING For BMP FILE ONLY\n"},
      {Warning::lower_case, "for BMP FILE Only\n"},
  };
  for (const auto& [warning, line] : warnings) {
    bool ran = false;
    Outcome got = run_demo(demo_with(warning, LoneArgument::none), {"demo", "a", "b", "c"},
                           [&](bmp::Run&) { ran = true; });
    EXPECT_EQ(got.status, 1);
    EXPECT_FALSE(ran);
    EXPECT_EQ(got.out, test::banner("DEMO UTILITY (BMP FILE VERSION)\n") +
                           "\nUSAGE: Command a b (%)\n\n" + line);
  }
}

TEST(Frame, LoneArgumentRefusalsPrintNoBanner) {
  const std::pair<LoneArgument, std::string> variants[] = {
      {LoneArgument::wrong_paramater, "Wrong paramater!\n"},
      {LoneArgument::blank_wrong_paramater, "\nWrong Paramater !\n"},
      {LoneArgument::blank_warning, "\nWARNING for BMP FILE ONLY"},
      {LoneArgument::warning, "WARNING for BMP FILE ONLY\n"},
  };
  for (const auto& [lone, text] : variants) {
    Outcome got = run_demo(demo_with(Warning::for_bmp, lone), {"demo", "a"}, [](bmp::Run&) {});
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, text);
  }
  // Without a refusal the lone argument takes the usage path.
  Outcome usage =
      run_demo(demo_with(Warning::for_bmp, LoneArgument::none), {"demo", "a"}, [](bmp::Run&) {});
  EXPECT_EQ(usage.status, 1);
  EXPECT_EQ(usage.out.rfind(test::banner("DEMO UTILITY (BMP FILE VERSION)\n"), 0), 0u);
}

TEST(Frame, AFailureIsItsMessageOnItsChannelAndStatusOne) {
  ToolSpec demo_tool = demo_with(Warning::for_bmp, LoneArgument::none);
  Outcome out = run_demo(demo_tool, {"demo", "a", "b"}, [](bmp::Run& run) {
    run.console().print("before\n");
    fail(Channel::out, "Wrong Format !\n");
  });
  EXPECT_EQ(out.status, 1);
  EXPECT_EQ(out.out, "before\nWrong Format !\n");
  Outcome err = run_demo(demo_tool, {"demo", "a", "b", "c", "d"},
                         [](bmp::Run&) { fail(Channel::err, "Can't open temp%04d.bmp !\n", 2); });
  EXPECT_EQ(err.status, 1);
  EXPECT_EQ(err.out, "");
  EXPECT_EQ(err.err, "Can't open temp0002.bmp !\n");
  Outcome ok =
      run_demo(demo_tool, {"demo", "a", "b"}, [](bmp::Run& run) { EXPECT_EQ(run.count(), 3); });
  EXPECT_EQ(ok.status, 0);
}

TEST(Frame, CantOpenMessagesNameTheArgument) {
  ToolSpec demo_tool = demo_with(Warning::for_bmp, LoneArgument::none);
  Outcome source = run_demo(demo_tool, {"demo", "/no/such.bmp", "b"},
                            [](bmp::Run& run) { run.open_input(1, CantOpen::source_file); });
  EXPECT_EQ(source.out, "\ncan't open source file /no/such.bmp\n");
  Outcome plain = run_demo(demo_tool, {"demo", "a", "/no/such/dir/out.bmp"},
                           [](bmp::Run& run) { run.create_output(2, CantOpen::plain); });
  EXPECT_EQ(plain.out, "\ncan't open /no/such/dir/out.bmp\n");
  EXPECT_EQ(plain.status, 1);
}

TEST(Frame, ProgressAndReportLines) {
  ToolSpec demo_tool = demo_with(Warning::for_bmp, LoneArgument::none);
  Outcome got = run_demo(demo_tool, {"demo", "a", "b"}, [](bmp::Run& run) {
    Console& c = run.console();
    report_progress(c, 7);
    for (int row = 0; row < 41; ++row) star_progress(c, row);
    y_line_progress(c, YLine::plain, 5);
    y_line_progress(c, YLine::get, 12);
    size_report(c, SizeReport::star, 640, 48);
    size_report(c, SizeReport::x, 12345, 1);
    file_size_report(c, 70);
    rand_data_report(c, RandData::two_blanks, 3, 4);
    rand_data_report(c, RandData::one_blank, 3, 4);
    print_drive_number(c, drive_number("c:x"));
  });
  EXPECT_EQ(got.out,
            "[0007]\r***Y_LINE =   5\rY_LINE(get) =  12\r"
            "This size is  640 *   48\nThis size is 12345 x    1\n"
            "FILESIZE  = 70バイト\n"
            "RAND DATA IS     3 *    4\rRAND DATA IS    3 *    4\r"
            "DIRECTORY = 3\n");
}

}  // namespace
}  // namespace bmp
