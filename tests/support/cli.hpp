// Runs a built tool as its own process, the way a shell does, and collects
// what it printed and its exit status.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace bmp::test {

struct ToolResult {
  int status = -1;
  std::string out;
  std::string err;
};

struct ToolCall {
  std::string tool;                        // the executable's name in the build
  std::vector<std::string> args;           // the arguments after the program name
  std::string input;                       // fed to standard input
  std::map<std::string, std::string> env;  // set (or, with an empty value, unset) for the run
};

ToolResult run(const ToolCall& call);
ToolResult run(const std::string& tool, const std::vector<std::string>& args,
               const std::string& input = "");
std::string tool_path(const std::string& tool);

// A fresh folder for one test's files, removed when the test ends. TMPDIR of
// the runs points at its "tmp" folder, so temporary files can be watched.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  std::filesystem::path folder() const { return folder_; }
  std::string tmpdir() const { return (folder_ / "tmp").string(); }
  // The entries left in the tmp folder.
  std::vector<std::string> tmp_entries() const;

 private:
  std::filesystem::path folder_;
};

// Runs a tool with TMPDIR set to the scratch folder's tmp.
ToolResult run_in(const Scratch& scratch, const std::string& tool,
                  const std::vector<std::string>& args, const std::string& input = "");

// The usage banner every tool prints before its usage block.
std::string banner(const std::string& title);

}  // namespace bmp::test
