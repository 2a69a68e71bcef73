#include "platform/dos_date_time.h"

namespace kestrel::platform {
namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2107;

constexpr std::uint32_t Pack(int year, int month, int day, int hour, int minute, int second) {
  const auto date = static_cast<std::uint32_t>((year - kFirstYear) << 9 | month << 5 | day);
  const auto time = static_cast<std::uint32_t>(hour << 11 | minute << 5 | second / 2);
  return date << 16 | time;
}

}  // namespace

std::uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < kFirstYear) return EarliestDosDateTime();
  if (year > kLastYear) return Pack(kLastYear, 12, 31, 23, 59, 58);
  return Pack(year, month, day, hour, minute, second > 59 ? 59 : second);
}

std::uint32_t EarliestDosDateTime() {
  return Pack(kFirstYear, 1, 1, 0, 0, 0);
}

}  // namespace kestrel::platform
