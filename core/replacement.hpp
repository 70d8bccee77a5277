// A finished file moved over its target so that the move can be undone: the
// target's earlier file is kept until the move is settled, and put back if it
// is undone. Outputs that must take their places together use it.
#pragma once

#include <filesystem>

namespace bmp {

class Replacement {
 public:
  // How the earlier file is kept: swapped with the new one in one step
  // (atomic; not every file system has it), or renamed aside first.
  enum class Method { exchange, aside };

  // Moves `file` over `target`. False, with errno set and nothing changed,
  // when it could not. An exchange the file system refuses is done aside.
  bool make(const std::filesystem::path& file, const std::filesystem::path& target,
            Method method = Method::exchange);
  // Puts the target back as it was; the new file is at `file` again.
  void undo();
  // Drops the earlier file. Returns a descriptor that still holds it (or -1):
  // closing it frees the file's storage, which can take a while.
  int settle();

 private:
  enum class State { none, created, exchanged, aside };
  State state_ = State::none;
  std::filesystem::path file_, target_, aside_;
};

}  // namespace bmp
