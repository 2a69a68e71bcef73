#include "platform/posix/posix_dos_time.h"

namespace kestrel::platform::posix {
namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2107;

constexpr std::uint32_t Pack(int year, int month, int day, int hour, int minute, int second) {
  const auto date = static_cast<std::uint32_t>((year - kFirstYear) << 9 | month << 5 | day);
  const auto time = static_cast<std::uint32_t>(hour << 11 | minute << 5 | second / 2);
  return date << 16 | time;
}

}  // namespace

std::uint32_t DosDateTimeOf(time_t seconds) {
  tm parts{};
  if (localtime_r(&seconds, &parts) == nullptr) return Pack(kFirstYear, 1, 1, 0, 0, 0);
  const int year = parts.tm_year + 1900;
  if (year < kFirstYear) return Pack(kFirstYear, 1, 1, 0, 0, 0);
  if (year > kLastYear) return Pack(kLastYear, 12, 31, 23, 59, 58);
  const int second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
  return Pack(year, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, second);
}

}  // namespace kestrel::platform::posix
