#include "platform/win32/win32_file_info.h"

#include "platform/dos_date_time.h"

namespace kestrel::platform::win32 {
namespace {

constexpr std::uint32_t kDosBits = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrVolumeLabel |
                                   kAttrDirectory | kAttrArchive | kAttrDevice;

}  // namespace

std::uint32_t DosAttributes(DWORD attributes) {
  std::uint32_t dos = attributes & kDosBits;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) dos |= kAttrReparsePoint;
  return dos;
}

std::uint32_t DosDateTimeOf(const FILETIME& file_time) {
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (!::FileTimeToSystemTime(&file_time, &utc) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return EarliestDosDateTime();
  }
  return PackDosDateTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute,
                         local.wSecond);
}

}  // namespace kestrel::platform::win32
