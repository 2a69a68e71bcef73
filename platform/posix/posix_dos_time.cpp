#include "platform/posix/posix_dos_time.h"

#include "platform/dos_date_time.h"

namespace kestrel::platform::posix {

std::uint32_t DosDateTimeOf(time_t seconds) {
  tm parts{};
  if (localtime_r(&seconds, &parts) == nullptr) return EarliestDosDateTime();
  return PackDosDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                         parts.tm_min, parts.tm_sec);
}

}  // namespace kestrel::platform::posix
