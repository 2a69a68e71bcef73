// Interruption: SIGINT, SIGTERM and SIGHUP sent to the real kestrel binary at
// many points of a run that moves, copies and kills mail across all three
// formats. strace delivers each signal as the run makes the N-th call of one
// of the calls that change files (openat, write, ftruncate, unlink), N spread
// over the whole run, so every point falls where it is meant to on any
// machine, however loaded. The run must end either complete (exit 0) or
// stopped at a point where nothing is lost (exit 255 with its error line),
// never between the copy of a message and the deletion of its source, and
// never with a base left half-updated; the next run finishes the job.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/crash/mover_scenario.h"
#include "tests/crash/traced_kestrel.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

constexpr int kMessagesPerArea = 70;
constexpr int kPoints = 24;
const std::vector<std::string> kCalls = {"openat", "write", "ftruncate", "unlink"};

struct SignalCase {
  int number;
  const char* name;
};
constexpr SignalCase kSignals[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}};

// How often a complete run over the scenario's areas makes each call.
std::map<std::string, int> CallsOfACompleteRun(const TempDir& areas, bool move) {
  TempDir dir;
  MoverScenario(dir, kMessagesPerArea, move).CreateFrom(areas);
  std::string traced;
  for (const std::string& call : kCalls)
    traced += (traced.empty() ? "" : ",") + call;
  TempDir logs;
  const ProgramResult run = RunProgram(TracedKestrel(logs.Path("trace"), traced), dir.path());
  EXPECT_EQ(run.exit_code, 0) << run.output;
  return CountCalls(logs.ReadFile("trace"), kCalls);
}

struct SignalPoint {
  SignalCase signal;
  bool move;
  std::string call;
  int occurrence;
};

// Point `i` of kPoints: the calls, signals and MOVE settings take turns, and
// the occurrence moves from the first call of its kind to the last.
SignalPoint PointNumber(int i, const std::map<std::string, int>& move_calls,
                        const std::map<std::string, int>& copy_calls) {
  SignalPoint point{kSignals[i % 3], i % 5 != 4, kCalls[i % kCalls.size()], 1};
  const std::map<std::string, int>& counts = point.move ? move_calls : copy_calls;
  const auto found = counts.find(point.call);
  if (found == counts.end()) {
    point.call = "write";  // every run writes its log
    point.occurrence = 1 + (counts.at("write") - 1) * i / (kPoints - 1);
  } else {
    point.occurrence = 1 + (found->second - 1) * i / (kPoints - 1);
  }
  return point;
}

struct Outcomes {
  int stopped = 0;   // by the signal, exit 255
  int at_start = 0;  // ended by the signal before any area was begun
  int complete = 0;  // the signal came after the last message
};

// Checks how the signalled run ended and counts the outcome.
void CheckEnd(const SignalPoint& point, const ProgramResult& run, const TempDir& dir,
              Outcomes& outcomes) {
  const std::string log = ReadLog(dir);
  if (run.exit_code == 255) {
    ++outcomes.stopped;
    const std::string reason =
        std::string("Interrupted by signal ") + point.signal.name + "; stopped ";
    EXPECT_NE(run.output.find("Error: " + reason), std::string::npos) << run.output;
    EXPECT_NE(log.find(reason), std::string::npos) << log;
  } else if (run.exit_code == 128 + point.signal.number) {
    // Before the handlers are installed a signal ends the process at once:
    // it must not have begun any area then.
    ++outcomes.at_start;
    EXPECT_EQ(log.find("Scanning"), std::string::npos) << log;
  } else {
    ++outcomes.complete;
    EXPECT_EQ(run.exit_code, 0) << run.output;
  }
}

TEST(Interruption, SignalsStopTheRunOnlyBetweenMessages) {
  if (!StraceInstalled()) GTEST_SKIP() << "strace not installed (Debian package strace)";
  const ScratchInMemory scratch;  // kills and stops, not what reaches a disk
  TempDir move_areas;
  MoverScenario(move_areas, kMessagesPerArea, true).Create();
  TempDir copy_areas;
  MoverScenario(copy_areas, kMessagesPerArea, false).Create();
  const std::map<std::string, int> move_calls = CallsOfACompleteRun(move_areas, true);
  const std::map<std::string, int> copy_calls = CallsOfACompleteRun(copy_areas, false);

  Outcomes outcomes;
  for (int i = 0; i < kPoints; ++i) {
    const SignalPoint point = PointNumber(i, move_calls, copy_calls);
    SCOPED_TRACE(std::string(point.signal.name) + " at " + point.call + " call " +
                 std::to_string(point.occurrence) + (point.move ? " (MOVE YES)" : " (MOVE NO)"));
    TempDir dir;
    MoverScenario scenario(dir, kMessagesPerArea, point.move);
    scenario.CreateFrom(point.move ? move_areas : copy_areas);
    const ProgramResult run =
        RunProgram(TracedKestrel("/dev/null", point.call,
                                 point.call + ":signal=" + point.signal.name +
                                     ":when=" + std::to_string(point.occurrence)),
                   dir.path());
    CheckEnd(point, run, dir, outcomes);

    for (const std::string& problem : scenario.CheckStructure())
      ADD_FAILURE() << problem;
    std::vector<std::string> in_hand;
    for (const std::string& problem : scenario.CheckInterrupted(scenario.Take(), in_hand)) {
      ADD_FAILURE() << "after the signal: " << problem;
    }
    EXPECT_TRUE(in_hand.empty()) << "stopped between a copy and its deletion: " << in_hand[0];

    const ProgramResult finish = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
    EXPECT_EQ(finish.exit_code, 0) << finish.output;
    for (const std::string& problem : scenario.CheckFinished(scenario.Take(), {})) {
      ADD_FAILURE() << "after the next run: " << problem;
    }
    if (HasFailure()) break;
  }
  std::printf(
      "interruption: %d signals sent: %d runs stopped by them, %d ended before the first area, "
      "%d complete\n",
      kPoints, outcomes.stopped, outcomes.at_start, outcomes.complete);
  // The points are spread over the whole run: the first openat calls come
  // before the handlers, the last calls after the last message; every signal
  // between stops the run.
  EXPECT_GE(outcomes.stopped, kPoints * 5 / 6);
}

}  // namespace
}  // namespace kestrel::testing
