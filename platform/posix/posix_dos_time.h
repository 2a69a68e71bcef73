// File times as DOS packed date-times. Internal to the POSIX platform layer.
#pragma once

#include <time.h>

#include <cstdint>

namespace kestrel::platform::posix {

// The local time of `seconds` packed as a DOS date (high word) and time (low
// word). Times before 1980 give 1 January 1980 00:00:00, times after 2107 give
// 31 December 2107 23:59:58: the range the packed form can hold.
std::uint32_t DosDateTimeOf(time_t seconds);

}  // namespace kestrel::platform::posix
