// Crash injection: the real kestrel binary moves, copies and kills mail
// across all three formats and is killed with SIGKILL at many points of its
// run: strace stops it at the N-th call of one of the calls that change files
// (openat, write, ftruncate, unlink), N spread over the whole run. After each
// kill nothing may be lost, every area must open and pass its structure
// check, and a second run must finish the job with the right result.
//
// KESTREL_CRASH_POINTS (a number) sets the kill points of each test (the
// default: 200 for the moves, 60 for the copies); the default keeps the test
// within a few minutes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tests/crash/mover_scenario.h"
#include "tests/crash/traced_kestrel.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

constexpr int kMessagesPerArea = 70;  // three netmail areas: 210 messages
constexpr int kKilledBySigkill = 128 + 9;
const std::vector<std::string> kCalls = {"openat", "write", "ftruncate", "unlink"};

// How often a complete run makes each call.
std::map<std::string, int> CallsOfACompleteRun(bool move) {
  TempDir dir;
  MoverScenario scenario(dir, kMessagesPerArea, move);
  scenario.Create();
  std::string traced;
  for (const std::string& call : kCalls)
    traced += (traced.empty() ? "" : ",") + call;
  const ProgramResult run = RunProgram(TracedKestrel(dir.Path("trace"), traced), dir.path());
  EXPECT_EQ(run.exit_code, 0) << run.output;
  return CountCalls(dir.ReadFile("trace"), kCalls);
}

struct KillPoint {
  std::string call;
  int occurrence;
};

// `total` points (or more), shared among the calls by how often they occur
// (at least a few each, the rounding left to the most frequent call), spread
// evenly from the first call to the last.
std::vector<KillPoint> SpreadPoints(const std::map<std::string, int>& counts, int total) {
  int all = 0;
  std::string most_frequent;
  for (const auto& [call, count] : counts) {
    all += count;
    if (most_frequent.empty() || count > counts.at(most_frequent)) most_frequent = call;
  }
  std::map<std::string, int> shares;
  int shared = 0;
  for (const auto& [call, count] : counts) {
    shares[call] = std::min(count, std::max(5, total * count / std::max(all, 1)));
    shared += shares[call];
  }
  if (!most_frequent.empty() && shared < total) {
    shares[most_frequent] =
        std::min(counts.at(most_frequent), shares[most_frequent] + total - shared);
  }
  std::vector<KillPoint> points;
  for (const auto& [call, count] : counts) {
    const int share = shares[call];
    for (int i = 0; i < share; ++i) {
      const int occurrence =
          share == 1 ? 1
                     : 1 + static_cast<int>(static_cast<long long>(i) * (count - 1) / (share - 1));
      points.push_back({call, occurrence});
    }
  }
  return points;
}

int PointsPerTest(int default_points) {
  const char* text = std::getenv("KESTREL_CRASH_POINTS");
  const int points = text != nullptr ? std::atoi(text) : 0;
  return points > 0 ? points : default_points;  // KESTREL_CRASH_POINTS sets both series
}

struct SeriesResult {
  int points = 0;
  int killed = 0;
  int lost = 0;
};

SeriesResult RunKillSeries(bool move, int total_points) {
  SeriesResult result;
  const std::map<std::string, int> counts = CallsOfACompleteRun(move);
  TempDir areas;
  MoverScenario(areas, kMessagesPerArea, move).Create();
  for (const KillPoint& point : SpreadPoints(counts, total_points)) {
    SCOPED_TRACE("killed at " + point.call + " call " + std::to_string(point.occurrence) +
                 (move ? " (MOVE YES)" : " (MOVE NO)"));
    TempDir dir;
    MoverScenario scenario(dir, kMessagesPerArea, move);
    scenario.CreateFrom(areas);
    const ProgramResult cut = RunProgram(
        TracedKestrel("/dev/null", point.call,
                      point.call + ":signal=SIGKILL:when=" + std::to_string(point.occurrence)),
        dir.path());
    ++result.points;
    if (cut.exit_code == kKilledBySigkill) {
      ++result.killed;
    } else {
      EXPECT_EQ(cut.exit_code, 0) << cut.output;
    }

    // Every area opens (which puts right what the cut-off run left: a JAM
    // base recounted, a Squish base rebuilt from its index and frames) and
    // then passes the structure checks.
    const Census census = scenario.Take();
    for (const std::string& problem : scenario.CheckStructure())
      ADD_FAILURE() << "after the kill: " << problem;
    std::vector<std::string> in_hand;
    for (const std::string& problem : scenario.CheckInterrupted(census, in_hand)) {
      if (problem.find("LOST") != std::string::npos) ++result.lost;
      ADD_FAILURE() << "after the kill: " << problem;
    }

    const ProgramResult finish = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
    EXPECT_EQ(finish.exit_code, 0) << finish.output;
    for (const std::string& problem : scenario.CheckStructure()) {
      ADD_FAILURE() << "after the next run: " << problem;
    }
    // With MOVE NO the progress is stored after each copy: the next run may
    // copy again only the message the kill caught in hand.
    for (const std::string& problem : scenario.CheckFinished(scenario.Take(), in_hand, true)) {
      ADD_FAILURE() << "after the next run: " << problem;
    }
    if (::testing::Test::HasFailure()) break;  // one failing point tells enough
  }
  std::printf("crash injection (%s): %d kill points, %d runs killed, %d messages lost\n",
              move ? "MOVE YES" : "MOVE NO", result.points, result.killed, result.lost);
  return result;
}

class CrashInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StraceInstalled()) GTEST_SKIP() << "strace not installed (Debian package strace)";
  }
};

TEST_F(CrashInjection, MovesAndKillsSurviveAKillAnywhere) {
  const ScratchInMemory scratch;  // kills and stops, not what reaches a disk
  const int requested = PointsPerTest(200);
  const SeriesResult result = RunKillSeries(true, requested);
  EXPECT_GE(result.points, requested);
  EXPECT_GT(result.killed, result.points * 9 / 10);
  EXPECT_EQ(result.lost, 0);
}

TEST_F(CrashInjection, CopiesSurviveAKillAnywhere) {
  const ScratchInMemory scratch;  // kills and stops, not what reaches a disk
  const int requested = PointsPerTest(60);
  const SeriesResult result = RunKillSeries(false, requested);
  EXPECT_GE(result.points, requested);
  EXPECT_GT(result.killed, result.points * 9 / 10);
  EXPECT_EQ(result.lost, 0);
}

}  // namespace
}  // namespace kestrel::testing
