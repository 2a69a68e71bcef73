// Durability on POSIX: FlushFileBuffers, FlushDirectoryBuffers and the names
// of new files that still wait for their directory to be synced.
#include "platform/posix/posix_durability.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/file_system.h"
#include "platform/posix/posix_path.h"
#include "platform/posix/posix_path_resolver.h"
#include "platform/posix/posix_retry.h"

namespace kestrel::platform {
namespace posix {
namespace {

#ifdef KESTREL_NO_SYNC
constexpr bool kSync = false;
#else
constexpr bool kSync = true;
#endif

std::mutex& NewNamesLock() {
  static std::mutex lock;
  return lock;
}

// Handles whose file was created through them, with the directory that
// holds the new name.
std::map<int, std::string>& NewNames() {
  static std::map<int, std::string> names;
  return names;
}

}  // namespace

void NoteNewName(int fd, const std::string& directory) {
  if (!kSync) return;
  const std::lock_guard<std::mutex> guard(NewNamesLock());
  NewNames()[fd] = directory.empty() ? std::string(".") : directory;
}

void ForgetHandle(int fd) {
  if (!kSync) return;
  const std::lock_guard<std::mutex> guard(NewNamesLock());
  NewNames().erase(fd);
}

DosError SyncDirectory(const std::string& directory) {
  if (!kSync) return dos_error::kNone;
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
  if (!posix::kSync) return dos_error::kNone;
  const int fd = static_cast<int>(handle);
  if (posix::RetryOnInterrupt([fd] { return ::fdatasync(fd); }) != 0) {
    return DosErrorFromNative(errno);
  }
  std::string directory;
  {
    const std::lock_guard<std::mutex> guard(posix::NewNamesLock());
    const auto found = posix::NewNames().find(fd);
    if (found == posix::NewNames().end()) return dos_error::kNone;
    directory = found->second;
  }
  const DosError error = posix::SyncDirectory(directory);
  if (error == dos_error::kNone) posix::ForgetHandle(fd);
  return error;
}

DosError FlushDirectoryBuffers(std::string_view path) {
  if (posix::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  const posix::ResolvedPath resolved = posix::ResolvePath(path);
  if (!resolved.exists) return dos_error::kPathNotFound;
  return posix::SyncDirectory(resolved.native);
}

}  // namespace kestrel::platform
