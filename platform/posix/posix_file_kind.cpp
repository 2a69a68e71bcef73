// The kind of an open file on POSIX: one query of its status.
#include <sys/stat.h>

#include <cerrno>

#include "platform/file_kind.h"

namespace kestrel::platform {

DosError IsRegularFile(FileHandle handle, bool& regular) {
  regular = false;
  struct stat status {};
  if (::fstat(static_cast<int>(handle), &status) != 0) return DosErrorFromNative(errno);
  regular = S_ISREG(status.st_mode);
  return dos_error::kNone;
}

}  // namespace kestrel::platform
