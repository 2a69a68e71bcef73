// The local wall clock, with milliseconds.
#pragma once

#include <cstdint>
#include <functional>

namespace kestrel::platform {

struct LocalTime {
  std::uint16_t year = 0;   // four digits
  std::uint16_t month = 0;  // 1-12
  std::uint16_t day = 0;    // 1-31
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t millisecond = 0;
};

LocalTime GetLocalTime();

// Replaces the system clock, for tests. An empty function restores it.
void SetClockOverride(std::function<LocalTime()> clock);

}  // namespace kestrel::platform
