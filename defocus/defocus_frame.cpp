#include "defocus/defocus_frame.hpp"

#include <cmath>
#include <string>

#include "core/bmp_io.hpp"
#include "core/failure.hpp"
#include "core/messages.hpp"
#include "core/tool_frame.hpp"

namespace bmp {
namespace {

constexpr std::string_view degree_retry =
    "ぼかし度が大きすぎます。再入力してください。(ぼかし度 < SIZE)\n";
constexpr std::string_view degree_start_over =
    "ぼかし度が大きすぎます。最初からやり直してください。(ぼかし度 < SIZE)\n";
constexpr std::string_view degree_prompt = "ぼかし度 = ";
constexpr std::string_view row_too_wide = "サイズが大きすぎます。(X_size > 10000)\n";

bool fits(double degree, int32_t width, int32_t height, DegreeTest test) {
  if (test == DegreeTest::outer_radius) {
    int32_t outer = r_out(degree);
    return !(outer > height || outer > width);
  }
  return degree < width && degree < height;
}

}  // namespace

void check_degree_value(double degree, std::string_view argument) {
  check_degree_number(degree, argument);
  if (degree > max_blur_degree) {
    fail(Channel::out, msg::degree_out_of_range, std::string(argument).c_str());
  }
}

void check_degree_number(double degree, std::string_view argument) {
  if (!(degree >= 0.0) || std::isinf(degree)) {
    fail(Channel::out, msg::degree_out_of_range, std::string(argument).c_str());
  }
}

double check_blur_degree(double degree, int32_t width, int32_t height, Console& console,
                         DegreeTest test) {
  if (fits(degree, width, height, test)) return degree;
  console.write(degree_retry);
  console.write("\n");
  console.write(degree_prompt);
  if (std::optional<int> typed = console.read_int()) {
    degree = *typed;
    if (fits(degree, width, height, test)) {
      check_degree_value(degree, std::to_string(*typed));
      return degree;
    }
  }
  fail(degree_start_over);
}

void check_row_width(int32_t width) {
  if (width > MAX_ROW_PIXELS) fail(row_too_wide);
}

namespace {

// The two passes; after_first runs once temp0000 is written.
void blur_twice_then(const ImageRows& input, TempFileChain& temps, OutputFile& dest,
                     const BlurPass& pass, const std::function<void()>& after_first) {
  const int32_t width = input.width();
  const int32_t height = input.height();
  std::unique_ptr<OutputFile> first = temps.create(0);
  write_bmp24_header(*first, width, height);
  pass(input, *first);
  first->commit();
  after_first();
  std::unique_ptr<InputFile> reread = temps.open(0);
  ImageRows once_blurred(*reread, bmp24_layout(width, height));
  write_bmp24_header(dest, width, height);
  pass(once_blurred, dest);
}

}  // namespace

void blur_twice_through_temp(const ImageRows& input, TempFileChain& temps, OutputFile& dest,
                             const BlurPass& pass) {
  blur_twice_then(input, temps, dest, pass, [] {});
}

void blur_twice_through_temp(std::unique_ptr<InputFile> input, const ImageLayout& image,
                             TempFileChain& temps, OutputFile& dest, const BlurPass& pass) {
  blur_twice_then(ImageRows(*input, image), temps, dest, pass, [&] { input.reset(); });
}

void finish_blur_run(OutputFile& out, TempFileChain& temps, Console& console, int32_t first,
                     int32_t second) {
  out.commit();
  temps.delete_temp_files();
  console.write("\n");
  size_report(console, SizeReport::x, first, second);
}

}  // namespace bmp
