// The local clock on POSIX.
#include <sys/time.h>
#include <time.h>

#include "platform/system_clock.h"

namespace kestrel::platform {

LocalTime ReadSystemClock() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  localtime_r(&now.tv_sec, &parts);
  LocalTime result;
  result.year = static_cast<std::uint16_t>(parts.tm_year + 1900);
  result.month = static_cast<std::uint16_t>(parts.tm_mon + 1);
  result.day = static_cast<std::uint16_t>(parts.tm_mday);
  result.hour = static_cast<std::uint16_t>(parts.tm_hour);
  result.minute = static_cast<std::uint16_t>(parts.tm_min);
  result.second = static_cast<std::uint16_t>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
  result.millisecond = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
  return result;
}

}  // namespace kestrel::platform
