// Two kestrel runs started at the same time over the same areas: the sharing
// classes keep them apart. Each ends complete or fails cleanly with a fatal
// error; nothing is corrupted or lost and no message is copied twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/stored_msg_id.h"
#include "platform/dos_error.h"
#include "platform/file_system.h"
#include "tests/crash/mover_scenario.h"
#include "tests/support/area_files.h"
#include "tests/support/child_process.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/platform_skips.h"
#include "tests/support/run_program.h"
#include "tests/support/running_program.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

constexpr int kMessagesPerArea = 60;

bool FailedCleanly(const ProgramResult& run) {
  return run.exit_code == 255 && run.output.find("Error: ") != std::string::npos;
}

TEST(ConcurrentRuns, TwoRunsOverTheSameAreasNeverCopyTwice) {
  const ScratchInMemory scratch;  // kills and stops, not what reaches a disk
  std::mt19937 random(4242);
  TempDir areas;  // the netmail areas every round starts from
  MoverScenario(areas, kMessagesPerArea, true).Create();
  constexpr int kRounds = 8;
  int refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TempDir dir;
    // MOVE NO as well: a message copied by one run must not be copied again
    // by the other (the resume state of an area is one run's alone).
    MoverScenario scenario(dir, kMessagesPerArea, round % 2 == 0);
    scenario.CreateFrom(areas);
    RunningProgram first({KestrelBinary(), "kestrel.cfg"}, dir.path());
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    RunningProgram second({KestrelBinary(), "kestrel.cfg"}, dir.path());
    const ProgramResult first_run = first.Wait();
    const ProgramResult second_run = second.Wait();
    for (const ProgramResult* run : {&first_run, &second_run}) {
      EXPECT_TRUE(run->exit_code == 0 || FailedCleanly(*run)) << run->output;
      if (run->exit_code != 0) ++refused;
    }
    for (const std::string& problem : scenario.CheckStructure())
      ADD_FAILURE() << problem;
    std::vector<std::string> in_hand;
    for (const std::string& problem : scenario.CheckInterrupted(scenario.Take(), in_hand)) {
      ADD_FAILURE() << "after both runs: " << problem;
    }
    const ProgramResult finish = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
    EXPECT_EQ(finish.exit_code, 0) << finish.output;
    // With MOVE NO every copy exists exactly once.
    for (const std::string& problem : scenario.CheckFinished(scenario.Take(), {})) {
      ADD_FAILURE() << "after the next run: " << problem;
    }
    if (HasFailure()) break;
  }
  std::printf("concurrent runs: %d rounds, %d runs refused by the other\n", kRounds, refused);
}

TEST(ConcurrentRuns, ASecondRunOnAHeldMsgDirAreaStopsBeforeTouchingIt) {
  KESTREL_SKIP_ON_WINDOWS("fork; see ASecondKestrelRunOnTheAreaOfARunningOneIsRefused");
  const ScratchInMemory scratch;  // kills and stops, not what reaches a disk
  TempDir dir;
  MoverScenario scenario(dir, 10, true);
  scenario.Create();
  // Another process holds the *.MSG netmail area as a scan does.
  HoldingChild other_run([&dir] {
    auto* held = new StoredMsgIdFile(dir.Path("netm") + "/msgid");  // held until the child ends
    return held->Hold() == platform::dos_error::kNone;
  });
  ASSERT_TRUE(other_run.succeeded());

  const ProgramResult run = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
  EXPECT_EQ(run.exit_code, 255);
  EXPECT_NE(run.output.find("Error: Unable to open file with last msgid, rc=00000020"),
            std::string::npos)
      << run.output;
  // Nothing was read or changed: every message is where it was.
  const Census census = scenario.Take();
  for (const auto& [subject, places] : census.places) {
    EXPECT_EQ(places.size(), 1u) << subject;
    const std::vector<std::string>& sources = scenario.Sources();
    EXPECT_NE(std::find(sources.begin(), sources.end(), places[0]), sources.end())
        << subject << " left its netmail area";
  }
  EXPECT_EQ(census.places.size(), scenario.MessageCount());
  EXPECT_FALSE(AreaExists(scenario.Destinations()[0]));

  other_run.End();
  const ProgramResult next = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
  EXPECT_EQ(next.exit_code, 0) << next.output;
  for (const std::string& problem : scenario.CheckFinished(scenario.Take(), {})) {
    ADD_FAILURE() << problem;
  }
}

// A tosser changing a base: it holds the lock on the first byte of the base
// file, as FidoNet software does. On POSIX that is a record lock in a
// process of its own; on Windows a lock belongs to its handle, which needs
// only read access (a writer would be refused by the base's sharing class).
class TosserLock {
 public:
#ifdef _WIN32
  explicit TosserLock(const std::string& path) {
    held_ = platform::OpenFile(path, platform::FileAccess::kRead, platform::FileShare::kDenyNone,
                               handle_) == platform::dos_error::kNone &&
            platform::LockFile(handle_, 0, 1) == platform::dos_error::kNone;
  }
  ~TosserLock() {
    Release();
  }
  void Release() {
    platform::UnlockFile(handle_, 0, 1);
    platform::CloseFile(handle_);
    handle_ = platform::kInvalidFileHandle;
  }
#else
  explicit TosserLock(const std::string& path)
      : child_([path] { return LockFirstByte(path); }), held_(child_.succeeded()) {}
  void Release() {
    child_.End();
  }
#endif
  bool held() const {
    return held_;
  }

 private:
#ifdef _WIN32
  platform::FileHandle handle_ = platform::kInvalidFileHandle;
#else
  HoldingChild child_;
#endif
  bool held_ = false;
};

// Two kestrel processes on one *.MSG area: while the first holds the area
// (kept inside its scan by a tosser's lock on its destination), a second run
// is refused by the sharing classes before it reads anything, and the first
// then finishes the job alone.
TEST(ConcurrentRuns, ASecondKestrelRunOnTheAreaOfARunningOneIsRefused) {
  TempDir dir;
  const std::string net = "M" + dir.Path("net");
  const std::string dest = "J" + dir.Path("dest");
  const FidoAddress here{2, 5020, 1, 0};
  AddMessages(net, {Netmail("Ivan", here, "Sysop", here, "one", "00000001"),
                    Netmail("Oleg", here, "Sysop", here, "two", "00000002")});
  AddMessages(dest, {Netmail("Old", here, "Sysop", here, "old", "00000003")});
  WriteWholeFile(dir.Path("kestrel.cfg"),
                 "NETMAIL " + net + "\nTO SYSOP," + dest + "\nMOVE YES\nPRIORITY TO\n");
  // A tosser changing the destination: the first run waits for it (up to
  // four seconds) in the middle of its scan, holding the netmail area.
  TosserLock tosser(dir.Path("dest.jhr"));
  ASSERT_TRUE(tosser.held());

  // No log: a second run would wait for the first one's log before it
  // reached the area.
  RunningProgram first({KestrelBinary(), "kestrel.cfg"}, dir.path());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const ProgramResult second = RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
  tosser.Release();
  const ProgramResult first_run = first.Wait();

  EXPECT_EQ(second.exit_code, 255) << second.output;
  EXPECT_NE(second.output.find("Error: Unable to open file with last msgid, rc=00000020"),
            std::string::npos)
      << second.output;
  EXPECT_EQ(first_run.exit_code, 0) << first_run.output;
  EXPECT_EQ(Subjects(dest), (std::vector<std::string>{"old", "one", "two"}));
  EXPECT_TRUE(Subjects(net).empty());
}

}  // namespace
}  // namespace kestrel::testing
