// Power cuts: the real kestrel binary moves and kills mail across all three
// formats under strace, which records every change it makes to the files and
// every sync. From that record the test builds what the disk may hold after a
// power cut at many points of the run (power_cut_journal.h: what was synced,
// and of the rest nothing, or for each file and directory a first part of its
// changes chosen at random) and runs Kestrel again on it. Nothing may be
// lost, every area must open and pass its structure checks, a message may be
// found both in its netmail area and its destination only when it was the
// one in hand at the cut, and the next run must finish the job.
//
// A kill (crash_injection_test.cpp) cannot show this: the page cache
// survives a killed process, so a run that never syncs passes every kill.
//
// KESTREL_POWER_CUTS (a number) sets the cut points (the default: 300).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/crash/mover_scenario.h"
#include "tests/crash/power_cut_journal.h"
#include "tests/crash/traced_kestrel.h"
#include "tests/support/area_files.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

constexpr int kMessagesPerArea = 12;  // three netmail areas: 36 messages
constexpr int kDefaultCuts = 300;

int CutPoints() {
  const char* text = std::getenv("KESTREL_POWER_CUTS");
  const int points = text != nullptr ? std::atoi(text) : 0;
  return points > 0 ? points : kDefaultCuts;
}

// Runs kestrel in `dir` under strace, writing the log the journal reads.
ProgramResult TracedRun(const TempDir& dir, const std::string& trace_file) {
  return RunProgram(TracedKestrel(trace_file, kTracedCalls, "", {"-y", "-xx", "-s", "1048576"}),
                    dir.path());
}

// The journal of one complete run that moves the scenario's mail.
void RecordMoves(const TempDir& areas, PowerCutJournal& journal) {
  TempDir run;
  MoverScenario(run, kMessagesPerArea, true).CreateFrom(areas);
  TempDir before;  // the files as they were before the run
  std::filesystem::copy(run.path(), before.path(), std::filesystem::copy_options::recursive);
  TempDir logs;
  const ProgramResult traced = TracedRun(run, logs.Path("trace"));
  ASSERT_EQ(traced.exit_code, 0) << traced.output;
  std::string error;
  ASSERT_TRUE(journal.Read(before.path(), run.path(), logs.ReadFile("trace"), error)) << error;
}

TEST(PowerLoss, MovesSurviveAPowerCutAnywhere) {
  if (!StraceInstalled()) GTEST_SKIP() << "strace not installed (Debian package strace)";
  // The journal stands for the disk: the runs' own syncs need not reach one.
  const ScratchInMemory scratch;
  TempDir areas;
  MoverScenario(areas, kMessagesPerArea, true).Create();
  PowerCutJournal journal;
  RecordMoves(areas, journal);
  if (HasFatalFailure()) return;

  const int points = CutPoints();
  int lost = 0;
  int tested = 0;
  for (int point = 0; point < points; ++point) {
    // Spread over the whole run, the last point after its last change.
    const std::size_t cut =
        1 + static_cast<std::size_t>(static_cast<long long>(point) *
                                     static_cast<long long>(journal.size() - 1) / (points - 1));
    const auto keep =
        point % 3 == 0 ? PowerCutJournal::Keep::kNothing : PowerCutJournal::Keep::kRandomPart;
    SCOPED_TRACE("power cut after change " + std::to_string(cut) + " of " +
                 std::to_string(journal.size()) +
                 (keep == PowerCutJournal::Keep::kNothing ? ", nothing unsynced kept"
                                                          : ", part of the unsynced kept"));
    std::mt19937 random(static_cast<unsigned>(point));
    TempDir left;
    journal.WriteCutState(cut, keep, random, left.path());
    TempDir dir;
    MoverScenario scenario(dir, kMessagesPerArea, true);
    scenario.CreateFrom(left);
    ++tested;

    const Census census = scenario.Take();
    for (const std::string& problem : scenario.CheckStructure())
      ADD_FAILURE() << "after the power cut: " << problem;
    std::vector<std::string> in_hand;
    for (const std::string& problem : scenario.CheckInterrupted(census, in_hand)) {
      if (problem.find("LOST") != std::string::npos) ++lost;
      ADD_FAILURE() << "after the power cut: " << problem;
    }

    const ProgramResult finish = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
    EXPECT_EQ(finish.exit_code, 0) << finish.output;
    for (const std::string& problem : scenario.CheckStructure())
      ADD_FAILURE() << "after the next run: " << problem;
    for (const std::string& problem : scenario.CheckFinished(scenario.Take(), in_hand))
      ADD_FAILURE() << "after the next run: " << problem;
    if (HasFailure()) break;  // one failing point tells enough
  }
  std::printf("power loss: %d cut points over %zu changes (%zu syncs), %d messages lost\n", tested,
              journal.size(), journal.syncs(), lost);
  EXPECT_EQ(tested, points);
}

// A scan that matches nothing changes no message: it syncs only the resume
// state it stores at the end of each area (the stored MSGID and the lastread
// file), however many messages it reads.
TEST(PowerLoss, AScanSyncsOnlyTheResumeStateOfEachArea) {
  if (!StraceInstalled()) GTEST_SKIP() << "strace not installed (Debian package strace)";
  const ScratchInMemory scratch;
  TempDir dir;
  MoverScenario scenario(dir, kMessagesPerArea, false);
  scenario.Create();
  std::string config;
  for (const std::string& source : scenario.Sources())
    config += "NETMAIL " + source + "\n";
  config += "SUBJ NO SUCH SUBJECT*, " + scenario.Destinations()[0] + "\n";
  config += "PRIORITY SUBJ\nMOVE NO\nUSELASTREAD YES\nUSERNUMBER 1\n";
  dir.WriteFile("kestrel.cfg", config);
  // The first run makes the resume files; the second finds them there.
  const ProgramResult first = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
  ASSERT_EQ(first.exit_code, 0) << first.output;
  TempDir logs;
  const ProgramResult traced =
      RunProgram(TracedKestrel(logs.Path("trace"), "fsync,fdatasync"), dir.path());
  ASSERT_EQ(traced.exit_code, 0) << traced.output;
  const std::string trace = logs.ReadFile("trace");
  std::size_t syncs = 0;
  for (std::size_t at = trace.find("sync("); at != std::string::npos;
       at = trace.find("sync(", at + 1))
    ++syncs;
  EXPECT_LE(syncs, 2 * scenario.Sources().size()) << trace;
  EXPECT_FALSE(AreaExists(scenario.Destinations()[0]));
}

}  // namespace
}  // namespace kestrel::testing
