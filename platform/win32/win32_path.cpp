#include "platform/win32/win32_path.h"

namespace kestrel::platform::win32 {
namespace {

// The end of the last component: trailing separators are not part of it.
std::size_t ComponentEnd(std::string_view path) {
  std::size_t end = path.size();
  while (end > 0 && IsSeparator(path[end - 1]))
    --end;
  return end;
}

// Where the last component begins: after the last separator, or after the
// colon of a drive-relative name such as "C:NETMAIL".
std::size_t ComponentStart(std::string_view path, std::size_t end) {
  std::size_t start = end;
  while (start > 0 && !IsSeparator(path[start - 1]))
    --start;
  if (start == 0 && end >= 2 && path[1] == ':') start = 2;
  return start;
}

}  // namespace

std::string NewName(std::string_view path) {
  std::string name(path);
  const std::size_t end = ComponentEnd(path);
  for (std::size_t i = ComponentStart(path, end); i < end; ++i) {
    if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<char>(name[i] - 'A' + 'a');
  }
  return name;
}

std::string ParentDirectory(std::string_view path) {
  const std::size_t start = ComponentStart(path, ComponentEnd(path));
  if (start == 0) return ".";
  std::string_view directory = path.substr(0, start);
  // Keep the separator of a root ("C:\", "\"), drop any other.
  const bool drive_root = directory.size() == 3 && directory[1] == ':';
  if (directory.size() > 1 && IsSeparator(directory.back()) && !drive_root) {
    directory.remove_suffix(1);
  }
  return std::string(directory);
}

}  // namespace kestrel::platform::win32
