// The frame every tool runs in: the argument gate (usage path or lone-argument
// refusal), file opening with the tool's message variant, number parsing,
// progress and report lines, and the turning of a failure into its message
// and status 1. A tool describes its interface in one ToolSpec constant.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console.hpp"
#include "files.hpp"

namespace bmp {

// The last line of the usage path.
enum class Warning {
  for_bmp,      // "WARNING for BMP FILE ONLY\n"
  bmp,          // "WARNING BMP FILE ONLY\n"
  capital_for,  // "WARNING For BMP FILE ONLY\n"
  lower_case,   // "for BMP FILE Only\n"
};

// What a tool that refuses a lone argument prints instead of its usage.
enum class LoneArgument {
  none,                   // a lone argument takes the usage path
  wrong_paramater,        // "Wrong paramater!\n"
  blank_wrong_paramater,  // "\n" then "Wrong Paramater !\n"
  blank_warning,          // "\n" then "WARNING for BMP FILE ONLY", no line end
  warning,                // "WARNING for BMP FILE ONLY\n"
};

// The message for a file that cannot be opened.
enum class CantOpen {
  source_file,  // "\ncan't open source file %s\n"
  plain,        // "\ncan't open %s\n"
};

struct ToolSpec {
  std::string_view title;  // the banner's title line, with its line end
  // The block after the banner, up to the warning line, as pieces printed in
  // order (a family shares its common lines this way).
  std::span<const std::string_view> usage;
  Warning warning = Warning::for_bmp;
  std::span<const int> forms;  // the accepted argument counts (program name included)
  LoneArgument lone = LoneArgument::none;
  std::span<const int> lone_counts = {};  // the counts refused as "lone", usually {2}
};

inline constexpr std::string_view edition_line = "Linux edition, C++20 build\n";
inline constexpr std::string_view rights_line = "Copyright (C) 2026 the bmp tools developers\n";

// One run's arguments and console, handed to the tool's body.
class Run {
 public:
  Run(std::span<const std::string_view> args, Console& console) : args_(args), console_(console) {}
  int count() const { return static_cast<int>(args_.size()); }
  // Argument i, counting the program name as 0.
  std::string arg(int i) const { return std::string(args_[static_cast<size_t>(i)]); }
  Console& console() const { return console_; }

  // open_or_die: argument i opened for reading, or the failure message.
  std::unique_ptr<InputFile> open_input(int i, CantOpen variant) const;
  // Argument i created for writing (beside the target until commit).
  std::unique_ptr<OutputFile> create_output(int i, CantOpen variant) const;

 private:
  std::span<const std::string_view> args_;
  Console& console_;
};

using ToolBody = std::function<void(Run&)>;

// The whole run: gate, body, and the exit status (0, or 1 on any failure).
int run_tool(const ToolSpec& tool, std::span<const std::string_view> args, const ToolBody& body);

// The banner, the usage block and the warning line.
void print_usage(Console& console, const ToolSpec& tool);

// argv as the views run functions take.
std::vector<std::string_view> args_of(int argc, char** argv);

// Numbers: the C decimal conversions; text that is not a number reads as 0,
// and integers beyond the 32-bit range are clamped to it.
int arg_int(std::string_view text);
double arg_real(std::string_view text);
int arg_trunc(std::string_view text);

// Refuses a real that is NaN or infinite (or, for a product formed from
// arguments, one that overflowed), naming the argument it came from.
void require_finite(double value, std::string_view argument);
// Argument i (the program name being 0) as arg_real reads it, refused unless
// it is finite.
double finite_arg_real(const Run& run, int i);

// Progress and reports.
void report_progress(Console& console, int row);  // "[%04d]\r"
void star_progress(Console& console, int row);    // "*" on rows 0, 20, 40, ...
enum class YLine { plain, get };                  // "Y_LINE = %3d\r", "Y_LINE(get) = %3d\r"
void y_line_progress(Console& console, YLine form, int row);
enum class SizeReport { star, x };  // "This size is %4d * %4d\n", "... %4d x %4d\n"
void size_report(Console& console, SizeReport form, int width, int height);
void file_size_report(Console& console, long size);  // "FILESIZE  = %ldバイト\n"
enum class RandData { two_blanks, one_blank };       // "RAND DATA IS  %4d * %4d\r" or one blank
void rand_data_report(Console& console, RandData form, int width, int height);
// The code of the argument's first character minus 96 when its second is ':'.
int drive_number(std::string_view argument);
void print_drive_number(Console& console, int number);  // "DIRECTORY = %d\n"

}  // namespace bmp
