// Listing a directory's names with their kind, from the listing itself.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/file_system.h"
#include "platform/posix/posix_path.h"
#include "platform/posix/posix_path_resolver.h"
#include "platform/posix/posix_wildcard.h"

namespace kestrel::platform {
namespace {

// Whether the entry is a regular file itself (a link to one is not): from the
// listing's type, or from the entry's status where the file system gives none.
bool IsRegularEntry(int directory_fd, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_REG;
  struct stat status {};
  return ::fstatat(directory_fd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(status.st_mode);
}

}  // namespace

DosError ListEntryKinds(std::string_view directory, std::string_view pattern,
                        const std::function<void(std::string_view name, bool regular)>& take) {
  if (posix::HasEmbeddedNul(directory)) return dos_error::kInvalidName;
  std::string native = posix::ToNativeSeparators(directory);
  if (!native.empty() && native != "/") {
    const posix::ResolvedPath resolved = posix::ResolvePath(native);
    if (!resolved.exists) return dos_error::kPathNotFound;
    native = resolved.native;
  }
  DIR* stream = ::opendir(native.empty() ? "." : native.c_str());
  if (stream == nullptr) {
    return errno == ENOENT || errno == ENOTDIR ? dos_error::kPathNotFound
                                               : DosErrorFromNative(errno);
  }
  while (const dirent* entry = ::readdir(stream)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == ".." || !posix::MatchesWildcard(name, pattern)) continue;
    take(name, IsRegularEntry(::dirfd(stream), *entry));
  }
  ::closedir(stream);
  return dos_error::kNone;
}

}  // namespace kestrel::platform
