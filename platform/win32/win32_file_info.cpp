#include "platform/win32/win32_file_info.h"

namespace kestrel::platform::win32 {
namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2107;

constexpr std::uint32_t Pack(int year, int month, int day, int hour, int minute, int second) {
  const auto date = static_cast<std::uint32_t>((year - kFirstYear) << 9 | month << 5 | day);
  const auto time = static_cast<std::uint32_t>(hour << 11 | minute << 5 | second / 2);
  return date << 16 | time;
}

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
    return Pack(kFirstYear, 1, 1, 0, 0, 0);
  }
  if (local.wYear < kFirstYear) return Pack(kFirstYear, 1, 1, 0, 0, 0);
  if (local.wYear > kLastYear) return Pack(kLastYear, 12, 31, 23, 59, 58);
  return Pack(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
}

}  // namespace kestrel::platform::win32
