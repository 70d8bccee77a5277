// Runs stopped by a signal at any instant, the way Ctrl-C or a script's kill
// stops them: the tools are started as their own processes and sent SIGTERM,
// SIGINT or SIGHUP at instants spread over the run and at the moment each
// watched path appears, is renamed or goes. After every run the Outfile's
// folder must hold what it held before (an old Outfile unchanged), or the
// finished output where the run had committed it, and TMPDIR must be empty.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.hpp"
#include "tests/support/cli.hpp"

extern char** environ;

namespace bmp::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Snapshot = std::map<std::string, Bytes>;

constexpr int stop_signals[] = {SIGTERM, SIGINT, SIGHUP};

Snapshot snapshot(const fs::path& folder) {
  Snapshot files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string name = entry.path().lexically_relative(folder).string();
    files[name] = entry.is_regular_file() ? read_file(entry.path().string()) : Bytes{};
  }
  return files;
}

// A tool started with TMPDIR set, standard streams on /dev/null and the stop
// signals at their default action (a test runner may have ignored SIGINT).
pid_t start(const std::string& tool, const std::vector<std::string>& args,
            const std::string& tmpdir) {
  std::vector<std::string> storage{tool};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_storage{"TMPDIR=" + tmpdir};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string_view(*e).substr(0, 7) != "TMPDIR=") env_storage.push_back(*e);
  }
  std::vector<char*> envp;
  for (std::string& e : env_storage) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int s : stop_signals) sigaddset(&defaults, s);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  std::string path = tool_path(tool);
  int error = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return error == 0 ? pid : -1;
}

// True once the child has ended; it is left to be reaped, so its pid cannot
// be reused before the signal is sent.
bool ended(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid;
}

// When a run is stopped: `delay` after its start, or at the `event`-th change
// (1 the first) in the watched folders.
struct Instant {
  Clock::duration delay{};
  int event = 0;
};

// Watches the Outfile's folder and TMPDIR, and every folder that appears in
// TMPDIR (the run's private one), for paths appearing, renamed in or going.
class Watch {
 public:
  explicit Watch(const std::vector<fs::path>& folders) : fd_(inotify_init1(IN_NONBLOCK)) {
    for (const fs::path& folder : folders) add(folder);
  }
  ~Watch() { close(fd_); }
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;

  // Waits for the n-th change, or for the child to end (false).
  bool wait_for(int n, pid_t child) {
    while (seen_ < n) {
      if (!read_pending(n)) {
        if (ended(child)) return false;
        pollfd ready{fd_, POLLIN, 0};
        poll(&ready, 1, 1);
      }
    }
    return true;
  }
  // Every change of a finished run.
  int count_all() {
    read_pending(1 << 30);
    return seen_;
  }

 private:
  static constexpr uint32_t changes = IN_CREATE | IN_MOVED_TO | IN_DELETE;
  void add(const fs::path& folder) {
    folders_[inotify_add_watch(fd_, folder.c_str(), changes)] = folder;
  }
  // Reads what is pending, stopping at the n-th change; false if nothing was.
  bool read_pending(int n) {
    alignas(inotify_event) char buffer[8192];
    ssize_t got = read(fd_, buffer, sizeof buffer);
    if (got <= 0) return false;
    for (char* at = buffer; at < buffer + got;) {
      auto* event = reinterpret_cast<inotify_event*>(at);
      at += sizeof(inotify_event) + event->len;
      if ((event->mask & changes) == 0) continue;
      ++seen_;
      if ((event->mask & (IN_CREATE | IN_ISDIR)) == (IN_CREATE | IN_ISDIR))
        add(folders_[event->wd] / event->name);
      if (seen_ >= n) break;
    }
    return true;
  }

  int fd_;
  int seen_ = 0;
  std::map<int, fs::path> folders_;
};

struct Case {
  std::string tool;
  std::map<std::string, Bytes> inputs;  // beside the Outfile
  std::vector<std::string> args;        // "out.bmp" and the input names resolved in the folder
};

class StoppedRun {
 public:
  explicit StoppedRun(const Case& c) : case_(c) {}

  // A run to the end: the finished output, the run's length and its changes.
  void measure() {
    prepare(false);
    Watch watch({folder(), tmpdir()});
    Clock::time_point begun = Clock::now();
    pid_t pid = start(case_.tool, args(), tmpdir().string());
    ASSERT_GT(pid, 0);
    watch.wait_for(INT_MAX, pid);  // follows the private folder as it appears
    int status = 0;
    waitpid(pid, &status, 0);
    length_ = Clock::now() - begun;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << case_.tool << " failed";
    changes_ = watch.count_all();
    finished_ = read_file((folder() / "out.bmp").string());
  }
  Clock::duration length() const { return length_; }
  int changes() const { return changes_; }

  // One run stopped at `when` by signal `s`; the description of what it left
  // that it should not have, or empty.
  std::string stop(const Instant& when, int s, bool old_outfile) {
    Snapshot before = prepare(old_outfile);
    Watch watch({folder(), tmpdir()});
    Clock::time_point begun = Clock::now();
    pid_t pid = start(case_.tool, args(), tmpdir().string());
    if (pid <= 0) return "not started";
    if (when.event > 0) {
      watch.wait_for(when.event, pid);
    } else {
      while (Clock::now() - begun < when.delay && !ended(pid)) {
      }
    }
    kill(pid, s);
    int status = 0;
    waitpid(pid, &status, 0);

    Snapshot after = snapshot(folder());
    Snapshot committed = before;
    committed["out.bmp"] = finished_;
    bool stopped = WIFSIGNALED(status) && WTERMSIG(status) == s;
    bool completed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::string left;
    if (!stopped && !completed) left += " ended with status " + std::to_string(status) + ";";
    if (after != committed && (completed || after != before)) {
      left += " Outfile's folder holds";
      for (const auto& [name, bytes] : after) {
        left += " " + name + (before.count(name) != 0 && before[name] != bytes ? "(changed)" : "");
      }
      left += ";";
    }
    for (const auto& entry : fs::recursive_directory_iterator(tmpdir()))
      left += " TMPDIR holds " + entry.path().lexically_relative(tmpdir()).string() + ";";
    return left;
  }

 private:
  fs::path folder() const { return scratch_.folder() / "run"; }
  fs::path tmpdir() const { return scratch_.folder() / "private-tmp"; }
  std::vector<std::string> args() const {
    std::vector<std::string> resolved;
    for (const std::string& a : case_.args) {
      resolved.push_back(a.ends_with(".bmp") ? (folder() / a).string() : a);
    }
    return resolved;
  }
  // A fresh Outfile folder (inputs, and an old Outfile if asked) and a fresh
  // private TMPDIR.
  Snapshot prepare(bool old_outfile) {
    std::error_code ec;
    fs::remove_all(folder(), ec);
    fs::remove_all(tmpdir(), ec);
    fs::create_directory(folder());
    fs::create_directory(tmpdir());
    for (const auto& [name, bytes] : case_.inputs) write_file((folder() / name).string(), bytes);
    if (old_outfile) write_file((folder() / "out.bmp").string(), Bytes{'o', 'l', 'd'});
    return snapshot(folder());
  }

  Case case_;
  Scratch scratch_;
  Bytes finished_;
  Clock::duration length_{};
  int changes_ = 0;
};

Bytes picture(int width, int height) {
  return encode_bmp24(make_image(width, height, [](int x, int y) {
    return Pixel{static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 5),
                 static_cast<uint8_t>(x ^ y)};
  }));
}

// One that streams, one with temporary files, one with two inputs.
const Case cases[] = {
    {"invert", {{"in.bmp", picture(64, 48)}}, {"in.bmp", "out.bmp"}},
    {"mist_turn", {{"in.bmp", picture(24, 20)}}, {"in.bmp", "out.bmp", "30", "1", "2"}},
    {"mist_mask",
     {{"filter.bmp", picture(24, 20)}, {"data.bmp", picture(20, 16)}},
     {"filter.bmp", "data.bmp", "out.bmp", "2", "0"}},
};

constexpr int timed_tries = 70;      // per tool, spread over the run's length
constexpr int tries_per_change = 4;  // per tool and change in the watched folders

TEST(StoppedRuns, LeaveNoUnfinishedOutputOrTemporaryFileAtAnyInstant) {
  int tried = 0;
  std::vector<std::string> leftovers;
  for (const Case& c : cases) {
    StoppedRun run(c);
    run.measure();
    if (HasFatalFailure()) return;
    std::vector<Instant> instants;
    for (int i = 0; i < timed_tries; ++i) instants.push_back({run.length() * i / timed_tries, 0});
    for (int n = 1; n <= run.changes(); ++n) {
      for (int k = 0; k < tries_per_change; ++k) instants.push_back({{}, n});
    }
    std::printf("%s: %zu stops, %d at the %d changes\n", c.tool.c_str(), instants.size(),
                run.changes() * tries_per_change, run.changes());
    for (size_t i = 0; i < instants.size(); ++i) {
      int s = stop_signals[i % 3];
      std::string left = run.stop(instants[i], s, i % 2 == 1);
      ++tried;
      if (!left.empty()) {
        leftovers.push_back(
            c.tool + " stopped by signal " + std::to_string(s) +
            (instants[i].event > 0
                 ? " at change " + std::to_string(instants[i].event)
                 : " after " +
                       std::to_string(
                           std::chrono::duration_cast<std::chrono::microseconds>(instants[i].delay)
                               .count()) +
                       " us") +
            ":" + left);
      }
    }
  }
  std::string listed;
  for (const std::string& l : leftovers) listed += l + "\n";
  EXPECT_TRUE(leftovers.empty()) << leftovers.size() << " of " << tried
                                 << " stopped runs left files:\n"
                                 << listed;
  std::printf("%d stopped runs, %zu left files\n", tried, leftovers.size());
}

}  // namespace
}  // namespace bmp::test
