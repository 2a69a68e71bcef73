// The limits that keep one run safe in a spool others write to: messages too
// large to hold, a console that has gone away, a log another run holds,
// signals during start-up, user numbers and paths that would make files no
// one asked for.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "msgbase/factory/message_base_factory.h"
#include "platform/file_system.h"
#include "tests/support/area_files.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/run_program.h"
#include "tests/support/running_program.h"

namespace kestrel::testing {
namespace {

constexpr FidoAddress kHere{2, 5020, 1, 0};

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

AreaMessage Mail(const std::string& subject) {
  return Netmail("Sender", kHere, "Sysop", kHere, subject, subject.size() > 3 ? "1234abcd" : "");
}

std::string MoveAllConfig(const TempDir& dir, const std::string& destination) {
  return "NETMAIL M" + dir.Path("net") + "\nTO SYSOP," + destination +
         "\nMOVE YES\nPRIORITY TO\nLOG kestrel.log\n";
}

// Messages beyond the size limit (and files too large to tell their size)
// are named and left in place; every other message of the area still moves,
// on this run and on the next.
TEST(SpoolLimitsTest, OversizedMessagesAreNamedAndLeftWhileTheRestMoves) {
  TempDir dir;
  const std::string net = "M" + dir.Path("net");
  AddMessages(net, {Mail("one"), Mail("two"), Mail("three"), Mail("four")});
  // Sparse files: the sizes cost no disk space and are never read.
  std::filesystem::resize_file(dir.Path("net/2.msg"), 70u << 20);
  std::filesystem::resize_file(dir.Path("net/3.msg"), 3ull << 30);
  const std::string out = "S" + dir.Path("out");

  for (int run = 0; run < 2; ++run) {
    const ProgramResult result = RunKestrelOn(dir, MoveAllConfig(dir, out));
    EXPECT_EQ(result.exit_code, 0) << result.output;
    for (const char* number : {"2", "3"}) {
      // The configuration holds every value upper-cased, and so do the
      // console and the log.
      const std::string expected = std::string("Error: message ") + number + " of messagebase - " +
                                   Upper(net) + " is larger than 64 MB; left in place";
      EXPECT_NE(result.output.find(expected), std::string::npos) << result.output;
      EXPECT_NE(ReadLog(dir).find(expected.substr(7)), std::string::npos) << ReadLog(dir);
    }
  }
  EXPECT_EQ(Subjects(out), (std::vector<std::string>{"one", "four"}));
  EXPECT_EQ(dir.List("net"), (std::vector<std::string>{"2.msg", "3.msg", "lastread", "msgid"}));
}

// Squish and JAM areas refuse a text beyond the limit as well; the messages
// around it still move.
TEST(SpoolLimitsTest, OversizedSquishAndJamMessagesAreLeftWhileTheRestMoves) {
  for (const char kind : {'S', 'J'}) {
    SCOPED_TRACE(kind);
    TempDir dir;
    const std::string net = std::string(1, kind) + dir.Path("net");
    AreaMessage huge = Mail("huge");
    huge.text.append((64u << 20) + 1, 'x');
    AddMessages(net, {Mail("one"), huge, Mail("three")});
    huge.text.clear();
    huge.text.shrink_to_fit();
    const std::string out = "M" + dir.Path("out");
    const ProgramResult result = RunKestrelOn(
        dir, "NETMAIL " + net + "\nTO SYSOP," + out + "\nMOVE YES\nPRIORITY TO\nLOG kestrel.log\n");
    EXPECT_EQ(result.exit_code, 0) << result.output;
    // A JAM area numbers its messages by their place in the index: once the
    // first has moved, the large one is message 1.
    const std::string number = kind == 'J' ? "1" : "2";
    EXPECT_NE(result.output.find("Error: message " + number + " of messagebase - " + Upper(net) +
                                 " is larger than 64 MB; left in place"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(Subjects(out), (std::vector<std::string>{"one", "three"}));
    std::unique_ptr<MessageBase> base;
    ASSERT_TRUE(OpenBase(net, base));
    EXPECT_EQ(base->GetMsgCount(), 1);
    base->SeekFirst(1);
    ASSERT_TRUE(base->SeekFound());
    ASSERT_TRUE(base->OpenMsgHeader());
    EXPECT_EQ(base->GetSubj(), "huge");
    base->CloseMsg();
    CloseBase(base);
  }
}

// A large message is held in memory about once while it is moved from one
// format to the next (it used to take three to four times its size). Peak
// memory is that of the largest kestrel child.
TEST(SpoolLimitsTest, ALargeMessageIsHeldInMemoryOnceWhateverTheFormats) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's own memory hides the program's";
#endif
  TempDir dir;
  AddMessages("M" + dir.Path("net"), {Mail("big")});
  // The text is made longer on disk, a piece at a time: this process stays
  // small, since a child counts what it had before it started kestrel.
  constexpr std::size_t kTextSize = 24u << 20;
  {
    const std::filesystem::path file = dir.Path("net/1.msg");
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 1);  // its closing 0
    std::ofstream out(file, std::ios::binary | std::ios::app);
    const std::string piece(1 << 16, 'x');
    for (std::size_t done = 0; done < kTextSize; done += piece.size())
      out << piece;
    out << '\0';
  }
  const std::string areas[] = {"M" + dir.Path("net"), "S" + dir.Path("sq"), "J" + dir.Path("jm"),
                               "M" + dir.Path("out")};
  for (std::size_t i = 0; i + 1 < std::size(areas); ++i) {
    const ProgramResult result = RunKestrelOn(
        dir, "NETMAIL " + areas[i] + "\nTO SYSOP," + areas[i + 1] + "\nMOVE YES\nPRIORITY TO\n");
    ASSERT_EQ(result.exit_code, 0) << result.output;
  }
  ASSERT_EQ(dir.List("out").size(), 1u);
  EXPECT_GT(std::filesystem::file_size(dir.Path("out/1.msg")), kTextSize);
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const long peak_kib = usage.ru_maxrss;
  EXPECT_LT(peak_kib, static_cast<long>(kTextSize * 5 / 4 / 1024) + 8 * 1024) << peak_kib;
}

// A console that is gone (output piped into a program that has ended) does
// not end a run that moves mail.
TEST(SpoolLimitsTest, AClosedConsoleDoesNotStopTheRun) {
  TempDir dir;
  AddMessages("M" + dir.Path("net"), {Mail("one")});
  const std::string out = "M" + dir.Path("out");
  WriteWholeFile(dir.Path("kestrel.cfg"), MoveAllConfig(dir, out));
  // Kestrel's output goes into a pipe whose reader, "true", has ended (the
  // shell waits for it) before kestrel starts: every write fails.
  const ProgramResult result =
      RunProgram({"/bin/bash", "-c",
                  "exec 3> >(true); wait $!; \"$0\" kestrel.cfg >&3; echo \"$?\"", KestrelBinary()},
                 dir.path());
  EXPECT_EQ(result.output, "0\n");
  EXPECT_EQ(Subjects(out), std::vector<std::string>{"one"});
  EXPECT_TRUE(dir.List("net") == (std::vector<std::string>{"lastread", "msgid"}));
}

// A second run that finds the log held waits for it, and its entries follow;
// a signal while it waits (start-up: nothing changed yet) ends it at once.
TEST(SpoolLimitsTest, ASecondRunWaitsForTheLogAndASignalEndsTheWait) {
  // The run is known to be waiting once it has warned so; the bound only
  // ends a test whose run never gets there.
  const std::string kWaitingForTheLog =
      "Warning: Log file \"KESTREL.LOG\" is in use; waiting for it up to 60 seconds\n";
  constexpr std::chrono::seconds kReachBound(30);
  TempDir dir;
  AddMessages("M" + dir.Path("net"), {Mail("one")});
  const std::string out = "M" + dir.Path("out");
  WriteWholeFile(dir.Path("kestrel.cfg"), MoveAllConfig(dir, out));
  WriteWholeFile(dir.Path("kestrel.log"), "earlier run\n");
  platform::FileHandle held = platform::kInvalidFileHandle;
  ASSERT_EQ(platform::OpenFile(dir.Path("kestrel.log"), platform::FileAccess::kWrite,
                               platform::FileShare::kDenyWrite, held),
            platform::dos_error::kNone);

  {
    RunningProgram stopped({KestrelBinary(), "kestrel.cfg"}, dir.path());
    ASSERT_TRUE(stopped.AwaitOutput(kWaitingForTheLog, kReachBound));
    stopped.Signal(SIGTERM);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(stopped.Wait().exit_code, 128 + SIGTERM);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(dir.List("net"), (std::vector<std::string>{"1.msg"}));
  }

  RunningProgram waiting({KestrelBinary(), "kestrel.cfg"}, dir.path());
  const bool warned = waiting.AwaitOutput(kWaitingForTheLog, kReachBound);
  platform::CloseFile(held);
  const ProgramResult result = waiting.Wait();
  EXPECT_TRUE(warned) << result.output;
  EXPECT_EQ(result.exit_code, 0) << result.output;
  const std::string log = ReadLog(dir);
  EXPECT_EQ(log.rfind("earlier run\n", 0), 0u) << log;
  EXPECT_NE(log.find("Copy message to destination messagebase"), std::string::npos) << log;
  EXPECT_NE(log.find("End work."), std::string::npos) << log;
}

// The *.MSG lastread file holds two bytes for every user number up to the
// one used: a number beyond 65535 is refused before anything is written.
TEST(SpoolLimitsTest, AUserNumberBeyondTheMsgLimitIsRefused) {
  TempDir dir;
  AddMessages("M" + dir.Path("net"), {Mail("one")});
  const ProgramResult result = RunKestrelOn(
      dir, MoveAllConfig(dir, "M" + dir.Path("out")) + "USELASTREAD YES\nUSERNUMBER 100000\n");
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_NE(
      result.output.find("Error: UserNumber 100000 is too large for a *.MSG area (at most 65535)."),
      std::string::npos)
      << result.output;
  EXPECT_EQ(dir.List("net"), (std::vector<std::string>{"1.msg"}));
  EXPECT_FALSE(dir.Exists("out"));
}

// "x/../dest" with no "x" makes nothing (it used to make "dest" and then
// fail); with "x" there it is "dest" beside it, in every format.
TEST(SpoolLimitsTest, APathThroughAMissingDirectoryCreatesNothing) {
  for (const char kind : {'M', 'S', 'J'}) {
    SCOPED_TRACE(kind);
    TempDir dir;
    AddMessages("M" + dir.Path("net"), {Mail("one")});
    const std::string missing = std::string(1, kind) + dir.Path("x/../dest");
    const ProgramResult failed = RunKestrelOn(dir, MoveAllConfig(dir, missing));
    EXPECT_EQ(failed.exit_code, 255);
    EXPECT_NE(failed.output.find("unable to open destination messagebase"), std::string::npos)
        << failed.output;
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"kestrel.cfg", "kestrel.log", "net"}));

    const std::string through = std::string(1, kind) + dir.Path("net/../dest");
    EXPECT_EQ(RunKestrelOn(dir, MoveAllConfig(dir, through)).exit_code, 0);
    EXPECT_EQ(Subjects(std::string(1, kind) + dir.Path("dest")), std::vector<std::string>{"one"});
  }
}

}  // namespace
}  // namespace kestrel::testing
