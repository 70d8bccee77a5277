// Plain models of stacking and joining, written from the row rules, and a
// runner that writes the inputs and reads the output back, for the four
// stacking and joining tools' tests.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/composite/composite_cli.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {

// A different picture for each input number.
inline Image numbered_image(int number, int width, int height) {
  return make_image(width, height, [number](int c, int r) {
    return Pixel{uint8_t(number * 16 + c), uint8_t(r * 9 + number), uint8_t(200 - c * 5 - r)};
  });
}

// Stacked: the last input at the bottom, each row `lead` fill pixels, the
// input's pixels, fill up to the widest width. Flag 0 left, 1 centre (an odd
// remainder to the right), 2 right.
inline Image stack_model(const std::vector<Image>& images, Pixel fill, int flag) {
  int width = 0, height = 0;
  for (const Image& image : images) {
    width = std::max(width, image.width);
    height += image.height;
  }
  Image out{width, height, {}};
  for (int i = static_cast<int>(images.size()) - 1; i >= 0; --i) {
    const Image& image = images[static_cast<size_t>(i)];
    int rest = width - image.width;
    int lead = flag == 0 ? 0 : flag == 1 ? rest / 2 : rest;
    for (int r = 0; r < image.height; ++r) {
      for (int c = 0; c < width; ++c) {
        bool inside = c >= lead && c < lead + image.width;
        out.pixels.push_back(inside ? image.at(c - lead, r) : fill);
      }
    }
  }
  return out;
}

// Joined: output row g (from the bottom) takes input i's next stored row when
// g >= H − Y[i] (flag 0, up), c <= g <= c + Y[i] − 1 with c = (H − Y[i]) / 2
// (flag 1), or g <= Y[i] − 1 (flag 2, down); else fill pixels.
inline Image join_model(const std::vector<Image>& images, Pixel fill, int flag) {
  int width = 0, height = 0;
  for (const Image& image : images) {
    width += image.width;
    height = std::max(height, image.height);
  }
  Image out{width, height, {}};
  for (int g = 0; g < height; ++g) {
    for (const Image& image : images) {
      int first = flag == 0 ? height - image.height : flag == 1 ? (height - image.height) / 2 : 0;
      bool has_row = g >= first && g <= first + image.height - 1;
      for (int c = 0; c < image.width; ++c) {
        out.pixels.push_back(has_row ? image.at(c, g - first) : fill);
      }
    }
  }
  return out;
}

struct Combined {
  ToolResult result;
  Bytes out;  // empty when no output was written
};

// Writes in0.bmp, in1.bmp, ... (row ends filled with junk) and runs `tool`
// on them with Outfile and the numbers after it.
inline Combined combine(const std::string& tool, const std::vector<Image>& images,
                        const std::vector<std::string>& numbers = {}) {
  Scratch s;
  std::vector<std::string> args;
  for (size_t i = 0; i < images.size(); ++i) {
    args.push_back(s.path("in" + std::to_string(i) + ".bmp"));
    write_file(args.back(), encode_bmp24(images[i], 0xee));
  }
  args.push_back(s.path("out.bmp"));
  args.insert(args.end(), numbers.begin(), numbers.end());
  Combined got{run(tool, args), {}};
  if (std::filesystem::exists(s.path("out.bmp"))) got.out = read_file(s.path("out.bmp"));
  return got;
}

inline std::string size_lines(const std::vector<Image>& images) {
  std::string text;
  for (size_t i = 0; i < images.size(); ++i) {
    text += "Infile[" + std::to_string(i) + "] X_size = " + std::to_string(images[i].width) +
            " Y_size = " + std::to_string(images[i].height) + " 1670万色\n";
  }
  return text;
}

// The lines after the size lines: drive number 0, and the size field of a
// width × height output, 54 + height × (3 × width + width mod 4).
inline std::string report_lines(int width, int height) {
  return "DIRECTORY = 0\nFILESIZE  = " + std::to_string(54 + height * (3 * width + width % 4)) +
         "バイト\n";
}

}  // namespace bmp::test
