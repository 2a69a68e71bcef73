#include <gtest/gtest.h>

#include <set>
#include <string>

#include "msgbase/fido/crc32.h"
#include "msgbase/fido/msgid_serial.h"
#include "platform/clock.h"
#include "tests/support/test_dates.h"

namespace kestrel {
namespace {

using testing::MakeLocalTime;

class FixedClock {
 public:
  explicit FixedClock(platform::LocalTime* time) {
    platform::SetClockOverride([time] { return *time; });
  }
  ~FixedClock() { platform::SetClockOverride({}); }
};

TEST(MsgIdSerialTest, PacksTheClockIntoEightLowerCaseHexDigits) {
  platform::LocalTime now = MakeLocalTime(2000, 6, 15, 12, 34, 56, 780);
  FixedClock clock(&now);
  std::uint32_t v =
      (2000u + 10) * 355 * 86400 + 6u * 30 * 86400 + 15u * 86400 + 12u * 3600 + 34u * 60 + 56;
  v = v << 7 | 78;
  char expected[9];
  std::snprintf(expected, sizeof expected, "%08x", v);
  LastMsgIdSerial = 0;
  EXPECT_EQ(NewMsgIdSerial(), expected);
  EXPECT_EQ(LastMsgIdSerial, v);
}

TEST(MsgIdSerialTest, ConsecutiveSerialsDifferOnTheRealClock) {
  std::set<std::string> seen;
  std::string previous;
  for (int i = 0; i < 20; ++i) {
    const std::string serial = NewMsgIdSerial();
    ASSERT_EQ(serial.size(), 8u);
    ASSERT_EQ(serial.find_first_not_of("0123456789abcdef"), std::string::npos) << serial;
    ASSERT_NE(serial, previous);
    previous = serial;
    seen.insert(serial);
  }
  EXPECT_EQ(seen.size(), 20u);
}

TEST(MsgIdSerialTest, WaitsForTheClockToMoveOn) {
  // The clock stands still for a number of reads, then moves on by one
  // hundredth: the second serial is the one of the later moment.
  platform::LocalTime first = MakeLocalTime(2024, 1, 2, 3, 4, 5, 60);
  platform::LocalTime later = MakeLocalTime(2024, 1, 2, 3, 4, 5, 70);
  int reads = 0;
  platform::SetClockOverride([&] { return ++reads < 50 ? first : later; });
  const std::string a = NewMsgIdSerial();
  const std::string b = NewMsgIdSerial();
  platform::SetClockOverride({});
  EXPECT_NE(a, b);
  EXPECT_EQ(std::stoul(b, nullptr, 16), std::stoul(a, nullptr, 16) + 1);
  EXPECT_GE(reads, 50);
}

TEST(MsgIdSerialTest, AFrozenClockNeverHangsAndNeverRepeats) {
  platform::LocalTime now = MakeLocalTime(2010, 10, 10, 10, 10, 10, 100);
  FixedClock clock(&now);
  std::set<std::string> seen;
  for (int i = 0; i < 3; ++i)
    seen.insert(NewMsgIdSerial());
  EXPECT_EQ(seen.size(), 3u);
}

TEST(Crc32Test, PublishedTableAndUpdateStep) {
  EXPECT_EQ(Crc32TableEntry(0), 0u);
  EXPECT_EQ(Crc32TableEntry(1), 0x77073096u);
  EXPECT_EQ(Crc32TableEntry(128), 0xEDB88320u);
  EXPECT_EQ(Crc32TableEntry(255), 0x2D02EF8Du);
  // "abc" from FFFFFFFFh without the final complement; the complement of the
  // result is the well-known CRC-32 of "abc" (352441C2h).
  std::uint32_t crc = 0xFFFFFFFFu;
  for (char c : std::string("abc"))
    crc = Crc32Update(crc, static_cast<std::uint8_t>(c));
  EXPECT_EQ(crc, 0xCADBBE3Du);
  EXPECT_EQ(~crc, 0x352441C2u);
  // The check value of the standard: "123456789" gives CBF43926h after complement.
  crc = 0xFFFFFFFFu;
  for (char c : std::string("123456789"))
    crc = Crc32Update(crc, static_cast<std::uint8_t>(c));
  EXPECT_EQ(~crc, 0xCBF43926u);
}

TEST(Crc32Test, LowerAsciiFoldsOnlyAsciiCapitals) {
  EXPECT_EQ(LowerAscii('A'), 'a');
  EXPECT_EQ(LowerAscii('Z'), 'z');
  EXPECT_EQ(LowerAscii('a'), 'a');
  EXPECT_EQ(LowerAscii('@'), '@');
  EXPECT_EQ(LowerAscii('['), '[');
  EXPECT_EQ(LowerAscii('\x80'), '\x80');  // Cyrillic capital A of code page 866 stays
  EXPECT_EQ(LowerAscii('\0'), '\0');
}

}  // namespace
}  // namespace kestrel
