// The DOS date-time of a file's stamp, as both platform layers give it.
// Portable: it includes no system header.
#pragma once

#include <cstdint>

namespace kestrel::platform {

// Packs a local date and time into the 32-bit DOS form: the date (years since
// 1980, month, day) in the high word, the time (hours, minutes, seconds / 2)
// in the low word. A year before 1980 gives 1980-01-01 00:00:00, one after
// 2107 gives 2107-12-31 23:59:58, the last the form holds; a leap second
// counts as second 59.
std::uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second);

// The packed form of 1980-01-01 00:00:00, for a time that cannot be read.
std::uint32_t EarliestDosDateTime();

}  // namespace kestrel::platform
