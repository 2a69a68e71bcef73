// Child processes on Windows: there is no fork to run a part of the test in
// a copy of itself, no root to drop and no file-size limit. The tests that
// need them skip on Windows before calling these; a call that still comes
// here fails loudly rather than passing unseen.
#include <stdexcept>

#include "tests/support/child_process.h"

namespace kestrel::testing {
namespace {

[[noreturn]] void NotOnWindows(const char* what) {
  throw std::runtime_error(std::string(what) + ": not available on Windows");
}

}  // namespace

int RunInChild(const std::function<int()>&) {
  NotOnWindows("RunInChild (fork)");
}

bool DropRootPrivileges() {
  NotOnWindows("DropRootPrivileges");
}

void LimitFileSize(std::uint64_t) {
  NotOnWindows("LimitFileSize");
}

bool LockFirstByte(const std::string&) {
  NotOnWindows("LockFirstByte (POSIX record lock)");
}

HoldingChild::HoldingChild(const std::function<bool()>&) {
  NotOnWindows("HoldingChild (fork)");
}

HoldingChild::~HoldingChild() = default;

void HoldingChild::End() {}

}  // namespace kestrel::testing
