#include "msgbase/fido/date_time.h"

#include <array>

#include "platform/clock.h"

namespace kestrel {
namespace {

constexpr std::int32_t kJulianOfUnixEpoch = 2440588;  // 1 January 1970
constexpr std::int64_t kJulianBase = 1721119;
constexpr std::uint32_t kSecondsPerDay = 86400;

constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void UnpackWords(std::uint16_t date, std::uint16_t time, MsgDateTime& dt) {
  dt.year = static_cast<std::uint16_t>((date >> 9) + 1980);
  dt.month = static_cast<std::uint16_t>((date >> 5) & 15);
  dt.day = static_cast<std::uint16_t>(date & 31);
  dt.hour = static_cast<std::uint16_t>(time >> 11);
  dt.min = static_cast<std::uint16_t>((time >> 5) & 63);
  dt.sec = static_cast<std::uint16_t>((time & 31) * 2);
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

}  // namespace

void GetNowDateTime(MsgDateTime& dt) {
  const platform::LocalTime now = platform::GetLocalTime();
  dt.hour = now.hour;
  dt.min = now.minute;
  dt.sec = now.second;
  dt.sec100 = static_cast<std::uint16_t>(now.millisecond / 10);
  dt.day = now.day;
  dt.month = now.month;
  dt.year = now.year;
}

void DateTimeToDosTime(const MsgDateTime& dt, DosTime& dos) {
  // Computed in 32 bits and cut to 16: a field out of range spills into its
  // neighbours exactly as the packed form has always done, never further.
  dos.time = static_cast<std::uint16_t>(std::uint32_t{dt.hour} * 2048 + std::uint32_t{dt.min} * 32 +
                                        dt.sec / 2);
  const std::int32_t years = std::int32_t{dt.year} - 1980;
  dos.date = static_cast<std::uint16_t>(years * 512 + std::int32_t{dt.month} * 32 + dt.day);
}

void DosTimeToDateTime(const DosTime& dos, MsgDateTime& dt) {
  UnpackWords(dos.date, dos.time, dt);
}

std::uint32_t DateTimeToStamp(const MsgDateTime& dt) {
  const std::uint32_t time = ((dt.sec / 2u) & 31) + (dt.min & 63u) * 32 + (dt.hour & 31u) * 2048;
  const std::int32_t years = (std::int32_t{dt.year} - 1980) & 127;
  const auto date =
      static_cast<std::uint16_t>((dt.day & 31) + std::int32_t{dt.month} * 32 + years * 512);
  return time << 16 | date;
}

void StampToDateTime(std::uint32_t stamp, MsgDateTime& dt) {
  UnpackWords(static_cast<std::uint16_t>(stamp & 0xFFFF), static_cast<std::uint16_t>(stamp >> 16),
              dt);
}

std::int32_t DateToJulian(const MsgDateTime& dt) {
  std::int64_t y = dt.year;
  std::int64_t m = dt.month;
  if (m <= 2) {
    y -= 1;
    m += 12;
  }
  m -= 3;
  const std::int64_t century = y / 100;
  const std::int64_t year_of_century = y % 100;
  const std::int64_t julian = (146097 * century) / 4 + (1461 * year_of_century) / 4 +
                              (153 * m + 2) / 5 + dt.day + kJulianBase;
  return static_cast<std::int32_t>(julian);
}

void JulianToDate(std::int32_t julian, std::uint16_t& year, std::uint16_t& month,
                  std::uint16_t& day) {
  // 64-bit throughout: any 32-bit day number converts without overflow.
  const std::int64_t t = 4 * (std::int64_t{julian} - kJulianBase) - 1;
  const std::int64_t century = t / 146097;
  const std::int64_t d = (t % 146097) | 3;
  std::int64_t y = d / 1461;
  const std::int64_t e = ((d % 1461) + 4) / 4;
  const std::int64_t f = 5 * e - 3;
  std::int64_t m = f / 153;
  day = static_cast<std::uint16_t>(((f % 153) + 5) / 5);
  if (m >= 10) {
    m -= 9;
    y += 1;
  } else {
    m += 3;
  }
  month = static_cast<std::uint16_t>(m);
  year = static_cast<std::uint16_t>(100 * century + y);
}

std::uint32_t DateTimeToUnix(const MsgDateTime& dt) {
  const std::int64_t days = std::int64_t{DateToJulian(dt)} - kJulianOfUnixEpoch;
  const std::int64_t seconds =
      days * kSecondsPerDay + std::int64_t{dt.hour} * 3600 + std::int64_t{dt.min} * 60 + dt.sec;
  // Conversion to an unsigned type is taken modulo 2^32.
  return static_cast<std::uint32_t>(seconds);
}

void UnixToDateTime(std::uint32_t seconds, MsgDateTime& dt) {
  JulianToDate(static_cast<std::int32_t>(seconds / kSecondsPerDay) + kJulianOfUnixEpoch, dt.year,
               dt.month, dt.day);
  const std::uint32_t rest = seconds % kSecondsPerDay;
  dt.hour = static_cast<std::uint16_t>(rest / 3600);
  dt.min = static_cast<std::uint16_t>((rest % 3600) / 60);
  dt.sec = static_cast<std::uint16_t>(rest % 60);
}

std::string MonthName(int month) {
  if (month < 1 || month > 12) return "???";
  return kMonthNames[static_cast<std::size_t>(month - 1)];
}

std::uint16_t MonthFromName(std::string_view text) {
  if (text.size() != 3) return 0;
  for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
    const char* name = kMonthNames[i];
    bool equal = true;
    for (std::size_t k = 0; k < 3; ++k)
      equal = equal && UpperAscii(text[k]) == UpperAscii(name[k]);
    if (equal) return static_cast<std::uint16_t>(i + 1);
  }
  return 0;
}

int YearToTwoDigits(int year) {
  return year >= 2000 ? year - 2000 : year - 1900;
}

int TwoDigitYearToFull(int two_digit_year) {
  return two_digit_year <= 70 ? two_digit_year + 2000 : two_digit_year + 1900;
}

}  // namespace kestrel
