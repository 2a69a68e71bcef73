// The local clock on Windows: GetLocalTime, with milliseconds.
#include <utility>

#include "platform/clock.h"
#include "platform/win32/win32_api.h"

namespace kestrel::platform {
namespace {

std::function<LocalTime()>& ClockOverride() {
  static std::function<LocalTime()> clock;
  return clock;
}

}  // namespace

LocalTime GetLocalTime() {
  if (ClockOverride()) return ClockOverride()();
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

void SetClockOverride(std::function<LocalTime()> clock) {
  ClockOverride() = std::move(clock);
}

}  // namespace kestrel::platform
