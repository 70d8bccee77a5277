#include "core/console.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace bmp {
namespace {

// Reads what the terminal shows within `wait`.
std::string read_terminal(int master, std::chrono::milliseconds wait) {
  std::string seen;
  auto until = std::chrono::steady_clock::now() + wait;
  while (std::chrono::steady_clock::now() < until) {
    struct pollfd fd = {master, POLLIN, 0};
    if (poll(&fd, 1, 10) > 0) {
      char buffer[256];
      ssize_t n = read(master, buffer, sizeof buffer);
      if (n <= 0) break;
      seen.append(buffer, static_cast<size_t>(n));
    }
  }
  return seen;
}

TEST(Console, ProgressShowsOnATerminalWhileTheRunGoesOn) {
  int master = -1;
  pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    Console console;
    console.print("X_size = 1\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    console.progress("[%04d]\r", 0);
    // Still running: what was printed must already be on the terminal.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    _exit(0);
  }
  std::string seen = read_terminal(master, std::chrono::milliseconds(1000));
  EXPECT_NE(seen.find("X_size = 1"), std::string::npos) << seen;
  EXPECT_NE(seen.find("[0000]\r"), std::string::npos) << seen;
  int status = 0;
  waitpid(child, &status, 0);
  close(master);
}

}  // namespace
}  // namespace bmp
