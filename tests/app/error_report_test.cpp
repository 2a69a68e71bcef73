#include "app/error_report.h"

#include <gtest/gtest.h>

#include <vector>

#include "msgbase/io/run_time_error.h"

namespace kestrel {
namespace {

using Lines = std::vector<std::string>;

TEST(FormatThousandsTest, GroupsOfThreeFromTheRight) {
  EXPECT_EQ(FormatThousands(0), "0");
  EXPECT_EQ(FormatThousands(123), "123");
  EXPECT_EQ(FormatThousands(1234), "1,234");
  EXPECT_EQ(FormatThousands(123456), "123,456");
  EXPECT_EQ(FormatThousands(1234567), "1,234,567");
  EXPECT_EQ(FormatThousands(-123), "-123");  // never "-,123"
  EXPECT_EQ(FormatThousands(-123456), "-123,456");
  EXPECT_EQ(FormatThousands(INT64_MIN), "-9,223,372,036,854,775,808");
}

TEST(FailureTextTest, CategoriesAndTexts) {
  EXPECT_EQ(FailureCategory(1), "DOS ERROR: ");
  EXPECT_EQ(FailureCategory(18), "DOS ERROR: ");
  EXPECT_EQ(FailureCategory(19), "");
  EXPECT_EQ(FailureCategory(100), "I/O ERROR: ");
  EXPECT_EQ(FailureCategory(106), "I/O ERROR: ");
  EXPECT_EQ(FailureCategory(107), "");
  EXPECT_EQ(FailureCategory(150), "CRITICAL ERROR: ");
  EXPECT_EQ(FailureCategory(162), "CRITICAL ERROR: ");
  EXPECT_EQ(FailureCategory(199), "");
  EXPECT_EQ(FailureCategory(216), "CRITICAL ERROR: ");
  EXPECT_EQ(FailureCategory(217), "");
  EXPECT_EQ(FailureCategory(0), "");
  EXPECT_EQ(FailureText(5), "File access denied.");
  EXPECT_EQ(FailureText(7), "Unknown Error.");
  EXPECT_EQ(FailureText(18), "No More Files.");
  EXPECT_EQ(FailureText(106), "Invalid numeric format.");
  EXPECT_EQ(FailureText(155), "Bad drive request structure length.");
  EXPECT_EQ(FailureText(203), "Heap overflow error.");
  EXPECT_EQ(FailureText(216), "General Protection fault.");
  EXPECT_EQ(FailureText(217), "");
}

TEST(FormatErrorReportTest, TwoLinesInsideACategory) {
  EXPECT_EQ(FormatErrorReport(5, "", 0, 0x1234),
            (Lines{"Error number 005 at 00001234", "DOS ERROR: File access denied."}));
  EXPECT_EQ(FormatErrorReport(7, "", 0, 0),
            (Lines{"Error number 007 at 00000000", "DOS ERROR: Unknown Error."}));
  EXPECT_EQ(FormatErrorReport(203, "", 0, 0xDEADBEEF),
            (Lines{"Error number 203 at DEADBEEF", "CRITICAL ERROR: Heap overflow error."}));
  EXPECT_EQ(
      FormatErrorReport(2, "read_configuration", 1234, 0),
      (Lines{"Error number 002 in read_configuration, line 1,234", "DOS ERROR: File not found."}));
}

TEST(FormatErrorReportTest, OneLineOutsideEveryCategory) {
  EXPECT_EQ(FormatErrorReport(217, "message_base", 1234567, 0),
            (Lines{"Error number 217 in message_base, line 1,234,567"}));
  EXPECT_EQ(FormatErrorReport(267, "", 0, 0), (Lines{"Error number 267 at 00000000"}));
  // A module without a line, or a line without a module, is no location.
  EXPECT_EQ(FormatErrorReport(217, "m", 0, 0), (Lines{"Error number 217 at 00000000"}));
  EXPECT_EQ(FormatErrorReport(217, "", 12, 0), (Lines{"Error number 217 at 00000000"}));
}

TEST(WriteErrorReportTest, ReportsTheFailuresModuleAndLine) {
  ::testing::internal::CaptureStdout();
  int line = 0;
  try {
    line = __LINE__ + 1;
    RaiseRunTimeError(5);
  } catch (const RunTimeError& failure) {
    WriteErrorReport(failure);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error number 005 in error_report_test, line " + std::to_string(line) +
                "\nDOS ERROR: File access denied.\n");
}

}  // namespace
}  // namespace kestrel
