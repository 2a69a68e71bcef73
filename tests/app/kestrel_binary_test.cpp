// The kestrel binary from the outside: console output, exit codes and log.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/kestrel_main.h"
#include "platform/dos_error.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/watched_files.h"

namespace kestrel::testing {
namespace {

constexpr std::string_view kValidConfig =
    "LOG kestrel.log\n"
    "NETMAIL Mnetmail\n"
    "PRIORITY TO\n";

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

TEST(KestrelBinaryTest, WithoutArgumentShowsUsageAndExitsZero) {
  TempDir dir;
  const ProgramResult result = RunProgram({KestrelBinary()}, dir.path());
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, std::string(kBannerOutput) + "Usage: KESTREL.EXE configname\n");
  EXPECT_TRUE(dir.List().empty());
}

TEST(KestrelBinaryTest, MissingConfigurationFile) {
  TempDir dir;
  const ProgramResult result = RunProgram({KestrelBinary(), "missing.cfg"}, dir.path());
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.output,
            std::string(kBannerOutput) + "Error: Unable to open missing.cfg, rc=00000000\n");
  EXPECT_TRUE(dir.List().empty());
}

TEST(KestrelBinaryTest, ADirectoryAsConfigurationIsARunTimeFailure) {
  TempDir dir;
  dir.MakeDir("conf.d");
  const ProgramResult result = RunProgram({KestrelBinary(), "conf.d"}, dir.path());
  EXPECT_EQ(result.exit_code, 5);
  const std::vector<std::string> lines = LinesOf(result.output);
  ASSERT_EQ(lines.size(), 4u) << result.output;
  EXPECT_TRUE(lines[2].starts_with("Error number 005 in read_configuration, line ")) << lines[2];
  EXPECT_EQ(lines[3], "DOS ERROR: File access denied.");
}

// The program body in this process, given one argument.
int KestrelMainOn(const std::string& argument) {
  std::string program = "kestrel";
  std::string copy = argument;
  char* argv[] = {program.data(), copy.data(), nullptr};
  return KestrelMain(2, argv);
}

// A configuration that exists but cannot be opened. The open is made to fail
// on purpose, so the test runs whoever runs it: the program body runs in a
// child of the test, its console going to a file.
TEST(KestrelBinaryTest, AnUnreadableConfigurationIsARunTimeFailure) {
  TempDir dir;
  const std::string path = dir.Path("kestrel.cfg");
  dir.WriteFile("kestrel.cfg",
                "LOG " + dir.Path("kestrel.log") + "\nNETMAIL Mnetmail\nPRIORITY TO\n");
  const std::string console = dir.Path("console.txt");
  FailingOpens failing(path, platform::dos_error::kAccessDenied);
  EXPECT_EXIT(
      {
        std::freopen(console.c_str(), "w", stdout);
        std::exit(KestrelMainOn(path));
      },
      ::testing::ExitedWithCode(5), "");
  const std::vector<std::string> lines = LinesOf(dir.ReadFile("console.txt"));
  ASSERT_EQ(lines.size(), 4u) << dir.ReadFile("console.txt");
  EXPECT_TRUE(lines[2].starts_with("Error number 005 in read_configuration, line ")) << lines[2];
  EXPECT_EQ(lines[3], "DOS ERROR: File access denied.");
  EXPECT_FALSE(HasLog(dir));
}

// What a run over the empty netmail area of kValidConfig shows: the line end
// that closes the area is written also when the output is not a terminal.
const std::string kEmptyAreaOutput =
    std::string(kBannerOutput) + "Scanning NETMAIL\n\nNothing to scan !\n";

TEST(KestrelBinaryTest, AValidConfigurationLogsTheStartAndEndsWithZero) {
  TempDir dir;
  dir.MakeDir("netmail");
  const ProgramResult result = RunKestrelOn(dir, kValidConfig);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, kEmptyAreaOutput);  // no colour codes: output is not a terminal
  const std::vector<std::string> log = LinesOf(ReadLog(dir));
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0], "");
  EXPECT_TRUE(IsLogEntry(log[1], 'b', "Kestrel/WIN32 1.08b4", "started")) << log[1];
  EXPECT_TRUE(IsLogEntry(log[2], 's', "KL 1.08b4", "Scanning NETMAIL")) << log[2];
  EXPECT_TRUE(IsLogEntry(log[3], ' ', "KL 1.08b4", "Nothing to scan !")) << log[3];
  EXPECT_TRUE(IsLogEntry(log[4], 'e', "KL 1.08b4", "End work.")) << log[4];
}

TEST(KestrelBinaryTest, WithoutALogLineNothingIsWritten) {
  TempDir dir;
  dir.MakeDir("netmail");
  const ProgramResult result = RunKestrelOn(dir, "NETMAIL Mnetmail\nPRIORITY TO\n");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, kEmptyAreaOutput);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"kestrel.cfg", "netmail"}));
}

TEST(KestrelBinaryTest, TheLogIsAppendedToWithAnEmptyLinePerRun) {
  TempDir dir;
  // Spelled as the upper-cased configuration names it, so the test does not
  // depend on how names are matched without regard to case.
  dir.WriteFile("KESTREL.LOG", "old entry\n");
  dir.MakeDir("netmail");
  ASSERT_EQ(RunKestrelOn(dir, kValidConfig).exit_code, 0);
  ASSERT_EQ(RunKestrelOn(dir, kValidConfig).exit_code, 0);
  const std::vector<std::string> log = LinesOf(ReadLog(dir));
  ASSERT_EQ(log.size(), 11u);
  EXPECT_EQ(log[0], "old entry");
  EXPECT_EQ(log[1], "");
  EXPECT_TRUE(IsLogEntry(log[2], 'b', "Kestrel/WIN32 1.08b4", "started"));
  EXPECT_TRUE(IsLogEntry(log[5], 'e', "KL 1.08b4", "End work."));
  EXPECT_EQ(log[6], "");
  EXPECT_TRUE(IsLogEntry(log[7], 'b', "Kestrel/WIN32 1.08b4", "started"));
  EXPECT_TRUE(IsLogEntry(log[10], 'e', "KL 1.08b4", "End work."));
}

struct ValidationCase {
  const char* config;
  const char* message;
};

TEST(KestrelBinaryTest, EachValidationErrorInOrder) {
  const ValidationCase cases[] = {
      // All three would fail: the netmail check comes first.
      {"LOG kestrel.log\nUSELASTREAD YES\n", "Path to netmail inbox not set. Please fix it."},
      {"LOG kestrel.log\nNETMAIL Mx\nUSELASTREAD YES\nUSERNUMBER 12abc\n",
       "Please set some number in UserNumber, not ZERO."},
      {"LOG kestrel.log\nNETMAIL Mx\nUSELASTREAD YES\nUSERNUMBER 1\n", "Please set priority."},
      {"LOG kestrel.log\nNETMAIL Mx\nPRIORITY  \n", "Please set priority."},
  };
  for (const ValidationCase& c : cases) {
    TempDir dir;
    const ProgramResult result = RunKestrelOn(dir, c.config);
    EXPECT_EQ(result.exit_code, 255) << c.config;
    EXPECT_EQ(result.output, std::string(kBannerOutput) + "Error: " + c.message + "\n");
    const std::vector<std::string> log = LinesOf(ReadLog(dir));
    ASSERT_EQ(log.size(), 3u) << c.config;
    EXPECT_TRUE(IsLogEntry(log[1], 'b', "Kestrel/WIN32 1.08b4", "started"));
    EXPECT_TRUE(IsLogEntry(log[2], '!', "KL 1.08b4", std::string("Error: ") + c.message)) << log[2];
  }
}

TEST(KestrelBinaryTest, UseLastReadWithAUserNumberPasses) {
  TempDir dir;
  dir.MakeDir("x");
  EXPECT_EQ(RunKestrelOn(dir, "NETMAIL Mx\nUSELASTREAD yes\nUSERNUMBER 3\nPRIORITY TO\n").exit_code,
            0);
}

TEST(KestrelBinaryTest, MoreThanOneHundredListLinesIsFatal) {
  TempDir dir;
  std::string config = "LOG kestrel.log\nNETMAIL Mx\nPRIORITY SUBJ\n";
  for (int i = 0; i < 101; ++i)
    config += "SUBJ s" + std::to_string(i) + ",KILL\n";
  const ProgramResult result = RunKestrelOn(dir, config);
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.output,
            std::string(kBannerOutput) + "Error: Too many SUBJ lines (more than 100).\n");
  const std::vector<std::string> log = LinesOf(ReadLog(dir));
  ASSERT_EQ(log.size(), 3u);
  EXPECT_TRUE(IsLogEntry(log[2], '!', "KL 1.08b4", "Error: Too many SUBJ lines (more than 100)."));

  // Exactly 100 of every list is fine.
  TempDir full;
  full.MakeDir("x");
  config = "NETMAIL Mx\nPRIORITY TO\n";
  for (const char* keyword : {"TO", "FROM", "SUBJ", "TOADDR", "FROMADDR"}) {
    for (int i = 0; i < 100; ++i)
      config += std::string(keyword) + " 1:1/" + std::to_string(i) + ",KILL\n";
  }
  for (int i = 0; i < 99; ++i) {
    config += "NETMAIL Mx" + std::to_string(i) + "\n";
    full.MakeDir("x" + std::to_string(i));
  }
  for (int i = 0; i < 100; ++i)
    config += "NOT_TOUCH n" + std::to_string(i) + "\n";
  EXPECT_EQ(RunKestrelOn(full, config).exit_code, 0);
}

TEST(KestrelBinaryTest, ListOverflowWithoutALogIsReportedOnTheConsole) {
  TempDir dir;
  std::string config = "PRIORITY TO\n";
  for (int i = 0; i < 101; ++i)
    config += "NETMAIL M" + std::to_string(i) + "\n";
  const ProgramResult result = RunKestrelOn(dir, config);
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.output,
            std::string(kBannerOutput) + "Error: Too many NETMAIL lines (more than 100).\n");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"kestrel.cfg"});
}

TEST(KestrelBinaryTest, AnUncreatableLogIsAWarningAndTheRunGoesOn) {
  TempDir dir;
  dir.MakeDir("x");
  const ProgramResult result =
      RunKestrelOn(dir, "LOG nodir/kestrel.log\nNETMAIL Mx\nPRIORITY TO\n");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.output.find("Warning: Unable to create file \"NODIR/KESTREL.LOG\"\n"),
            std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("Warning: Unable to write to file NODIR/KESTREL.LOG\n"),
            std::string::npos)
      << result.output;
}

}  // namespace
}  // namespace kestrel::testing
