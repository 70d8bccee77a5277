// unmatte, run as its own process on 4-byte files the tests write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "tests/composite/composite_cli.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp::test {
namespace {

namespace fs = std::filesystem;

const std::string usage = banner("UNMATTE UTILITY (BMP FILE VERSION)\n") +
                          "\n"
                          "USAGE: Command Infile1(4-byte) Outfile1(3-byte) Outfile2(3-byte)\n"
                          "4-byte のファイルはすべて4で割れるためdmの操作はいらない！\n"
                          "\n"
                          "WARNING for BMP FILE ONLY\n";

Image4 pattern4(int width, int height) {
  return make_image4(width, height, [](int c, int r) {
    return Pixel4{uint8_t(c * 71 + r * 3), uint8_t(c * 13 + 1), uint8_t(r * 90), uint8_t(255 - c)};
  });
}

Image colour_of(const Image4& image) {
  return make_image(image.width, image.height, [&](int c, int r) {
    const Pixel4& p = image.at(c, r);
    return Pixel{p.b, p.g, p.r};
  });
}

Image alpha_of(const Image4& image) {
  return make_image(image.width, image.height, [&](int c, int r) {
    uint8_t a = image.at(c, r).a;
    return Pixel{a, a, a};
  });
}

TEST(Unmatte, AnyOtherArgumentCountPrintsTheUsage) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"a.bmp"}, {"a.bmp", "b.bmp"}, {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}}) {
    ToolResult got = run("unmatte", args);
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, usage);
  }
}

TEST(Unmatte, SplitsColourAndAlphaForWidthsZeroToFive) {
  for (int width = 0; width <= 5; ++width) {
    for (int height : {0, 3}) {
      Scratch s;
      Image4 image = pattern4(width, height);
      write_file(s.path("in.bmp"), encode_bmp4(image));
      ToolResult got = run("unmatte", {s.path("in.bmp"), s.path("c.bmp"), s.path("a.bmp")});
      ASSERT_EQ(got.status, 0) << got.out;
      EXPECT_EQ(got.out, infile_line(1, width, height) + "DIRECTORY = 0\n" + progress(height));
      EXPECT_EQ(read_file(s.path("c.bmp")), encode_bmp24(colour_of(image))) << width;
      EXPECT_EQ(read_file(s.path("a.bmp")), encode_bmp24(alpha_of(image))) << width;
    }
  }
}

TEST(Unmatte, FusionThenUnmatteGivesTheColourBackAndTheMasksGrey) {
  for (int width = 1; width <= 5; ++width) {
    Scratch s;
    Image colour = make_image(width, 2, [](int c, int r) {
      return Pixel{uint8_t(c * 40 + r), uint8_t(250 - c * 7), uint8_t(r * 120 + c)};
    });
    Image mask = make_image(width, 2, [](int c, int r) {
      uint8_t v = uint8_t(c * 63 + r * 128);
      return Pixel{v, v, v};
    });
    write_file(s.path("colour.bmp"), encode_bmp24(colour, 0x5a));
    write_file(s.path("mask.bmp"), encode_bmp24(mask, 0xa5));
    ASSERT_EQ(run("fusion", {s.path("colour.bmp"), s.path("mask.bmp"), s.path("four.bmp")}).status,
              0);
    ASSERT_EQ(run("unmatte", {s.path("four.bmp"), s.path("c.bmp"), s.path("a.bmp")}).status, 0);
    EXPECT_EQ(read_file(s.path("c.bmp")), encode_bmp24(colour)) << width;
    // A grey v weighs trunc(0.30 v) + trunc(0.59 v) + trunc(0.11 v).
    Image grey = make_image(width, 2, [&](int c, int r) {
      int v = mask.at(c, r).r;
      uint8_t g = uint8_t(int(v * 0.30) + int(v * 0.59) + int(v * 0.11));
      return Pixel{g, g, g};
    });
    EXPECT_EQ(read_file(s.path("a.bmp")), encode_bmp24(grey)) << width;
  }
}

TEST(Unmatte, TheDirectoryLineComesFromOutfile1) {
  Scratch s;
  DriveLetterPath colour("unmatte_colour.bmp");
  write_file(s.path("in.bmp"), encode_bmp4(pattern4(2, 2)));
  ToolResult got = run("unmatte", {s.path("in.bmp"), colour.path(), s.path("a.bmp")});
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.out, infile_line(1, 2, 2) + "DIRECTORY = 3\n" + progress(2));
  EXPECT_EQ(read_file(colour.path()), encode_bmp24(colour_of(pattern4(2, 2))));
}

TEST(Unmatte, OutfileMayNameTheInput) {
  Scratch s;
  Image4 image = pattern4(3, 2);
  write_file(s.path("in.bmp"), encode_bmp4(image));
  ASSERT_EQ(run("unmatte", {s.path("in.bmp"), s.path("in.bmp"), s.path("a.bmp")}).status, 0);
  EXPECT_EQ(read_file(s.path("in.bmp")), encode_bmp24(colour_of(image)));
  EXPECT_EQ(read_file(s.path("a.bmp")), encode_bmp24(alpha_of(image)));
}

// Refusals: the message, status 1, no output (an existing one keeps its bytes).
TEST(Unmatte, RefusalsLeaveNoOutput) {
  Bytes standard32 = encode_bmp4(pattern4(3, 2));
  put_le32(standard32, 10, 54);
  standard32.resize(54 + 24);  // a standard 32-bit file: pixels right after 54 bytes
  Bytes short_rows = encode_bmp4(pattern4(3, 2));
  short_rows.pop_back();
  struct Case {
    const char* title;
    Bytes in;
    std::vector<std::string> outs;  // Outfile1, Outfile2 names in the scratch folder
    std::string out;                // with IN and OUT standing for paths
  };
  const Case cases[] = {
      {"a 24-bit input",
       encode_bmp24(colour_of(pattern4(3, 2))),
       {"c.bmp", "a.bmp"},
       not_full_colour(1)},
      {"rows cut short", short_rows, {"c.bmp", "a.bmp"}, "Truncated file IN !\n"},
      {"a standard 32-bit file too short for 122 + 4 w h",
       standard32,
       {"c.bmp", "a.bmp"},
       "Truncated file IN !\n"},
      {"both outputs on one file",
       encode_bmp4(pattern4(3, 2)),
       {"c.bmp", "c.bmp"},
       "Two outputs on one file: OUT !\n"},
      {"both outputs on one file by two names",
       encode_bmp4(pattern4(3, 2)),
       {"c.bmp", "./c.bmp"},
       "Two outputs on one file: OUT !\n"},
  };
  for (const Case& c : cases) {
    Scratch s;
    write_file(s.path("in.bmp"), c.in);
    write_file(s.path("c.bmp"), {'o', 'l', 'd'});
    std::string out1 = s.path(c.outs[0]), out2 = s.path(c.outs[1]);
    ToolResult got = run("unmatte", {s.path("in.bmp"), out1, out2});
    std::string expected = c.out;
    if (auto at = expected.find("IN"); at != std::string::npos) {
      expected.replace(at, 2, s.path("in.bmp"));
    }
    if (auto at = expected.find("OUT"); at != std::string::npos) expected.replace(at, 3, out2);
    EXPECT_EQ(got.status, 1) << c.title;
    EXPECT_EQ(got.out, expected) << c.title;
    EXPECT_EQ(read_file(s.path("c.bmp")), (Bytes{'o', 'l', 'd'})) << c.title;
    EXPECT_FALSE(fs::exists(s.path("a.bmp"))) << c.title;
    EXPECT_EQ(std::distance(fs::directory_iterator(s.folder()), fs::directory_iterator()), 3)
        << c.title << ": only in.bmp, c.bmp and tmp remain";
  }
}

// ---- Both outputs or neither ------------------------------------------------

// Runs unmatte with its standard output on a pipe of one page that is not read
// until the run has filled it: the run is then held at a progress line, its
// outputs open, while `meanwhile` changes what lies around them.
ToolResult run_held_midway(const std::vector<std::string>& args,
                           const std::function<void()>& meanwhile) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe");
  const int capacity = fcntl(out[1], F_SETPIPE_SZ, 4096);
  std::vector<std::string> storage{"unmatte"};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string path = tool_path("unmatte");
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (int held = 0; held < capacity && std::chrono::steady_clock::now() < give_up;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ioctl(out[0], FIONREAD, &held);
  }
  meanwhile();
  ToolResult result;
  char buffer[4096];
  for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) {
    result.out.append(buffer, static_cast<size_t>(got));
  }
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

// What lies below a folder: "folder", "pipe", or a file's length and a hash
// of its bytes, by name.
std::map<std::string, std::string> contents(const fs::path& folder) {
  std::map<std::string, std::string> held;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string name = entry.path().lexically_relative(folder).string();
    if (entry.is_directory()) {
      held[name] = "folder";
    } else if (entry.is_fifo()) {
      held[name] = "pipe";
    } else {
      Bytes bytes = read_file(entry.path().string());
      held[name] =
          std::to_string(bytes.size()) + " bytes, hash " +
          std::to_string(std::hash<std::string>{}(std::string(bytes.begin(), bytes.end())));
    }
  }
  return held;
}

// A failure of either output, at a write, at the flush of its last rows or
// at its move into place, leaves Outfile1 and Outfile2 exactly as they were:
// absent where they were absent, unchanged where they existed.
TEST(Unmatte, AFailureOfEitherOutputLeavesBothAsTheyWere) {
  enum class Fault {
    full_device,  // Outfile2 is /dev/full
    closed_pipe,  // Outfile2 is a pipe whose reader stops after 10 bytes
    second_move,  // a folder takes Outfile2's place while the run goes on
    first_move,   // the same for Outfile1
  };
  struct Case {
    const char* title;
    Fault fault;
  };
  const Case cases[] = {
      {"Outfile2 on /dev/full", Fault::full_device},
      {"Outfile2 a pipe closed early", Fault::closed_pipe},
      {"Outfile2's rename fails", Fault::second_move},
      {"Outfile1's rename fails", Fault::first_move},
  };
  // 8 x 4000: the 28000 bytes of progress lines fill the held pipe.
  const Image4 image = pattern4(8, 4000);
  for (const Case& c : cases) {
    for (bool earlier : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.title << (earlier ? ", over earlier files" : ""));
      Scratch s;
      write_file(s.path("in.bmp"), encode_bmp4(image));
      std::string first = s.path("c.bmp"), second = s.path("a.bmp");
      if (c.fault == Fault::full_device) second = "/dev/full";
      if (c.fault == Fault::closed_pipe) {
        second = s.path("pipe");
        ASSERT_EQ(mkfifo(second.c_str(), 0600), 0);
      }
      if (earlier) {
        write_file(first, {'o', 'l', 'd'});
        if (second.starts_with(s.folder().string()) && c.fault != Fault::closed_pipe) {
          write_file(second, {'o', 'l', 'd', '2'});
        }
      }
      auto before = contents(s.folder());

      std::thread reader;
      if (c.fault == Fault::closed_pipe) {
        reader = std::thread([&] {
          int fd = open(second.c_str(), O_RDONLY);
          char ten[10];
          for (size_t got = 0; got < sizeof ten;) {
            ssize_t n = read(fd, ten + got, sizeof ten - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
          }
          close(fd);
        });
      }
      const std::string& blocked = c.fault == Fault::first_move ? first : second;
      ToolResult got = run_held_midway({s.path("in.bmp"), first, second}, [&] {
        if (c.fault != Fault::first_move && c.fault != Fault::second_move) return;
        fs::remove(blocked);
        fs::create_directory(blocked);
        before[fs::path(blocked).lexically_relative(s.folder()).string()] = "folder";
      });
      if (reader.joinable()) reader.join();

      EXPECT_EQ(got.status, 1);
      const std::string& failed = c.fault == Fault::first_move ? first : second;
      EXPECT_EQ(got.out, infile_line(1, 8, 4000) + "DIRECTORY = 0\n" + progress(4000) +
                             "Can't write " + failed + " !\n");
      EXPECT_EQ(contents(s.folder()), before);
    }
  }
}

// Outfile2 on a file system too small for it (64 KiB, for outputs of 96054
// bytes): its writes fail before either output is moved. The file system is
// mounted for the run alone, in mount and user namespaces of its own, so no
// privilege is needed; a shell there notes Outfile2's folder before and after.
TEST(Unmatte, Outfile2OnAFullFileSystemLeavesBothAsTheyWere) {
  const std::string script = R"(
    mount -t tmpfs -o size=64k tmpfs "$1/small" || exit 99
    [ "$2" = 1 ] && printf old2 > "$1/small/a.bmp"
    before=$(ls -A "$1/small"; cat "$1/small/a.bmp" 2>/dev/null)
    "$3" "$1/in.bmp" "$1/c.bmp" "$1/small/a.bmp" > "$1/out.txt"
    echo $? > "$1/status.txt"
    after=$(ls -A "$1/small"; cat "$1/small/a.bmp" 2>/dev/null)
    [ "$before" = "$after" ] && echo same > "$1/small.txt"
  )";
  for (bool earlier : {false, true}) {
    SCOPED_TRACE(earlier ? "over earlier files" : "no earlier files");
    Scratch s;
    fs::create_directory(s.path("small"));
    write_file(s.path("in.bmp"), encode_bmp4(pattern4(8, 4000)));
    if (earlier) write_file(s.path("c.bmp"), {'o', 'l', 'd'});
    const auto before = contents(s.folder());
    const std::string command = "unshare --user --map-root-user --mount sh -c '" + script +
                                "' sh " + s.folder().string() + (earlier ? " 1 " : " 0 ") +
                                tool_path("unmatte");
    ASSERT_EQ(std::system(command.c_str()), 0) << "a mount namespace with a small file system";
    auto text = [&](const std::string& name) {
      Bytes bytes = read_file(s.path(name));
      return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(text("status.txt"), "1\n");
    EXPECT_EQ(text("out.txt"), infile_line(1, 8, 4000) + "DIRECTORY = 0\n" + progress(4000) +
                                   "Can't write " + s.path("small/a.bmp") + " !\n");
    EXPECT_EQ(text("small.txt"), "same\n") << "Outfile2's folder as it was";
    for (const char* made : {"out.txt", "status.txt", "small.txt"}) fs::remove(s.path(made));
    EXPECT_EQ(contents(s.folder()), before) << "Outfile1 as it was, nothing left beside it";
  }
}

}  // namespace
}  // namespace bmp::test
