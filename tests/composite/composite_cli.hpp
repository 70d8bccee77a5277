// What the compositing tools' tests share: the console lines they expect and
// a file named with a drive letter for the "DIRECTORY" line.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace bmp::test {

inline std::string progress(int rows) {
  std::string text;
  char line[16];
  for (int r = 0; r < rows; ++r) {
    std::snprintf(line, sizeof line, "[%04d]\r", r);
    text += line;
  }
  return text;
}

inline std::string infile_line(int index, int width, int height) {
  return "Infile" + std::to_string(index) + " X_size = " + std::to_string(width) +
         " Y_size = " + std::to_string(height) + " 1670万色\n";
}

inline std::string not_full_colour(int index) {
  return "このファイルは1670万色タイプではありません。(Infile" + std::to_string(index) + ")\n";
}

// A relative path "c:<name>" in the working folder, removed at the end: an
// argument whose second character is a colon.
class DriveLetterPath {
 public:
  explicit DriveLetterPath(const std::string& name)
      : path_("c:" + name + "_" + std::to_string(::getpid())) {}
  ~DriveLetterPath() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace bmp::test
