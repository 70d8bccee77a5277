// unmatte: a 4-byte file split into its 24-bit colour image and a 24-bit grey
// image of its alpha. One form: unmatte Infile1 Outfile1 Outfile2.
#include "composite/unmatte.hpp"

#include <filesystem>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/messages.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr int unmatte_forms[] = {4};
constexpr std::string_view unmatte_usage[] = {
    "\n",
    "USAGE: Command Infile1(4-byte) Outfile1(3-byte) Outfile2(3-byte)\n",
    "4-byte のファイルはすべて4で割れるためdmの操作はいらない！\n",
    "\n",
};

constexpr ToolSpec unmatte_spec{
    .title = "UNMATTE UTILITY (BMP FILE VERSION)\n",
    .usage = unmatte_usage,
    .warning = Warning::for_bmp,
    .forms = unmatte_forms,
};

// Two outputs on one file would leave only the one renamed last: refused.
void refuse_one_file_for_both(const std::string& first, const std::string& second) {
  namespace fs = std::filesystem;
  auto resolved = [](const std::string& name) {
    std::error_code ec;
    fs::path path = fs::weakly_canonical(fs::absolute(name), ec);
    return ec ? fs::absolute(name).lexically_normal() : path;
  };
  std::error_code ec;
  if (resolved(first) == resolved(second) || fs::equivalent(first, second, ec)) {
    fail(Channel::out, msg::same_output_file, second.c_str());
  }
}

// One stored row: alpha, red, green, blue in; blue, green, red on the colour
// row and the alpha three times on the grey row.
void split_row(std::span<const uint8_t> four_byte, std::span<uint8_t> colour,
               std::span<uint8_t> grey) {
  const size_t pixels = four_byte.size() / 4;
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* p = &four_byte[4 * i];
    colour[3 * i] = p[3];
    colour[3 * i + 1] = p[2];
    colour[3 * i + 2] = p[1];
    grey[3 * i] = grey[3 * i + 1] = grey[3 * i + 2] = p[0];
  }
}

void unmatte(Run& run) {
  auto in = run.open_input(1, CantOpen::source_file);
  auto colour_out = run.create_output(2, CantOpen::source_file);
  auto grey_out = run.create_output(3, CantOpen::source_file);
  refuse_one_file_for_both(run.arg(2), run.arg(3));

  ImageLayout image = read_bmp_header(
      *in, run.console(),
      HeaderCheck{.magic = false, .line = SizeLine::infile, .index = 1, .bit_count = 32});
  check_bmp24_size(image.width, image.height, colour_out->name());
  print_drive_number(run.console(), drive_number(run.arg(2)));
  write_bmp24_header(*colour_out, image.width, image.height);
  write_bmp24_header(*grey_out, image.width, image.height);

  RowReader rows(*in, static_cast<uint64_t>(image.data_offset),
                 static_cast<size_t>(image.row_bytes), image.height);
  for (int32_t r = 0; r < image.height; ++r) {
    std::span<const uint8_t> row = rows.next();
    split_row(row, next_row24(*colour_out, image.width), next_row24(*grey_out, image.width));
    report_progress(run.console(), r);
  }
  OutputFile::commit_together({colour_out.get(), grey_out.get()});
}

}  // namespace

int run_unmatte(std::span<const std::string_view> args) {
  return run_tool(unmatte_spec, args, unmatte);
}

}  // namespace bmp
