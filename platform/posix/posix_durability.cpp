// Durability on POSIX: FlushFileBuffers and FlushDirectoryBuffers, with the
// directory of a new file synced at its first flush (platform/new_names.h).
#include "platform/posix/posix_durability.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_system.h"
#include "platform/new_names.h"
#include "platform/posix/posix_path.h"
#include "platform/posix/posix_path_resolver.h"
#include "platform/posix/posix_retry.h"

namespace kestrel::platform {
namespace posix {
DosError SyncDirectory(const std::string& directory) {
  if (!SyncsEnabled()) return dos_error::kNone;
  const char* name = directory.empty() ? "." : directory.c_str();
  const int fd =
      RetryOnInterrupt([name] { return ::open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (fd < 0) return DosErrorFromNative(errno);
  const int rc = RetryOnInterrupt([fd] { return ::fsync(fd); });
  const DosError error = rc != 0 ? DosErrorFromNative(errno) : dos_error::kNone;
  ::close(fd);
  return error;
}

}  // namespace posix

DosError FlushFileBuffers(FileHandle handle) {
  if (!SyncsEnabled()) return dos_error::kNone;
  const int fd = static_cast<int>(handle);
  if (posix::RetryOnInterrupt([fd] { return ::fdatasync(fd); }) != 0) {
    return DosErrorFromNative(errno);
  }
  std::string directory;
  if (!PendingDirectoryOf(handle, directory)) return dos_error::kNone;
  const DosError error = posix::SyncDirectory(directory);
  if (error == dos_error::kNone) ForgetNewName(handle);
  return error;
}

DosError FlushDirectoryBuffers(std::string_view path) {
  if (posix::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  const posix::ResolvedPath resolved = posix::ResolvePath(path);
  if (!resolved.exists) return dos_error::kPathNotFound;
  return posix::SyncDirectory(resolved.native);
}

}  // namespace kestrel::platform
