#include "core/files.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <tuple>

#include "core/failure.hpp"
#include "core/signal_cleanup.hpp"
#include "core/temp_files.hpp"
#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

namespace bmp {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

std::vector<std::string> entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(OutputFile, BecomesTheTargetOnlyOnCommit) {
  test::Scratch scratch;
  std::string target = scratch.path("out.bmp");
  test::write_file(target, {1, 2, 3});
  {
    auto out = OutputFile::create(target, "out.bmp");
    ASSERT_TRUE(out);
    out->write(Bytes{9, 9});
    out->flush();
    EXPECT_EQ(test::read_file(target), (Bytes{1, 2, 3})) << "target untouched while writing";
  }
  EXPECT_EQ(test::read_file(target), (Bytes{1, 2, 3})) << "an abandoned output leaves it as it was";
  EXPECT_EQ(entries(scratch.folder()), (std::vector<std::string>{"out.bmp", "tmp"}));
  {
    auto out = OutputFile::create(target, "out.bmp");
    out->put(7);
    out->write(Bytes{8});
    out->commit();
  }
  EXPECT_EQ(test::read_file(target), (Bytes{7, 8}));
  EXPECT_EQ(entries(scratch.folder()), (std::vector<std::string>{"out.bmp", "tmp"}));
}

// An output that replaces a file has its writeback started piece by piece
// (every 16 MiB) while it is written; what lands is still every byte.
TEST(OutputFile, ALargeOutputOverAnOldFileLandsWhole) {
  test::Scratch scratch;
  std::string target = scratch.path("out.bmp");
  test::write_file(target, Bytes(1000, 1));
  Bytes bytes((size_t{50} << 20) + 5);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i % 251);
  auto out = OutputFile::create(target, "out.bmp");
  for (size_t at = 0; at < bytes.size(); at += 100000) {
    out->write(
        std::span<const uint8_t>(bytes).subspan(at, std::min<size_t>(100000, bytes.size() - at)));
  }
  out->commit();
  out.reset();
  EXPECT_TRUE(test::read_file(target) == bytes);
}

TEST(OutputFile, NewFileTakesTheUmaskModeAndAnOldOneKeepsItsMode) {
  test::Scratch scratch;
  std::string fresh = scratch.path("fresh.bmp");
  mode_t mask = umask(022);
  auto out = OutputFile::create(fresh, "fresh.bmp");
  out->commit();
  umask(mask);
  struct stat info {};
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);

  chmod(fresh.c_str(), 0640);
  out = OutputFile::create(fresh, "fresh.bmp");
  out->commit();
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(OutputFile, ALinkIsFollowedAndTheFileItNamesReplaced) {
  test::Scratch scratch;
  std::string real = scratch.path("real.bmp");
  std::string link = scratch.path("link.bmp");
  test::write_file(real, {1});
  fs::create_symlink(real, link);
  auto out = OutputFile::create(link, "link.bmp");
  out->write(Bytes{5, 6});
  out->commit();
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(test::read_file(real), (Bytes{5, 6}));
}

TEST(OutputFile, FailsToOpenInAMissingFolder) {
  test::Scratch scratch;
  EXPECT_FALSE(OutputFile::create(scratch.path("no/such/out.bmp"), "x"));
}

TEST(OutputFile, AFullDeviceIsAWriteFailure) {
  auto out = OutputFile::create("/dev/full", "/dev/full");
  ASSERT_TRUE(out);
  out->write(Bytes(100, 1));
  try {
    out->commit();
    FAIL() << "commit succeeded on /dev/full";
  } catch (const ToolFailure& failure) {
    EXPECT_STREQ(failure.what(), "Can't write /dev/full !\n");
  }
}

// The moves that outputs committed together make: each can be undone, leaving
// the target as it was and the new file where it was written.
TEST(Replacement, MovesOverTheTargetAndUndoesTheMoveByEitherMethod) {
  for (Replacement::Method method : {Replacement::Method::exchange, Replacement::Method::aside}) {
    for (bool earlier : {false, true}) {
      SCOPED_TRACE(testing::Message() << "aside " << (method == Replacement::Method::aside)
                                      << ", earlier file " << earlier);
      test::Scratch scratch;
      const std::string file = scratch.path(".new"), target = scratch.path("out.bmp");
      test::write_file(file, {1, 2});
      if (earlier) test::write_file(target, {9});
      Replacement move;
      ASSERT_TRUE(move.make(file, target, method));
      EXPECT_EQ(test::read_file(target), (Bytes{1, 2}));
      move.undo();
      EXPECT_EQ(test::read_file(file), (Bytes{1, 2}));
      if (earlier) {
        EXPECT_EQ(test::read_file(target), (Bytes{9}));
      } else {
        EXPECT_FALSE(fs::exists(target));
      }
      EXPECT_EQ(entries(scratch.folder()).size(), earlier ? 3u : 2u) << "nothing else left";

      ASSERT_TRUE(move.make(file, target, method));
      const int held = move.settle();
      EXPECT_EQ(held >= 0, earlier) << "the earlier file is held until closed";
      if (held >= 0) close(held);
      EXPECT_EQ(test::read_file(target), (Bytes{1, 2}));
      EXPECT_EQ(entries(scratch.folder()), (std::vector<std::string>{"out.bmp", "tmp"}));
    }
  }
}

TEST(Replacement, AFolderInTheWayIsRefusedAndNothingMoves) {
  for (Replacement::Method method : {Replacement::Method::exchange, Replacement::Method::aside}) {
    test::Scratch scratch;
    const std::string file = scratch.path(".new"), target = scratch.path("out.bmp");
    test::write_file(file, {1});
    fs::create_directory(target);
    Replacement move;
    EXPECT_FALSE(move.make(file, target, method));
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(test::read_file(file), (Bytes{1}));
  }
}

// What a folder holds: each file's bytes, and "folder" for a folder.
std::map<std::string, std::string> contents(const fs::path& folder) {
  std::map<std::string, std::string> held;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const Bytes bytes = entry.is_directory() ? Bytes{} : test::read_file(entry.path().string());
    held[entry.path().filename()] =
        entry.is_directory() ? "folder" : std::string(bytes.begin(), bytes.end());
  }
  return held;
}

// Outputs committed together: a failure of either, at its last write or at
// its move into place, leaves both targets as they were before the run.
TEST(OutputFile, OutputsCommittedTogetherTakeTheirPlacesAllOrNone) {
  enum class Fault { none, last_write, first_move, second_move };
  for (Fault fault : {Fault::none, Fault::last_write, Fault::first_move, Fault::second_move}) {
    for (bool earlier : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << "fault " << static_cast<int>(fault) << ", earlier files " << earlier);
      test::Scratch scratch;
      const std::string first = scratch.path("a.bmp"), second = scratch.path("b.bmp");
      std::map<std::string, std::string> expected{{"tmp", "folder"}};
      if (earlier) {
        test::write_file(first, {'1'});
        test::write_file(second, {'2'});
        expected["a.bmp"] = "1";
        expected["b.bmp"] = "2";
      }
      auto a = OutputFile::create(first, "a.bmp");
      auto b = OutputFile::create(fault == Fault::last_write ? "/dev/full" : second, "b.bmp");
      a->write(Bytes{'5'});
      b->write(Bytes{'6'});
      // A folder put where an output must go, after it was opened, makes its
      // rename fail.
      for (auto [blocked, path, name] : {std::tuple{Fault::first_move, first, "a.bmp"},
                                         std::tuple{Fault::second_move, second, "b.bmp"}}) {
        if (fault != blocked) continue;
        fs::remove(path);
        fs::create_directory(path);
        expected[name] = "folder";
      }
      const char* message = fault == Fault::first_move ? "Can't write a.bmp !\n"
                            : fault == Fault::none     ? ""
                                                       : "Can't write b.bmp !\n";
      try {
        OutputFile::commit_together({a.get(), b.get()});
        EXPECT_STREQ("", message);
      } catch (const ToolFailure& failure) {
        EXPECT_STREQ(failure.what(), message);
      }
      a.reset();
      b.reset();
      if (fault == Fault::none) expected = {{"tmp", "folder"}, {"a.bmp", "5"}, {"b.bmp", "6"}};
      EXPECT_EQ(contents(scratch.folder()), expected);
    }
  }
}

TEST(RowReader, DeliversEveryRowAcrossBlockBoundaries) {
  test::Scratch scratch;
  std::string path = scratch.path("rows");
  // Rows of 1000003 bytes: each block holds one row; 3 rows after a 7-byte head.
  const size_t row = 1000003;
  Bytes bytes(7 + 3 * row);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  test::write_file(path, bytes);
  auto file = InputFile::open(path, "rows");
  RowReader reader(*file, 7, row, 3);
  for (size_t r = 0; r < 3; ++r) {
    auto got = reader.next();
    ASSERT_EQ(got.size(), row);
    ASSERT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + 7 + r * row)) << r;
  }
  // Small rows, many per block.
  RowReader small(*file, 1, 5, 200000);
  for (size_t r = 0; r < 200000; ++r) {
    auto got = small.next();
    ASSERT_EQ(got[0], bytes[1 + 5 * r]) << r;
  }
}

TEST(InputFile, ReadingPastTheEndIsATruncatedFile) {
  test::Scratch scratch;
  std::string path = scratch.path("short");
  test::write_file(path, Bytes(10, 1));
  auto file = InputFile::open(path, "short");
  uint8_t buffer[4];
  EXPECT_NO_THROW(file->read_at(6, buffer));
  EXPECT_THROW(file->read_at(7, buffer), ToolFailure);
  EXPECT_EQ(file->bytes().size(), 10u);
  EXPECT_FALSE(InputFile::open(scratch.path("missing"), "missing"));
  EXPECT_FALSE(InputFile::open(scratch.folder().string(), "a folder"));
}

// Small files are mapped; from 2 MiB they are read whole onto huge pages
// (where the kernel has them), in pieces of 4 MiB on several threads, the
// third file here onto the pages the second left.
TEST(InputFile, TheWholeFileIsHeldAndReadsMinusOneOutsideIt) {
  for (size_t size : {size_t{70000}, (size_t{5} << 20) + 3, (size_t{5} << 20) - 4099}) {
    SCOPED_TRACE(size);
    test::Scratch scratch;
    std::string path = scratch.path("whole");
    Bytes bytes(size);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>((i + size) % 253);
    test::write_file(path, bytes);
    auto file = InputFile::open(path, "whole");
    auto held = file->bytes();
    EXPECT_TRUE(std::equal(held.begin(), held.end(), bytes.begin(), bytes.end()));
    EXPECT_EQ(file->bytes().data(), held.data()) << "made once";
    EXPECT_EQ(file->byte_at(size - 1), static_cast<int>((size - 1 + size) % 253));
    EXPECT_EQ(file->byte_at(size), -1);
    EXPECT_EQ(file->byte_at(UINT64_MAX), -1);
  }
}

TEST(InputFile, AFileCutShortBeforeItIsReadWholeIsATruncatedFile) {
  test::Scratch scratch;
  std::string path = scratch.path("cut");
  test::write_file(path, Bytes(size_t{9} << 20, 5));
  auto file = InputFile::open(path, "cut");
  ASSERT_EQ(truncate(path.c_str(), 1 << 20), 0);
  EXPECT_THROW(file->bytes(), ToolFailure);
}

TEST(InputFile, APipeIsReadWhole) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  ASSERT_EQ(write(fds[1], "BMxyz", 5), 5);
  close(fds[1]);
  auto file = InputFile::open("/dev/fd/" + std::to_string(fds[0]), "pipe");
  close(fds[0]);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->size(), 5u);
  auto bytes = file->bytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "BMxyz");
}

class TempChain : public testing::Test {
 protected:
  void SetUp() override {
    old_tmpdir_ = getenv("TMPDIR") ? getenv("TMPDIR") : "";
    setenv("TMPDIR", scratch_.tmpdir().c_str(), 1);
  }
  void TearDown() override {
    if (old_tmpdir_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", old_tmpdir_.c_str(), 1);
    }
  }
  test::Scratch scratch_;
  std::string old_tmpdir_;
};

TEST_F(TempChain, FilesLiveInAPrivateFolderThatGoesWithTheRun) {
  {
    TempFileChain chain;
    auto out = chain.create(0);
    out->write(Bytes{1, 2, 3});
    out->commit();
    EXPECT_EQ(chain.temp_bmp_path(0).filename(), "temp0000.bmp");
    EXPECT_EQ(chain.temp_bmp_path(0).parent_path().parent_path(), fs::path(scratch_.tmpdir()));
    auto in = chain.open(0);
    EXPECT_EQ(in->size(), 3u);
    EXPECT_EQ(scratch_.tmp_entries().size(), 2u);  // the folder and its file
  }
  EXPECT_TRUE(scratch_.tmp_entries().empty());
}

TEST_F(TempChain, EveryFileGoesAtTheEndOpenOrClosed) {
  {
    TempFileChain chain;
    std::unique_ptr<InputFile> still_open;
    for (int n = 0; n < 4; ++n) {
      auto out = chain.create(n);
      out->write(Bytes(size_t{1} << 20, static_cast<uint8_t>(n)));
      out->commit();
    }
    still_open = chain.open(2);
    EXPECT_EQ(scratch_.tmp_entries().size(), 5u);
    chain.delete_temp_files();
    EXPECT_TRUE(scratch_.tmp_entries().empty());
    EXPECT_EQ(still_open->byte_at(0), 2) << "an open file stays readable";
    chain.delete_temp_files();  // a second time does nothing
  }
  EXPECT_TRUE(scratch_.tmp_entries().empty());
}

TEST_F(TempChain, AFailedRunLeavesNothingBehind) {
  try {
    TempFileChain chain;
    chain.create(0)->commit();
    auto open = chain.create(1);  // left open, as at a failure in mid-pass
    open->write(Bytes(10, 0));
    chain.open(2);  // never written: fails
    FAIL() << "temp0002 opened";
  } catch (const ToolFailure& failure) {
    EXPECT_STREQ(failure.what(), "Can't open temp0002.bmp !\n");
    EXPECT_EQ(failure.channel(), Channel::err);
  }
  EXPECT_TRUE(scratch_.tmp_entries().empty());
}

TEST_F(TempChain, TwoChainsAtOnceKeepApart) {
  TempFileChain first, second;
  auto a = first.create(0);
  auto b = second.create(0);
  EXPECT_NE(first.temp_bmp_path(0), second.temp_bmp_path(0));
  a->write(Bytes{1});
  a->commit();
  b->write(Bytes{2, 2});
  b->commit();
  EXPECT_EQ(first.open(0)->size(), 1u);
  EXPECT_EQ(second.open(0)->size(), 2u);
  first.delete_temp_files();
  EXPECT_EQ(second.open(0)->size(), 2u);
}

TEST_F(TempChain, AnUnusableTemporaryFolderIsTheOpenMessage) {
  setenv("TMPDIR", scratch_.path("missing").c_str(), 1);
  TempFileChain chain;
  try {
    chain.create(3);
    FAIL();
  } catch (const ToolFailure& failure) {
    EXPECT_STREQ(failure.what(), "Can't open temp0003.bmp !\n");
  }
}

TEST_F(TempChain, ASignalRemovesUnfinishedOutputsAndTemporaryFiles) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    install_signal_cleanup();
    auto out = OutputFile::create(scratch_.path("out.bmp"), "out.bmp");
    out->write(Bytes(1000, 1));
    out->flush();
    TempFileChain chain;
    chain.create(0)->commit();
    auto second = chain.create(1);
    second->write(Bytes(10, 2));
    second->flush();
    raise(SIGTERM);
    _exit(0);  // not reached
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM)
      << "the signal still ends the run";
  EXPECT_EQ(entries(scratch_.folder()), (std::vector<std::string>{"tmp"}));
  EXPECT_TRUE(scratch_.tmp_entries().empty());
}

}  // namespace
}  // namespace bmp
