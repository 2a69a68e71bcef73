// The local clock on Windows: GetLocalTime, with milliseconds.
#include "platform/system_clock.h"
#include "platform/win32/win32_api.h"

namespace kestrel::platform {

LocalTime ReadSystemClock() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  LocalTime result;
  result.year = now.wYear;
  result.month = now.wMonth;
  result.day = now.wDay;
  result.hour = now.wHour;
  result.minute = now.wMinute;
  result.second = now.wSecond > 59 ? 59 : now.wSecond;
  result.millisecond = now.wMilliseconds;
  return result;
}

}  // namespace kestrel::platform
