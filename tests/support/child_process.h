// Child processes for tests that need a second process, a lower privilege or
// a file-size limit without touching the test process itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestrel::testing {

// Runs `body` in a forked child and returns its result as the child's exit
// code (128 + signal number when the child was killed).
int RunInChild(const std::function<int()>& body);

// In a child: gives up root privileges (becomes "nobody"). False when the
// process still runs as root afterwards.
bool DropRootPrivileges();

// In a child: limits the size of files the process may write to `bytes`;
// a write past it stores what fits, or fails, instead of killing the process.
void LimitFileSize(std::uint64_t bytes);

// In a child: locks the first byte of a file as other FidoNet software does
// while it changes a message base (a POSIX record lock, taken directly, not
// through the platform layer and its sharing classes). The lock lasts as long
// as the process.
bool LockFirstByte(const std::string& path);

// A child that runs `setup` (opening a file, say), reports its result and then
// holds everything it has open until End() or destruction.
class HoldingChild {
 public:
  explicit HoldingChild(const std::function<bool()>& setup);
  ~HoldingChild();
  HoldingChild(const HoldingChild&) = delete;
  HoldingChild& operator=(const HoldingChild&) = delete;

  // What `setup` returned in the child.
  bool succeeded() const { return succeeded_; }
  // Lets the child end and waits for it.
  void End();

 private:
  int pid_ = -1;
  int finish_fd_ = -1;
  bool succeeded_ = false;
};

}  // namespace kestrel::testing
