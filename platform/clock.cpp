// The clock callers see: the system's, unless a test has replaced it.
#include "platform/clock.h"

#include <utility>

#include "platform/system_clock.h"

namespace kestrel::platform {
namespace {

std::function<LocalTime()>& ClockOverride() {
  static std::function<LocalTime()> clock;
  return clock;
}

}  // namespace

LocalTime GetLocalTime() {
  if (ClockOverride()) return ClockOverride()();
  return ReadSystemClock();
}

void SetClockOverride(std::function<LocalTime()> clock) {
  ClockOverride() = std::move(clock);
}

}  // namespace kestrel::platform
