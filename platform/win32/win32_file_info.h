// DOS attribute bits and DOS date-times of Windows entries. Internal to the
// Win32 platform layer.
#pragma once

#include <cstdint>

#include "platform/win32/win32_api.h"

namespace kestrel::platform::win32 {

// The DOS bits of Windows attributes: read-only, hidden, system, volume
// label, directory, archive and device keep their values (they are the same
// bits); 400h marks a reparse point (a symbolic link or junction). Bits DOS
// never had (normal, temporary, compressed, ...) are left out.
std::uint32_t DosAttributes(DWORD attributes);

// A file time (UTC) as a local DOS date (high word) and time (low word), in
// the time-zone rules of that date. Times before 1980 give 1 January 1980
// 00:00:00, times after 2107 give 31 December 2107 23:59:58.
std::uint32_t DosDateTimeOf(const FILETIME& file_time);

}  // namespace kestrel::platform::win32
