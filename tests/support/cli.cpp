#include "tests/support/cli.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace bmp::test {

std::string tool_path(const std::string& tool) { return std::string(BMP_TOOL_DIR) + "/" + tool; }

namespace {

void drain_pipes(int out_fd, int err_fd, int in_fd, const std::string& input, ToolResult& result) {
  size_t written = 0;
  if (input.empty()) {
    close(in_fd);
    in_fd = -1;
  }
  struct pollfd fds[3];
  while (out_fd >= 0 || err_fd >= 0 || in_fd >= 0) {
    int n = 0;
    int out_at = -1, err_at = -1, in_at = -1;
    if (out_fd >= 0) fds[out_at = n++] = {out_fd, POLLIN, 0};
    if (err_fd >= 0) fds[err_at = n++] = {err_fd, POLLIN, 0};
    if (in_fd >= 0) fds[in_at = n++] = {in_fd, POLLOUT, 0};
    if (poll(fds, n, -1) < 0) continue;
    char buffer[65536];
    auto pump = [&](int at, int& fd, std::string& into) {
      if (at < 0 || fds[at].revents == 0) return;
      ssize_t got = read(fd, buffer, sizeof buffer);
      if (got <= 0) {
        close(fd);
        fd = -1;
      } else {
        into.append(buffer, static_cast<size_t>(got));
      }
    };
    pump(out_at, out_fd, result.out);
    pump(err_at, err_fd, result.err);
    if (in_at >= 0 && fds[in_at].revents != 0) {
      ssize_t put = write(in_fd, input.data() + written, input.size() - written);
      if (put > 0) written += static_cast<size_t>(put);
      if (put <= 0 || written == input.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
  }
}

}  // namespace

ToolResult run(const ToolCall& call) {
  int out_pipe[2], err_pipe[2], in_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0 || pipe(in_pipe) != 0) {
    throw std::runtime_error("pipe");
  }
  std::string path = tool_path(call.tool);
  std::vector<std::string> argv_storage{call.tool};
  argv_storage.insert(argv_storage.end(), call.args.begin(), call.args.end());
  std::vector<char*> argv;
  for (auto& a : argv_storage) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) {
      close(fd);
    }
    for (const auto& [name, value] : call.env) {
      if (value.empty()) {
        unsetenv(name.c_str());
      } else {
        setenv(name.c_str(), value.c_str(), 1);
      }
    }
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  ToolResult result;
  drain_pipes(out_pipe[0], err_pipe[0], in_pipe[1], call.input, result);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

ToolResult run(const std::string& tool, const std::vector<std::string>& args,
               const std::string& input) {
  return run(ToolCall{tool, args, input, {}});
}

Scratch::Scratch() {
  std::string pattern = (std::filesystem::temp_directory_path() / "bmp-test.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  folder_ = pattern;
  std::filesystem::create_directory(folder_ / "tmp");
}

Scratch::~Scratch() {
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

std::vector<std::string> Scratch::tmp_entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_ / "tmp")) {
    names.push_back(entry.path().lexically_relative(folder_ / "tmp").string());
  }
  return names;
}

ToolResult run_in(const Scratch& scratch, const std::string& tool,
                  const std::vector<std::string>& args, const std::string& input) {
  return run(ToolCall{tool, args, input, {{"TMPDIR", scratch.tmpdir()}}});
}

std::string banner(const std::string& title) {
  return title +
         "Ver. 3.02\nLinux edition, C++20 build\nCopyright (C) 2026 the bmp tools developers\n";
}

}  // namespace bmp::test
