#include "app/log_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_dates.h"
#include "tests/support/watched_files.h"

namespace kestrel {
namespace {

using testing::MakeLocalTime;
using testing::TempDir;

// Every test runs on a clock fixed at 09:05:03, 1 February 2000.
class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetClockOverride([] { return MakeLocalTime(2000, 2, 1, 9, 5, 3); });
  }
  void TearDown() override { platform::SetClockOverride({}); }

  std::string LogPath() const { return dir_.Path("kestrel.log"); }
  std::string LogText() const { return dir_.ReadFile("kestrel.log"); }

  TempDir dir_;
};

TEST(FormatLogStampTest, TwoDigitFieldsAndYears) {
  EXPECT_EQ(FormatLogStamp(MakeLocalTime(2000, 2, 1, 9, 5, 3)), "01 Feb 00 09:05:03");
  EXPECT_EQ(FormatLogStamp(MakeLocalTime(1999, 12, 31, 23, 59, 59)), "31 Dec 99 23:59:59");
  EXPECT_EQ(FormatLogStamp(MakeLocalTime(2026, 12, 6, 5, 22, 34)), "06 Dec 26 05:22:34");
  EXPECT_EQ(FormatLogStamp(MakeLocalTime(2010, 13, 1, 0, 0, 0)), "01 ??? 10 00:00:00");
}

TEST_F(LogFileTest, EntryFormatsOfEveryOperation) {
  {
    LogFile log(LogPath(), true, true);
    ::testing::internal::CaptureStdout();
    log.Log('s', "KL 1.08b4", "Scanning MNETMAIL");
    log.LogQuiet('b', "Kestrel/WIN32 1.08b4", "started");
    log.LogQuiet('\xF9', "KL 1.08b4", "found");
    log.LogPlain("plain text");
    log.Warning("KL 1.08b4", "careful");
    const std::string console = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(console, "Scanning MNETMAIL\nplain text\nWarning: careful\n");
  }
  EXPECT_EQ(LogText(),
            "\n"
            "s 01 Feb 00 09:05:03 KL 1.08b4 Scanning MNETMAIL\n"
            "b 01 Feb 00 09:05:03 Kestrel/WIN32 1.08b4 started\n"
            "\xF9 01 Feb 00 09:05:03 KL 1.08b4 found\n"
            "plain text\n"
            "? 01 Feb 00 09:05:03 KL 1.08b4 Warning: careful\n");
}

TEST_F(LogFileTest, AppendsWithOneEmptyLinePerRun) {
  dir_.WriteFile("kestrel.log", "earlier run\n");
  { LogFile(LogPath(), true, true).LogQuiet('e', "KL 1.08b4", "End work."); }
  { LogFile(LogPath(), true, true).LogQuiet('e', "KL 1.08b4", "End work."); }
  EXPECT_EQ(LogText(),
            "earlier run\n"
            "\n"
            "e 01 Feb 00 09:05:03 KL 1.08b4 End work.\n"
            "\n"
            "e 01 Feb 00 09:05:03 KL 1.08b4 End work.\n");
}

TEST_F(LogFileTest, EntriesAreCutAt255Characters) {
  {
    LogFile log(LogPath(), true, true);
    log.LogQuiet('s', "KL 1.08b4", std::string(300, 'x'));
    log.LogPlain(std::string(255, 'y'));
  }
  const std::string text = LogText();
  const std::string prefix = "s 01 Feb 00 09:05:03 KL 1.08b4 ";
  const std::string expected_first = prefix + std::string(255 - prefix.size(), 'x');
  EXPECT_EQ(text, "\n" + expected_first + "\n" + std::string(255, 'y') + "\n");
}

TEST_F(LogFileTest, WithoutAFileQuietEntriesShowNothing) {
  LogFile log("", false, false);
  ::testing::internal::CaptureStdout();
  log.LogQuiet('b', "Kestrel/WIN32 1.08b4", "started");
  log.Log('s', "KL 1.08b4", "Scanning X");
  log.Warning("KL 1.08b4", "w");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Scanning X\nWarning: w\n");
  EXPECT_TRUE(dir_.List().empty());
}

TEST_F(LogFileTest, AnUncreatableFileWarnsOnceAndOnEveryWrite) {
  const std::string path = dir_.Path("no/such/dir/kestrel.log");
  ::testing::internal::CaptureStdout();
  {
    LogFile log(path, true, true);
    log.Log('s', "KL 1.08b4", "still shown");
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Warning: Unable to create file \"" + path + "\"\n" +
                "Warning: Unable to write to file " + path + "\n" + "still shown\n");
}

TEST_F(LogFileTest, AnEmptyNameWithFileLoggingOnWarns) {
  ::testing::internal::CaptureStdout();
  { LogFile log("", true, true); }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Warning: Log filename not defined\nWarning: Unable to create file \"\"\n");
}

TEST_F(LogFileTest, AnExistingLogThatCannotBeOpenedIsNeverEmptied) {
  dir_.WriteFile("kestrel.log", "precious history\n");
  ::testing::internal::CaptureStdout();
  {
    testing::FailingOpens failing(LogPath(), platform::dos_error::kAccessDenied);
    LogFile(LogPath(), true, true).LogQuiet('s', "KL 1.08b4", "x");
  }
  const std::string console = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(LogText(), "precious history\n");
  EXPECT_EQ(console, "Warning: Unable to create file \"" + LogPath() + "\"\n" +
                         "Warning: Unable to write to file " + LogPath() + "\n");
}

TEST_F(LogFileTest, ASecondRunOnTheSameLogNeverEmptiesIt) {
  // While one run holds the log, a second one either shares it (appending)
  // or is kept out with a warning: in no case is the file recreated empty.
  // (The second does not wait for the log here: the first never lets go.)
  dir_.WriteFile("kestrel.log", "precious history\n");
  ::testing::internal::CaptureStdout();
  {
    LogFile first(LogPath(), true, true);
    first.LogQuiet('s', "KL 1.08b4", "first run");
    LogFile second(LogPath(), true, true, 0);
    second.LogQuiet('s', "KL 1.08b4", "second run");
    first.LogQuiet('e', "KL 1.08b4", "first run ends");
  }
  ::testing::internal::GetCapturedStdout();
  const std::string text = LogText();
  EXPECT_TRUE(text.starts_with("precious history\n\ns 01 Feb 00 09:05:03 KL 1.08b4 first run\n"))
      << text;
  EXPECT_NE(text.find("first run ends\n"), std::string::npos) << text;
}

// Error and Abort write the last entry of a run and let go of the file: the
// next run appends at once.
TEST_F(LogFileTest, ErrorLogsAndClosesTheFile) {
  LogFile log(LogPath(), true, true);
  ::testing::internal::CaptureStdout();
  log.Error("KL 1.08b4", "Path to netmail inbox not set. Please fix it.");
  LogFile next(LogPath(), true, true, 0);
  next.LogQuiet('b', "KL 1.08b4", "next");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Path to netmail inbox not set. Please fix it.\n");
  EXPECT_EQ(
      LogText(),
      "\n! 01 Feb 00 09:05:03 KL 1.08b4 Error: Path to netmail inbox not set. Please fix it.\n"
      "\nb 01 Feb 00 09:05:03 KL 1.08b4 next\n");
}

TEST_F(LogFileTest, ErrorWithoutAFileOnlyWritesTheConsole) {
  ::testing::internal::CaptureStdout();
  LogFile("", false, false).Error("KL 1.08b4", "boom");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error: boom\n");
  EXPECT_TRUE(dir_.List().empty());
}

TEST_F(LogFileTest, AbortPutsTheMessageRightAfterTheTagAndReturnsItsCode) {
  LogFile log(LogPath(), true, true);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(log.Abort(3, "stopped", "KL 1.08b4"), 3);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "stopped\n");
  EXPECT_EQ(LogText(), "\n! 01 Feb 00 09:05:03 KL 1.08b4stopped\n");
}

}  // namespace
}  // namespace kestrel
