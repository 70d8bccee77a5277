// What the six defocus tools share: the edge policy, the whole radii of a
// real blur degree, the degree check with its one re-entry prompt, the row
// width check, and the pieces of their usage blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "core/console.hpp"
#include "core/files.hpp"
#include "core/formulas.hpp"
#include "core/image_rows.hpp"
#include "core/temp_files.hpp"

namespace bmp {

// The tools' edge flag: 0 clamps to the edge, any other value wraps around.
enum class EdgeMode { clamp, wrap };
constexpr EdgeMode edge_mode_of(int flag) { return flag == 0 ? EdgeMode::clamp : EdgeMode::wrap; }

// Maps index i of a row or column of n >= 1 entries into 0..n-1. Clamp
// repeats the edge entry; wrap continues on the opposite side, going round as
// often as the index needs (within -n..2n-1 that is the single fold).
constexpr int64_t map_edge_index(int64_t i, int64_t n, EdgeMode mode) {
  if (mode == EdgeMode::clamp) return i >= n ? n - 1 : (i < 0 ? 0 : i);
  int64_t folded = i % n;
  return folded < 0 ? folded + n : folded;
}

// The two whole radii that bracket a degree d: trunc(d + 1) and trunc(d).
constexpr int32_t r_out(double degree) { return truncate_toward_zero(degree + 1.0); }
constexpr int32_t r_in(double degree) { return truncate_toward_zero(degree); }

// Degrees from 0 up to this bound are accepted; the box sums stay exact in
// 64-bit integers for every radius below it.
inline constexpr double max_blur_degree = 16777216.0;

// Refuses a degree that is negative, NaN, infinite or beyond max_blur_degree,
// naming the argument as it was given.
void check_degree_value(double degree, std::string_view argument);
// Refuses only a degree that is negative, NaN or infinite, with the same
// message: for a degree that check_blur_degree tests next, where a finite
// degree too large for the image takes the prompt instead.
void check_degree_number(double degree, std::string_view argument);

// How a tool compares its degree with the image size.
enum class DegreeTest {
  below_size,    // the degree must be smaller than the width and the height
  outer_radius,  // r_out must not exceed the width or the height (mist_even)
};

// The degree check: a degree too large for the image takes one prompt for a
// whole degree on standard input; still too large (or nothing readable) ends
// the run with the start-over message. Returns the degree to use.
double check_blur_degree(double degree, int32_t width, int32_t height, Console& console,
                         DegreeTest test = DegreeTest::below_size);

// "サイズが大きすぎます。(X_size > 10000)" for a row longer than MAX_ROW_PIXELS.
void check_row_width(int32_t width);

// One blur pass from an image's rows into an output whose header is written.
using BlurPass = std::function<void(const ImageRows& source, OutputFile& dest)>;

// The two passes of the tools that blur through temp0000: `pass` from the
// input into temp0000, then from temp0000 into `dest`, each after its 24-bit
// header (the input's size). temp0000's header is not read back.
void blur_twice_through_temp(const ImageRows& input, TempFileChain& temps, OutputFile& dest,
                             const BlurPass& pass);
// The same from an input file, closed once the first pass has read it (the
// second pass's reading takes its memory).
void blur_twice_through_temp(std::unique_ptr<InputFile> input, const ImageLayout& image,
                             TempFileChain& temps, OutputFile& dest, const BlurPass& pass);

// The normal end of mist_even, mist_vert, mist_horz and mist_mask: the output
// closed into place, the temporary files deleted, then "\n" and
// "This size is %4d x %4d\n" with the two sizes given.
void finish_blur_run(OutputFile& out, TempFileChain& temps, Console& console, int32_t first,
                     int32_t second);

// Usage pieces.
inline constexpr std::string_view defocus_family_list =
    "mist_even ------ 単ぼかし度でデフォーカス\n"
    "mist_turn ------ 多方向グラデーションデフォーカス起点終点折り返し指定(Flag2)(10以上)\n"
    "mist_slope ------ 多方向グラデーションデフォーカス起点終点折り返し指定(Flag2)(10以下)\n"
    "mist_vert ------ 縦方向グラデーションデフォーカス起点終点折り返し指定(Flag2)\n"
    "mist_horz ------ 横方向グラデーションデフォーカス起点終点折り返し指定(Flag2)\n"
    "mist_mask ------ フィルター画像によるボカシ率の指定\n";

inline constexpr std::string_view flag_table_combined =
    "--- Flag ---\t\t\t\t--- Flag2 ---\n"
    "0 or no **** 上下左右相互不干渉\t\t0 ---  one way\n"
    "else ********上下左右相互干渉\t\t1 ---  turn\n";

inline constexpr std::string_view flag_table_separate =
    "--- Flag ---\n"
    "0 or no **** 上下左右相互不干渉\n"
    "else ********上下左右相互干渉\n"
    "--- Flag2 ---\n"
    "0 ---  one way\n"
    "1 ---  turn\n";

inline constexpr std::string_view flag_table_edge_only =
    "--- Flag ---\n"
    "0 or no **** 上下左右相互不干渉\n"
    "else ********上下左右相互干渉\n";

inline constexpr std::string_view degree_note =
    "ぼかし度はデータサイズよりも小さい値にしてください。\n";

}  // namespace bmp
