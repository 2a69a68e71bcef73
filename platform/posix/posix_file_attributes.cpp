#include "platform/posix/posix_file_attributes.h"

#include "platform/file_system.h"

namespace kestrel::platform::posix {

std::uint32_t AttributesOf(std::string_view name, const struct stat& status, bool is_link) {
  std::uint32_t attributes = S_ISDIR(status.st_mode) ? kAttrDirectory : kAttrArchive;
  if (!S_ISDIR(status.st_mode) && !S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode)) {
    attributes |= kAttrDevice;
  }
  if (is_link || S_ISLNK(status.st_mode)) attributes |= kAttrReparsePoint;
  if ((status.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= kAttrHidden;
  return attributes;
}

}  // namespace kestrel::platform::posix
