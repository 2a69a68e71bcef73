#include "msgbase/fido/msgid_serial.h"

#include "msgbase/fido/string_functions.h"
#include "platform/clock.h"

namespace kestrel {

std::uint32_t LastMsgIdSerial = 0;

namespace {

// How often the clock is read again before a clock that does not move is
// taken for a frozen one. The real clock moves on within a hundredth of a
// second, far fewer reads than this.
constexpr int kMaxClockReads = 1000000;

std::uint32_t SerialFromClock() {
  const platform::LocalTime now = platform::GetLocalTime();
  const std::uint32_t day_seconds = 86400;
  // Unsigned 32-bit arithmetic: wraps modulo 2^32 by definition.
  std::uint32_t v = (std::uint32_t{now.year} + 10) * 355 * day_seconds +
                    std::uint32_t{now.month} * 30 * day_seconds +
                    std::uint32_t{now.day} * day_seconds + std::uint32_t{now.hour} * 3600 +
                    std::uint32_t{now.minute} * 60 + now.second;
  const std::uint32_t hundredths = now.millisecond / 10u;
  return v << 7 | (hundredths & 127);
}

}  // namespace

std::string NewMsgIdSerial() {
  // The clock's value at the previous call. On a running clock a value equal
  // to it is a value equal to the previous serial; after a frozen clock made
  // us count on, it keeps us from going back to the frozen value.
  static std::uint32_t previous_clock_value = 0;
  std::uint32_t clock_value = SerialFromClock();
  std::uint32_t v = clock_value;
  for (int reads = 1; v == LastMsgIdSerial || clock_value == previous_clock_value; ++reads) {
    if (reads >= kMaxClockReads) {
      v = LastMsgIdSerial + 1;
      break;
    }
    clock_value = SerialFromClock();
    v = clock_value;
  }
  previous_clock_value = clock_value;
  LastMsgIdSerial = v;
  return EightHexDigits(v, HexLetters::kLower);
}

}  // namespace kestrel
