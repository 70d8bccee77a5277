// Texts and helpers the defocus tools' command-line tests share: the lines
// every member prints, written out here as the tools must print them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {

// The family list and the warning that end every member's usage.
inline const std::string family_list_tail =
    "mist_even ------ 単ぼかし度でデフォーカス\n"
    "mist_turn ------ 多方向グラデーションデフォーカス起点終点折り返し指定(Flag2)(10以上)\n"
    "mist_slope ------ 多方向グラデーションデフォーカス起点終点折り返し指定(Flag2)(10以下)\n"
    "mist_vert ------ 縦方向グラデーションデフォーカス起点終点折り返し指定(Flag2)\n"
    "mist_horz ------ 横方向グラデーションデフォーカス起点終点折り返し指定(Flag2)\n"
    "mist_mask ------ フィルター画像によるボカシ率の指定\n"
    "\n"
    "WARNING for BMP FILE ONLY\n";

// The degree note before it, in all members but mist_slope.
inline const std::string family_usage_tail =
    "ぼかし度はデータサイズよりも小さい値にしてください。\n\n" + family_list_tail;

// mist_even and mist_mask: the banner with `title`, their command line and the
// edge-only flag table.
inline std::string edge_only_usage(const std::string& title, const std::string& command) {
  return banner(title) + "\n" + command +
         "\n"
         "--- Flag ---\n"
         "0 or no **** 上下左右相互不干渉\n"
         "else ********上下左右相互干渉\n"
         "\n" +
         family_usage_tail;
}

// mist_vert and mist_horz.
inline const std::string graded_usage =
    banner("GRADATION DEFOCUS UTILITY (BMP FILE VERSION) (X_size < 10000)\n") + "\n" +
    "COMMAND DATA(3-byte) OUTFILE(3-byte) defo1 defo2 (flag)\n"
    "COMMAND DATA(3-byte) OUTFILE(3-byte) defo1 defo2 flag start(%) end(%) Flag2\n"
    "\n"
    "--- Flag ---\n"
    "0 or no **** 上下左右相互不干渉\n"
    "else ********上下左右相互干渉\n"
    "--- Flag2 ---\n"
    "0 ---  one way\n"
    "1 ---  turn\n"
    "\n" +
    family_usage_tail;

inline const std::string degree_retry =
    "ぼかし度が大きすぎます。再入力してください。(ぼかし度 < SIZE)\n\nぼかし度 = ";
inline const std::string degree_start_over =
    "ぼかし度が大きすぎます。最初からやり直してください。(ぼかし度 < SIZE)\n";
inline const std::string row_too_wide = "サイズが大きすぎます。(X_size > 10000)\n";

inline std::string size_line(int width, int height) {
  return "X_size = " + std::to_string(width) + " Y_size = " + std::to_string(height) +
         " 1670万色\n";
}

// One pass's progress: a star for every row 0, 20, 40, ...
inline std::string stars(int rows) {
  return std::string(static_cast<size_t>((rows + 19) / 20), '*');
}

// "\n" and "This size is %4d x %4d\n".
inline std::string end_lines(int first, int second) {
  char line[64];
  std::snprintf(line, sizeof line, "\nThis size is %4d x %4d\n", first, second);
  return line;
}

inline std::string degree_out_of_range(const std::string& argument) {
  return "Blur degree out of range: " + argument + " !\n";
}

// A run of `tool` whose temporary folder cannot be made (TMPDIR names a
// folder that does not exist): it must end with temp0000's message on
// standard error, status 1, after printing `out`.
inline void expect_no_temp_file(const Scratch& s, const std::string& tool,
                                const std::vector<std::string>& args, const std::string& out) {
  ToolResult got = run(ToolCall{tool, args, "", {{"TMPDIR", s.path("missing-folder")}}});
  EXPECT_EQ(got.status, 1) << tool;
  EXPECT_EQ(got.out, out) << tool;
  EXPECT_EQ(got.err, "Can't open temp0000.bmp !\n") << tool;
}

struct Blurred {
  ToolResult result;
  Image image;  // the output, when the run succeeded
};

// Runs `tool` on `in` (its row ends holding junk) with `numbers` after the two
// file names and `input` on standard input; reads the output back after a
// success. No run may leave a temporary file behind.
inline Blurred run_blur(const std::string& tool, const Scratch& s, const Image& in,
                        const std::vector<std::string>& numbers, const std::string& input = "") {
  write_file(s.path("in.bmp"), encode_bmp24(in, 0xcc));
  std::vector<std::string> args{s.path("in.bmp"), s.path("out.bmp")};
  args.insert(args.end(), numbers.begin(), numbers.end());
  Blurred got{run_in(s, tool, args, input), {}};
  if (got.result.status == 0) got.image = decode_bmp24(read_file(s.path("out.bmp")));
  EXPECT_TRUE(s.tmp_entries().empty()) << tool << " left temporary files behind";
  return got;
}

}  // namespace bmp::test
