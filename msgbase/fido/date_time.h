// The date and time of a message and its conversions: the two packed DOS
// forms, Unix seconds, Julian day numbers, month names and two-digit years.
//
// All times are local clock times; no time zone is kept. Conversions that have
// no hundredths to offer leave `sec100` as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

struct MsgDateTime {
  std::uint16_t hour = 0;    // 0-23
  std::uint16_t min = 0;     // 0-59
  std::uint16_t sec = 0;     // 0-59
  std::uint16_t sec100 = 0;  // hundredths of a second, 0-99
  std::uint16_t day = 0;     // 1-31
  std::uint16_t month = 0;   // 1-12
  std::uint16_t year = 0;    // four digits

  friend bool operator==(const MsgDateTime&, const MsgDateTime&) = default;
};

// The DOS packed date-time as two words: read as one little-endian 32-bit
// number (time word first) it has the date in the high half.
struct DosTime {
  std::uint16_t time = 0;  // hour * 2048 + minute * 32 + second / 2
  std::uint16_t date = 0;  // (year - 1980) * 512 + month * 32 + day

  friend bool operator==(const DosTime&, const DosTime&) = default;
};

// All seven fields from the local clock; sec100 = milliseconds / 10.
void GetNowDateTime(MsgDateTime& dt);

// Packs without masking any field; both words are kept to 16 bits.
void DateTimeToDosTime(const MsgDateTime& dt, DosTime& dos);
void DosTimeToDateTime(const DosTime& dos, MsgDateTime& dt);

// The stamp: the same two words the other way round, the date word in the
// low 16 bits and the time word in the high 16 bits. Packing masks every
// field to its bit width except the month.
std::uint32_t DateTimeToStamp(const MsgDateTime& dt);
void StampToDateTime(std::uint32_t stamp, MsgDateTime& dt);

// Seconds since 1 January 1970 00:00 of the local date-time, in 32-bit
// arithmetic that wraps modulo 2^32.
std::uint32_t DateTimeToUnix(const MsgDateTime& dt);
// The inverse, reading the seconds as unsigned: every value names a moment
// between 1970 and 2106.
void UnixToDateTime(std::uint32_t seconds, MsgDateTime& dt);

// The Julian day number of dt's day, month and year (2440588 is 1 January
// 1970). Fields out of range give a number all the same.
std::int32_t DateToJulian(const MsgDateTime& dt);
void JulianToDate(std::int32_t julian, std::uint16_t& year, std::uint16_t& month,
                  std::uint16_t& day);

// "Jan" ... "Dec" for 1-12, otherwise "???".
std::string MonthName(int month);
// 1-12 when `text` is exactly one of the three-letter month names in any
// ASCII case, otherwise 0.
std::uint16_t MonthFromName(std::string_view text);

// year - 2000 from 2000 on, else year - 1900 (1999 gives 99, 2005 gives 5).
int YearToTwoDigits(int year);
// 00-70 are 2000-2070, 71-99 are 1971-1999.
int TwoDigitYearToFull(int two_digit_year);

}  // namespace kestrel
