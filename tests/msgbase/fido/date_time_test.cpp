#include "msgbase/fido/date_time.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "tests/support/test_dates.h"

namespace kestrel {
namespace {

using testing::MakeMsgDate;

TEST(DosTimeTest, PacksAndUnpacksKeepingHundredths) {
  DosTime dos;
  DateTimeToDosTime(MakeMsgDate(2000, 2, 29, 23, 59, 58), dos);
  EXPECT_EQ(dos.time, 23 * 2048 + 59 * 32 + 29);
  EXPECT_EQ(dos.date, 20 * 512 + 2 * 32 + 29);
  MsgDateTime back = MakeMsgDate(1, 1, 1, 1, 1, 1, 42);
  DosTimeToDateTime(dos, back);
  EXPECT_EQ(back, MakeMsgDate(2000, 2, 29, 23, 59, 58, 42));
  // Odd seconds lose their last bit.
  DateTimeToDosTime(MakeMsgDate(1980, 1, 1, 0, 0, 59), dos);
  DosTimeToDateTime(dos, back);
  EXPECT_EQ(back.sec, 58);
  // The latest year the 7-bit field holds.
  DateTimeToDosTime(MakeMsgDate(2107, 12, 31), dos);
  DosTimeToDateTime(dos, back);
  EXPECT_EQ(back.year, 2107);
}

TEST(DosTimeTest, FieldsAreNotMaskedWhenPacking) {
  DosTime dos;
  // Minute 64 spills into the hour bits: packing does not mask.
  DateTimeToDosTime(MakeMsgDate(1980, 1, 1, 0, 64, 0), dos);
  EXPECT_EQ(dos.time, 64 * 32);
  // A year before 1980 wraps within the 16-bit date word.
  DateTimeToDosTime(MakeMsgDate(1979, 1, 1), dos);
  EXPECT_EQ(dos.date, static_cast<std::uint16_t>(-512 + 32 + 1));
}

TEST(StampTest, DateInLowWordTimeInHighWord) {
  const std::uint32_t stamp = DateTimeToStamp(MakeMsgDate(2000, 2, 1, 9, 5, 3));
  EXPECT_EQ(stamp & 0xFFFF, 20u * 512 + 2 * 32 + 1);
  EXPECT_EQ(stamp >> 16, 9u * 2048 + 5 * 32 + 1);
  MsgDateTime back = MakeMsgDate(0, 0, 0, 0, 0, 0, 77);
  StampToDateTime(stamp, back);
  EXPECT_EQ(back, MakeMsgDate(2000, 2, 1, 9, 5, 2, 77));
}

TEST(StampTest, MasksEveryFieldButTheMonth) {
  // Hour 33 keeps its low five bits, day 40 its low five, year 2108 its low seven.
  MsgDateTime back;
  StampToDateTime(DateTimeToStamp(MakeMsgDate(2108, 3, 40, 33, 70, 0)), back);
  EXPECT_EQ(back.hour, 1);
  EXPECT_EQ(back.min, 6);
  EXPECT_EQ(back.day, 8);
  EXPECT_EQ(back.year, 1980);
  // Month 16 is not masked: it carries into the year bits.
  StampToDateTime(DateTimeToStamp(MakeMsgDate(2000, 16, 1)), back);
  EXPECT_EQ(back.month, 0);
  EXPECT_EQ(back.year, 2001);
}

TEST(JulianTest, KnownDaysAndRoundTrip) {
  EXPECT_EQ(DateToJulian(MakeMsgDate(1970, 1, 1)), 2440588);
  EXPECT_EQ(DateToJulian(MakeMsgDate(2000, 3, 1)), 2451605);
  EXPECT_EQ(DateToJulian(MakeMsgDate(2000, 2, 29)), 2451604);
  EXPECT_EQ(DateToJulian(MakeMsgDate(1900, 3, 1)) - DateToJulian(MakeMsgDate(1900, 2, 28)),
            1);  // no 29 Feb 1900
  // Every day from 1900 to 2110 converts back to itself, and consecutive days
  // have consecutive numbers.
  std::int32_t expected = DateToJulian(MakeMsgDate(1900, 1, 1));
  for (std::int32_t j = expected; j < DateToJulian(MakeMsgDate(2110, 1, 1)); ++j) {
    std::uint16_t year, month, day;
    JulianToDate(j, year, month, day);
    ASSERT_EQ(DateToJulian(MakeMsgDate(year, month, day)), j);
    ASSERT_GE(month, 1);
    ASSERT_LE(month, 12);
    ASSERT_GE(day, 1);
    ASSERT_LE(day, 31);
  }
}

TEST(JulianTest, OutOfRangeInputNeverOverflows) {
  std::uint16_t year, month, day;
  JulianToDate(INT32_MAX, year, month, day);
  JulianToDate(INT32_MIN, year, month, day);
  JulianToDate(0, year, month, day);
  MsgDateTime garbage = MakeMsgDate(65535, 65535, 65535);
  EXPECT_NE(DateToJulian(garbage), 0);
  EXPECT_NE(DateToJulian(MakeMsgDate(0, 0, 0)), 0);
}

TEST(UnixTimeTest, EpochAndKnownMoments) {
  EXPECT_EQ(DateTimeToUnix(MakeMsgDate(1970, 1, 1)), 0u);
  EXPECT_EQ(DateTimeToUnix(MakeMsgDate(1999, 12, 31, 23, 59, 59)), 946684799u);
  EXPECT_EQ(DateTimeToUnix(MakeMsgDate(2038, 1, 19, 3, 14, 7)), 2147483647u);
  EXPECT_EQ(DateTimeToUnix(MakeMsgDate(2038, 1, 19, 3, 14, 8)), 2147483648u);
  MsgDateTime dt = MakeMsgDate(1, 1, 1, 1, 1, 1, 55);
  UnixToDateTime(946684799u, dt);
  EXPECT_EQ(dt, MakeMsgDate(1999, 12, 31, 23, 59, 59, 55));
}

TEST(UnixTimeTest, WrapsModulo2To32AndReadsBackPast2038) {
  // 1969 wraps to just below 2^32.
  EXPECT_EQ(DateTimeToUnix(MakeMsgDate(1969, 12, 31, 23, 59, 59)), 0xFFFFFFFFu);
  // 7 Feb 2106 06:28:16 is 2^32: wraps to 0.
  EXPECT_EQ(DateTimeToUnix(MakeMsgDate(2106, 2, 7, 6, 28, 16)), 0u);
  MsgDateTime dt;
  UnixToDateTime(0xFFFFFFFFu, dt);
  EXPECT_EQ(dt, MakeMsgDate(2106, 2, 7, 6, 28, 15));
  // A moment after January 2038 reads back as itself, not as 1901.
  UnixToDateTime(DateTimeToUnix(MakeMsgDate(2040, 6, 15, 12, 30, 45)), dt);
  EXPECT_EQ(dt, MakeMsgDate(2040, 6, 15, 12, 30, 45));
}

TEST(MonthNameTest, NamesBothWays) {
  EXPECT_EQ(MonthName(1), "Jan");
  EXPECT_EQ(MonthName(12), "Dec");
  EXPECT_EQ(MonthName(0), "???");
  EXPECT_EQ(MonthName(13), "???");
  EXPECT_EQ(MonthName(-1), "???");
  EXPECT_EQ(MonthFromName("dec"), 12);
  EXPECT_EQ(MonthFromName("JAN"), 1);
  EXPECT_EQ(MonthFromName("mAy"), 5);
  EXPECT_EQ(MonthFromName("Dece"), 0);
  EXPECT_EQ(MonthFromName("De"), 0);
  EXPECT_EQ(MonthFromName(""), 0);
  EXPECT_EQ(MonthFromName("D\xC5\x43"), 0);  // only ASCII letters fold
}

TEST(TwoDigitYearTest, BothDirections) {
  EXPECT_EQ(YearToTwoDigits(1999), 99);
  EXPECT_EQ(YearToTwoDigits(2000), 0);
  EXPECT_EQ(YearToTwoDigits(2005), 5);
  EXPECT_EQ(TwoDigitYearToFull(0), 2000);
  EXPECT_EQ(TwoDigitYearToFull(70), 2070);
  EXPECT_EQ(TwoDigitYearToFull(71), 1971);
  EXPECT_EQ(TwoDigitYearToFull(99), 1999);
}

TEST(GetNowDateTimeTest, TakesEveryFieldFromTheClock) {
  platform::SetClockOverride([] {
    platform::LocalTime t;
    t.year = 2001;
    t.month = 9;
    t.day = 11;
    t.hour = 8;
    t.minute = 46;
    t.second = 40;
    t.millisecond = 999;
    return t;
  });
  MsgDateTime dt;
  GetNowDateTime(dt);
  platform::SetClockOverride({});
  EXPECT_EQ(dt, MakeMsgDate(2001, 9, 11, 8, 46, 40, 99));
}

}  // namespace
}  // namespace kestrel
