// Serial numbers for new MSGID kludges, made from the local clock.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

// The last serial handed out by NewMsgIdSerial in this process; 0 at start.
extern std::uint32_t LastMsgIdSerial;

// A new serial as eight lower-case hexadecimal digits. The value packs the
// local date and time down to the hundredth of a second; a call that would
// repeat the previous serial waits for the clock to move on. Should the clock
// stand still (a clock fixed for a test), the serial after the previous one
// is handed out instead of waiting forever.
std::string NewMsgIdSerial();

}  // namespace kestrel
