// The interrupt notes: a signal only leaves its name, the first one counts,
// and the process goes on (each case runs in a child of its own, since the
// handlers stay installed for the rest of a process).
#include <gtest/gtest.h>

#include <csignal>
#include <string_view>

#include "platform/signals.h"
#include "tests/support/child_process.h"

namespace kestrel::platform {
namespace {

#ifdef _WIN32
// Windows has no signals to raise here and no fork to run each case in a
// process of its own. Its Ctrl-C and Ctrl-Break are sent to the kestrel
// binary by the interruption test (crash_tests).
TEST(InterruptNotes, SignalsAreNotedByName) {
  GTEST_SKIP() << "not on Windows: raise() and fork(); see Interruption in crash_tests";
}
#else
using testing::RunInChild;

TEST(InterruptNotes, EachSignalIsNotedByNameAndTheProcessGoesOn) {
  const struct {
    int number;
    std::string_view name;
  } cases[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
  for (const auto& signal : cases) {
    const int result = RunInChild([&] {
      InstallInterruptNotes();
      if (!NotedInterrupt().empty()) return 1;
      std::raise(signal.number);
      return NotedInterrupt() == signal.name ? 0 : 2;
    });
    EXPECT_EQ(result, 0) << signal.name << " (128 + n: the signal ended the process)";
  }
}

TEST(InterruptNotes, TheFirstSignalIsKept) {
  const int result = RunInChild([] {
    InstallInterruptNotes();
    std::raise(SIGTERM);
    std::raise(SIGINT);
    std::raise(SIGHUP);
    return NotedInterrupt() == "SIGTERM" ? 0 : 1;
  });
  EXPECT_EQ(result, 0);
}

TEST(InterruptNotes, WithoutTheHandlersASignalEndsTheProcess) {
  // The check the two tests above rely on: the child reports death by signal.
  const int result = RunInChild([] {
    std::raise(SIGTERM);
    return 0;
  });
  EXPECT_EQ(result, 128 + SIGTERM);
}
#endif

}  // namespace
}  // namespace kestrel::platform
