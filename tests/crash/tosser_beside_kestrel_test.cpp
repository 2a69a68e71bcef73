// crashmail tossing netmail into a JAM area while Kestrel moves the mail out
// of it, run after run: every tossed message ends up in the destination
// exactly once. Each program changes the base only under the JAM lock (the
// first byte of the .JHR), so neither overwrites what the other wrote. And a
// program that keeps an area locked too long stops the run cleanly.
//
// KESTREL_TOSSED_PACKETS sets the number of packets tossed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/area_files.h"
#include "tests/support/child_process.h"
#include "tests/support/crashmail_peer.h"
#include "tests/support/fido_packet.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/platform_skips.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

constexpr int kDefaultPackets = 1000;
// Several messages a packet keep both programs in the base longer, which
// makes their changes meet more often.
constexpr int kMessagesPerPacket = 4;

int PacketsToToss() {
  const char* value = std::getenv("KESTREL_TOSSED_PACKETS");
  if (value == nullptr) return kDefaultPackets;
  return std::max(1, std::atoi(value));
}

PackedMessage MessageNumbered(int n);

std::string SubjectOf(int n) {
  return "Tossed " + std::to_string(n);
}

// Packet p holds messages p * kMessagesPerPacket and on: netmail from 1:2/3 to
// the sysop at 2:5020/1. crashmail misreads JAM fields holding a byte of 80h
// or more, so the texts stay short.
FidoPacket PacketWith(int p) {
  FidoPacket packet = PacketFromUplink(2021);
  for (int n = p * kMessagesPerPacket; n < (p + 1) * kMessagesPerPacket; ++n)
    packet.messages.push_back(MessageNumbered(n));
  return packet;
}

PackedMessage MessageNumbered(int n) {
  PackedMessage message;
  message.orig_net = 2;
  message.orig_node = 3;
  message.dest_net = 5020;
  message.dest_node = 1;
  message.attribute = 0x0001;
  message.date_time = "05 Mar 21  07:08:10";
  message.from_name = "Alice Sender";
  message.to_name = "Sysop";
  message.subject = SubjectOf(n);
  message.text = "\x01INTL 2:5020/1 1:2/3\r\x01MSGID: 1:2/3 " + std::to_string(10000000 + n) +
                 "\rMessage " + std::to_string(n) + "\r";
  return message;
}

bool FailedCleanly(const ProgramResult& run) {
  return run.exit_code == 255 && run.output.find("Error: ") != std::string::npos;
}

TEST(TosserBesideKestrel, EveryMessageTossedIsMovedExactlyOnce) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  const ScratchInMemory scratch;  // the two programs side by side, not the disk
  TempDir dir;
  CrashmailPeer peer(dir.Path("peer"), AreaFormat::kJam, dir.Path("netmail"));
  // The first toss creates the base Kestrel then reads.
  const PeerRun first = peer.TossPacket(PacketWith(0));
  ASSERT_TRUE(first.ok) << first.output;

  const int packets = PacketsToToss();
  std::atomic<bool> tossing = true;
  std::vector<std::string> toss_failures;
  const auto started = std::chrono::steady_clock::now();
  std::thread tosser([&] {
    for (int n = 1; n < packets; ++n) {
      const PeerRun run = peer.TossPacket(PacketWith(n));
      if (!run.ok) toss_failures.push_back(run.output);
    }
    tossing = false;
  });

  const std::string config = "LOG kestrel.log\nNETMAIL J" + dir.Path("netmail") +
                             "\nPRIORITY TO\nMOVE YES\nTO *,S" + dir.Path("sysop") + "\n";
  int runs = 0;
  std::vector<std::string> run_failures;
  auto run_kestrel = [&] {
    const ProgramResult run = RunKestrelOn(dir, config);
    ++runs;
    if (run.exit_code != 0 && !FailedCleanly(run)) run_failures.push_back(run.output);
  };
  while (tossing)
    run_kestrel();
  tosser.join();
  run_kestrel();  // what was tossed after the last run began
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  EXPECT_EQ(toss_failures, std::vector<std::string>{});
  EXPECT_EQ(run_failures, std::vector<std::string>{});
  std::map<std::string, int> copies;
  for (const std::string& subject : Subjects("S" + dir.Path("sysop")))
    ++copies[subject];
  int lost = 0;
  int duplicated = 0;
  for (int n = 0; n < packets * kMessagesPerPacket; ++n) {
    const int count = copies.count(SubjectOf(n)) ? copies[SubjectOf(n)] : 0;
    if (count == 0) ++lost;
    if (count > 1) duplicated += count - 1;
  }
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(duplicated, 0);
  EXPECT_EQ(Subjects("J" + dir.Path("netmail")), std::vector<std::string>{});
  std::printf(
      "%d packets (%d messages) tossed beside %d Kestrel runs in %.1f s: %d lost, %d duplicated\n",
      packets, packets * kMessagesPerPacket, runs, seconds, lost, duplicated);
}

// A program that keeps an area locked, as a tosser does while it works: the
// first byte of the .JHR or .SQD, for as long as the object lives.
class LockingProgram {
 public:
  explicit LockingProgram(const std::string& file)
      : child_([file] { return LockFirstByte(file); }) {}
  bool locked() const { return child_.succeeded(); }
  void Release() { child_.End(); }

 private:
  HoldingChild child_;
};

TEST(TosserBesideKestrel, AnAreaLockedTooLongStopsTheRunAndLosesNothing) {
  KESTREL_SKIP_ON_WINDOWS("fork and a POSIX record lock in another process");
  TempDir dir;
  const FidoAddress here{2, 5020, 1, 0};
  const std::string source = "J" + dir.Path("netmail");
  const std::string dest = "S" + dir.Path("sysop");
  AddMessages(source, {Netmail("Alice", here, "Sysop", here, "First", "00000001")});
  AddMessages(dest, {Netmail("Bob", here, "Sysop", here, "Earlier", "00000002")});
  const std::string config =
      "LOG kestrel.log\nNETMAIL " + source + "\nPRIORITY TO\nMOVE YES\nTO *," + dest + "\n";
  // The source locked, then the destination: each run waits its few seconds
  // for the lock, stops with an error naming the area and changes nothing.
  for (const std::string& locked : {dir.Path("netmail.jhr"), dir.Path("sysop.sqd")}) {
    SCOPED_TRACE(locked);
    LockingProgram tosser(locked);
    ASSERT_TRUE(tosser.locked());
    const auto started = std::chrono::steady_clock::now();
    const ProgramResult run = RunKestrelOn(dir, config);
    const double waited =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_TRUE(FailedCleanly(run)) << run.output;
    EXPECT_NE(run.output.find("messagebase locked by another program - "), std::string::npos)
        << run.output;
    EXPECT_GE(waited, 3.0);
    tosser.Release();
    EXPECT_EQ(Subjects(source), std::vector<std::string>{"First"});
    EXPECT_EQ(Subjects(dest), std::vector<std::string>{"Earlier"});
  }
  const ProgramResult run = RunKestrelOn(dir, config);
  EXPECT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(Subjects(source), std::vector<std::string>{});
  EXPECT_EQ(Subjects(dest), (std::vector<std::string>{"Earlier", "First"}));
}

}  // namespace
}  // namespace kestrel::testing
