#include "tool_frame.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <new>

#include "failure.hpp"
#include "formulas.hpp"
#include "messages.hpp"
#include "signal_cleanup.hpp"

namespace bmp {
namespace {

std::string_view warning_text(Warning warning) {
  switch (warning) {
    case Warning::bmp:
      return "WARNING BMP FILE ONLY\n";
    case Warning::capital_for:
      return "WARNING For BMP FILE ONLY\n";
    case Warning::lower_case:
      return "for BMP FILE Only\n";
    case Warning::for_bmp:
      break;
  }
  return "WARNING for BMP FILE ONLY\n";
}

std::string_view lone_text(LoneArgument lone) {
  switch (lone) {
    case LoneArgument::wrong_paramater:
      return "Wrong paramater!\n";
    case LoneArgument::blank_wrong_paramater:
      return "\nWrong Paramater !\n";
    case LoneArgument::blank_warning:
      return "\nWARNING for BMP FILE ONLY";
    case LoneArgument::warning:
      return "WARNING for BMP FILE ONLY\n";
    case LoneArgument::none:
      break;
  }
  return "";
}

bool contains(std::span<const int> counts, int count) {
  return std::find(counts.begin(), counts.end(), count) != counts.end();
}

const char* cant_open_format(CantOpen variant) {
  return variant == CantOpen::plain ? msg::cant_open : msg::cant_open_source_file;
}

}  // namespace

std::unique_ptr<InputFile> Run::open_input(int i, CantOpen variant) const {
  std::string name = arg(i);
  auto file = InputFile::open(name, name);
  if (!file) fail(Channel::out, cant_open_format(variant), name.c_str());
  return file;
}

std::unique_ptr<OutputFile> Run::create_output(int i, CantOpen variant) const {
  std::string name = arg(i);
  auto file = OutputFile::create(name, name);
  if (!file) fail(Channel::out, cant_open_format(variant), name.c_str());
  return file;
}

void print_usage(Console& console, const ToolSpec& tool) {
  console.write(tool.title);
  console.write("Ver. 3.02\n");
  console.write(edition_line);
  console.write(rights_line);
  // The block is text, not a format: a "%" in it prints as it stands.
  for (std::string_view piece : tool.usage) console.write(piece);
  console.write(warning_text(tool.warning));
}

int run_tool(const ToolSpec& tool, std::span<const std::string_view> args, const ToolBody& body) {
  std::setlocale(LC_CTYPE, "");
  // A closed pipe is a write error to report, not a silent death.
  std::signal(SIGPIPE, SIG_IGN);
  install_signal_cleanup();
  Console console;
  const int count = static_cast<int>(args.size());
  if (tool.lone != LoneArgument::none && contains(tool.lone_counts, count)) {
    console.write(lone_text(tool.lone));
    return 1;
  }
  if (!contains(tool.forms, count)) {
    print_usage(console, tool);
    return 1;
  }
  try {
    Run run(args, console);
    body(run);
    return 0;
  } catch (const ToolFailure& failure) {
    console.write_raw(failure.what(), failure.channel());
  } catch (const std::bad_alloc&) {
    console.print("Not enough memory !\n");
  }
  return 1;
}

std::vector<std::string_view> args_of(int argc, char** argv) {
  return std::vector<std::string_view>(argv, argv + argc);
}

int arg_int(std::string_view text) {
  std::string copy(text);
  long long value = std::strtoll(copy.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double arg_real(std::string_view text) {
  std::string copy(text);
  return std::strtod(copy.c_str(), nullptr);
}

int arg_trunc(std::string_view text) { return truncate_toward_zero(arg_real(text)); }

void require_finite(double value, std::string_view argument) {
  if (!std::isfinite(value)) {
    fail(Channel::out, msg::number_out_of_range, std::string(argument).c_str());
  }
}

double finite_arg_real(const Run& run, int i) {
  const double value = arg_real(run.arg(i));
  require_finite(value, run.arg(i));
  return value;
}

void report_progress(Console& console, int row) { console.progress("[%04d]\r", row); }

void star_progress(Console& console, int row) {
  if (row % 20 == 0) console.progress("*");
}

void y_line_progress(Console& console, YLine form, int row) {
  if (form == YLine::get) {
    console.progress("Y_LINE(get) = %3d\r", row);
  } else {
    console.progress("Y_LINE = %3d\r", row);
  }
}

void size_report(Console& console, SizeReport form, int width, int height) {
  if (form == SizeReport::star) {
    console.print("This size is %4d * %4d\n", width, height);
  } else {
    console.print("This size is %4d x %4d\n", width, height);
  }
}

void file_size_report(Console& console, long size) {
  console.print("FILESIZE  = %ldバイト\n", size);
}

void rand_data_report(Console& console, RandData form, int width, int height) {
  if (form == RandData::two_blanks) {
    console.progress("RAND DATA IS  %4d * %4d\r", width, height);
  } else {
    console.progress("RAND DATA IS %4d * %4d\r", width, height);
  }
}

int drive_number(std::string_view argument) {
  if (argument.size() >= 2 && argument[1] == ':') {
    return static_cast<unsigned char>(argument[0]) - 96;
  }
  return 0;
}

void print_drive_number(Console& console, int number) { console.print("DIRECTORY = %d\n", number); }

}  // namespace bmp
