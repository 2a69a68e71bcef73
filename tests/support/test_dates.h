// Dates and clock readings for tests, written as plain numbers in the order
// people write them (year first).
#pragma once

#include <cstdint>

#include "msgbase/fido/date_time.h"
#include "platform/clock.h"

namespace kestrel::testing {

inline MsgDateTime MakeMsgDate(int year, int month, int day, int hour = 0, int min = 0,
                               int sec = 0, int sec100 = 0) {
  MsgDateTime dt;
  dt.year = static_cast<std::uint16_t>(year);
  dt.month = static_cast<std::uint16_t>(month);
  dt.day = static_cast<std::uint16_t>(day);
  dt.hour = static_cast<std::uint16_t>(hour);
  dt.min = static_cast<std::uint16_t>(min);
  dt.sec = static_cast<std::uint16_t>(sec);
  dt.sec100 = static_cast<std::uint16_t>(sec100);
  return dt;
}

inline platform::LocalTime MakeLocalTime(int year, int month, int day, int hour, int minute,
                                         int second, int millisecond = 0) {
  platform::LocalTime t;
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month);
  t.day = static_cast<std::uint16_t>(day);
  t.hour = static_cast<std::uint16_t>(hour);
  t.minute = static_cast<std::uint16_t>(minute);
  t.second = static_cast<std::uint16_t>(second);
  t.millisecond = static_cast<std::uint16_t>(millisecond);
  return t;
}

}  // namespace kestrel::testing
