// Files and directories on POSIX with DOS/Win32 behaviour: "\" and "/" both
// separate components, names are found whatever their ASCII case and new ones
// are made in lower case (posix_path_resolver.h), and the DOS sharing classes
// hold between every open made through this layer (posix_sharing.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "platform/file_system.h"
#include "platform/new_names.h"
#include "platform/open_override.h"
#include "platform/posix/posix_durability.h"
#include "platform/posix/posix_file_attributes.h"
#include "platform/posix/posix_name_cache.h"
#include "platform/posix/posix_path.h"
#include "platform/posix/posix_path_resolver.h"
#include "platform/posix/posix_record_locks.h"
#include "platform/posix/posix_retry.h"
#include "platform/posix/posix_sharing.h"

namespace kestrel::platform {
namespace {

using posix::ResolvedPath;

// Flags of every open: no terminal takeover, no inheritance, and no waiting on
// a FIFO that a hostile directory might hold (it has no effect on regular
// files).
constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
constexpr mode_t kNewFileMode = 0666;  // less the umask
constexpr mode_t kNewDirectoryMode = 0777;

DosError LastError() {
  return DosErrorFromNative(errno);
}

// The last link a request was refused at, until TakeRefusedLink.
std::string& RefusedLink() {
  static std::string path;
  return path;
}

bool IsLink(const std::string& native) {
  struct stat status {};
  return ::lstat(native.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

// Notes the refusal of a link and gives its error.
DosError RefuseLink(const std::string& native) {
  RefusedLink() = native;
  return dos_error::kStoppedOnSymlink;
}

int Descriptor(FileHandle handle) {
  return static_cast<int>(handle);
}

// A name that does not resolve: a missing file or a missing directory on the
// way to it.
DosError NotFound(const ResolvedPath& resolved) {
  return resolved.directory_exists ? dos_error::kFileNotFound : dos_error::kPathNotFound;
}

DosError OpenError(int error, const ResolvedPath& resolved) {
  if (error == ENOENT) return NotFound(resolved);
  return DosErrorFromNative(error);
}

// What an open with O_NOFOLLOW that failed with `error` tells: a link as the
// last component (ELOOP on Linux, EMLINK on some other systems) is refused.
DosError NoFollowError(int error, const std::string& native) {
  if ((error == ELOOP || error == EMLINK) && IsLink(native)) return RefuseLink(native);
  return DosErrorFromNative(error);
}

// Why an open without following a final link failed, after the name was
// resolved.
DosError NoFollowOpenError(int error, const ResolvedPath& resolved) {
  return error == ENOENT ? NotFound(resolved) : NoFollowError(error, resolved.native);
}

int OpenNoInterrupt(const std::string& path, int flags) {
  return posix::RetryOnInterrupt(
      [&path, flags] { return ::open(path.c_str(), flags | kOpenFlags, kNewFileMode); });
}

// Checks what an open descriptor is and takes its sharing locks; closes it on
// failure. As on Win32, a directory is no file, and a read-only file (one its
// owner may not write) that was there before is not opened for writing, even
// by root.
DosError FinishOpen(int fd, bool existed, bool readable, FileAccess access, FileShare share) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    const DosError error = LastError();
    posix::CloseDescriptor(fd);
    return error;
  }
  const bool read_only = existed && (status.st_mode & S_IWUSR) == 0;
  if (S_ISDIR(status.st_mode) || (read_only && access != FileAccess::kRead)) {
    posix::CloseDescriptor(fd);
    return dos_error::kAccessDenied;
  }
  const DosError error = posix::TakeSharingLocks(fd, readable, access, share);
  if (error != dos_error::kNone) posix::CloseDescriptor(fd);
  return error;
}

// Creates (or with `must_be_new`, only creates) the file and opens it for
// reading and writing, deny none. An existing file is emptied only once the
// sharing check has let the open through.
DosError Create(std::string_view path, bool must_be_new, FileHandle& handle) {
  handle = kInvalidFileHandle;
  if (posix::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  const ResolvedPath resolved = posix::ResolvePath(path);
  if (resolved.native.empty()) return dos_error::kPathNotFound;
  if (must_be_new && resolved.exists) return dos_error::kFileExists;
  // O_NOFOLLOW: a link planted (or dangling) at the name is neither created
  // through nor emptied; O_EXCL makes a new file truly new.
  const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | (must_be_new ? O_EXCL : 0);
  const int fd = OpenNoInterrupt(resolved.native, flags);
  if (fd < 0) return NoFollowOpenError(errno, resolved);
  if (!resolved.exists) posix::NoteNameAdded(resolved.directory, resolved.name);
  DosError error =
      FinishOpen(fd, resolved.exists, true, FileAccess::kReadWrite, FileShare::kDenyNone);
  if (error != dos_error::kNone) return error;
  if (resolved.exists && ::ftruncate(fd, 0) != 0) {
    error = LastError();
    posix::CloseDescriptor(fd);
    return error;
  }
  // The new name is durable only once its directory is synced: the first
  // FlushFileBuffers of this handle does that.
  if (!resolved.exists) NoteNewName(fd, resolved.directory);
  handle = fd;
  return dos_error::kNone;
}

}  // namespace

DosError CreateFile(std::string_view path, FileHandle& handle) {
  return Create(path, false, handle);
}

DosError CreateNewFile(std::string_view path, FileHandle& handle) {
  return Create(path, true, handle);
}

DosError OpenFile(std::string_view path, FileAccess access, FileShare share, FileHandle& handle,
                  FinalLink link) {
  handle = kInvalidFileHandle;
  if (const DosError failure = OverriddenOpenFailure(path); failure != dos_error::kNone) {
    return failure;
  }
  if (posix::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  int flags = access == FileAccess::kRead    ? O_RDONLY
              : access == FileAccess::kWrite ? O_WRONLY
                                             : O_RDWR;
  if (link == FinalLink::kRefuse) flags |= O_NOFOLLOW;
  // The exact spelling first: one call when the name is right.
  std::string native = posix::ToNativeSeparators(path);
  if (native.empty()) return dos_error::kPathNotFound;
  int fd = OpenNoInterrupt(native, flags);
  if (fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR) return NoFollowError(errno, native);
    const ResolvedPath resolved = posix::ResolvePath(path);
    if (!resolved.exists) return NotFound(resolved);
    fd = OpenNoInterrupt(resolved.native, flags);
    if (fd < 0) return NoFollowOpenError(errno, resolved);
  }
  const DosError error = FinishOpen(fd, true, access != FileAccess::kWrite, access, share);
  if (error != dos_error::kNone) return error;
  handle = fd;
  return dos_error::kNone;
}

std::string TakeRefusedLink() {
  std::string path;
  path.swap(RefusedLink());
  return path;
}

DosError ReadFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& done) {
  done = 0;
  const ssize_t n =
      posix::RetryOnInterrupt([&] { return ::read(Descriptor(handle), buffer, count); });
  if (n < 0) return LastError();
  done = static_cast<std::uint32_t>(n);
  return dos_error::kNone;
}

DosError WriteFile(FileHandle handle, const void* buffer, std::uint32_t count,
                   std::uint32_t& done) {
  done = 0;
  const ssize_t n =
      posix::RetryOnInterrupt([&] { return ::write(Descriptor(handle), buffer, count); });
  if (n < 0) return LastError();
  done = static_cast<std::uint32_t>(n);
  return dos_error::kNone;
}

DosError SeekFile(FileHandle handle, std::int64_t distance, SeekOrigin origin,
                  std::int64_t& position) {
  const int whence = origin == SeekOrigin::kBegin     ? SEEK_SET
                     : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                      : SEEK_END;
  const off_t result = ::lseek(Descriptor(handle), static_cast<off_t>(distance), whence);
  if (result < 0) {
    position = -1;
    return errno == EINVAL ? dos_error::kNegativeSeek : LastError();
  }
  position = result;
  return dos_error::kNone;
}

DosError GetFileSize(FileHandle handle, std::int64_t& size) {
  size = -1;
  struct stat status {};
  if (::fstat(Descriptor(handle), &status) != 0) return LastError();
  if (S_ISREG(status.st_mode)) {
    size = status.st_size;
    return dos_error::kNone;
  }
  // Anything else answers as a seek to its end does (a pipe cannot seek).
  std::int64_t position = 0;
  DosError error = SeekFile(handle, 0, SeekOrigin::kCurrent, position);
  if (error != dos_error::kNone) return error;
  error = SeekFile(handle, 0, SeekOrigin::kEnd, size);
  std::int64_t back = 0;
  const DosError restore = SeekFile(handle, position, SeekOrigin::kBegin, back);
  return error != dos_error::kNone ? error : restore;
}

DosError SetEndOfFile(FileHandle handle) {
  const off_t position = ::lseek(Descriptor(handle), 0, SEEK_CUR);
  if (position < 0) return LastError();
  if (::ftruncate(Descriptor(handle), position) != 0) {
    return errno == EINVAL ? dos_error::kAccessDenied : LastError();
  }
  return dos_error::kNone;
}

void CloseFile(FileHandle handle) {
  if (handle == kInvalidFileHandle) return;
  ForgetNewName(handle);
  posix::CloseDescriptor(Descriptor(handle));
}

DosError LockFile(FileHandle handle, std::int64_t offset, std::int64_t length) {
  if (handle == kInvalidFileHandle) return dos_error::kInvalidHandle;
  return posix::LockRecord(Descriptor(handle), offset, length);
}

DosError UnlockFile(FileHandle handle, std::int64_t offset, std::int64_t length) {
  if (handle == kInvalidFileHandle) return dos_error::kInvalidHandle;
  return posix::UnlockRecord(Descriptor(handle), offset, length);
}

DosError DeleteFile(std::string_view path) {
  if (posix::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  const ResolvedPath resolved = posix::ResolvePath(path);
  if (!resolved.exists)
    return resolved.native.empty() ? dos_error::kPathNotFound : NotFound(resolved);
  struct stat status {};
  if (::lstat(resolved.native.c_str(), &status) != 0) return OpenError(errno, resolved);
  // As on Win32: directories, read-only files and files another open holds
  // cannot be deleted.
  if (S_ISDIR(status.st_mode)) return dos_error::kAccessDenied;
  if (!S_ISLNK(status.st_mode) && (status.st_mode & S_IWUSR) == 0) return dos_error::kAccessDenied;
  if (S_ISREG(status.st_mode)) {
    const int fd = OpenNoInterrupt(resolved.native, O_RDONLY);
    if (fd >= 0) {
      const bool in_use = posix::IsOpenElsewhere(fd);
      posix::CloseDescriptor(fd);
      if (in_use) return dos_error::kSharingViolation;
    }
  }
  if (::unlink(resolved.native.c_str()) != 0) return OpenError(errno, resolved);
  posix::NoteNameRemoved(resolved.directory, resolved.name);
  return dos_error::kNone;
}

DosError GetFileAttributes(std::string_view path, std::uint32_t& attributes) {
  attributes = 0;
  if (posix::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  const ResolvedPath resolved = posix::ResolvePath(path);
  if (!resolved.exists)
    return resolved.native.empty() ? dos_error::kPathNotFound : NotFound(resolved);
  struct stat status {};
  if (::stat(resolved.native.c_str(), &status) != 0 &&
      ::lstat(resolved.native.c_str(), &status) != 0) {
    return OpenError(errno, resolved);
  }
  attributes = posix::AttributesOf(resolved.name, status);
  return dos_error::kNone;
}

DosError GetDirectoryStamp(std::string_view path, DirectoryStamp& stamp) {
  stamp = DirectoryStamp{};
  if (posix::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  // The exact spelling first: one call when the name is right.
  std::string native = posix::ToNativeSeparators(path);
  if (native.empty()) return dos_error::kPathNotFound;
  struct stat status {};
  if (::stat(native.c_str(), &status) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return LastError();
    const ResolvedPath resolved = posix::ResolvePath(path);
    if (!resolved.exists) return dos_error::kPathNotFound;
    if (::stat(resolved.native.c_str(), &status) != 0) return OpenError(errno, resolved);
  }
  if (!S_ISDIR(status.st_mode)) return dos_error::kPathNotFound;
  stamp.device = static_cast<std::uint64_t>(status.st_dev);
  stamp.inode = static_cast<std::uint64_t>(status.st_ino);
  stamp.changed_ns =
      static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
  return dos_error::kNone;
}

DosError GetFileStamp(std::string_view path, DirectoryStamp& stamp) {
  stamp = DirectoryStamp{};
  if (posix::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  const ResolvedPath resolved = posix::ResolvePath(path);
  if (!resolved.exists) return NotFound(resolved);
  struct stat status {};
  if (::stat(resolved.native.c_str(), &status) != 0) return OpenError(errno, resolved);
  const auto nanoseconds = [](const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
  };
  stamp.device = static_cast<std::uint64_t>(status.st_dev);
  stamp.inode = static_cast<std::uint64_t>(status.st_ino);
  stamp.changed_ns = std::max(nanoseconds(status.st_mtim), nanoseconds(status.st_ctim));
  return dos_error::kNone;
}

DosError CreateDirectory(std::string_view path) {
  if (posix::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  const ResolvedPath resolved = posix::ResolvePath(path);
  if (resolved.native.empty()) return dos_error::kPathNotFound;
  if (resolved.exists) return dos_error::kAlreadyExists;
  if (::mkdir(resolved.native.c_str(), kNewDirectoryMode) != 0) {
    if (errno == EEXIST) return dos_error::kAlreadyExists;
    return errno == ENOENT ? dos_error::kPathNotFound : LastError();
  }
  posix::NoteNameAdded(resolved.directory, resolved.name);
  // Files are made in it next, and made durable with their names: the
  // directory itself must not vanish under them.
  return posix::SyncDirectory(resolved.directory);
}

std::string GetFullPathName(std::string_view path) {
  std::string native = posix::ToNativeSeparators(path);
  if (native.empty() || native[0] != '/') {
    std::vector<char> cwd(PATH_MAX);
    if (::getcwd(cwd.data(), cwd.size()) != nullptr)
      native = std::string(cwd.data()) + "/" + native;
  }
  const bool trailing = native.size() > 1 && native.back() == '/';
  // Fold "." and ".." by the text, without resolving links.
  std::vector<std::string_view> parts;
  std::string_view rest = native;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
  }
  std::string folded;
  for (const std::string_view part : parts) {
    folded += '/';
    folded += part;
  }
  if (folded.empty()) return "\\";
  // Existing components in their real spelling, the others as they would be
  // created.
  std::string result = posix::HasEmbeddedNul(folded) ? folded : posix::ResolvePath(folded).native;
  if (trailing) result += '/';
  for (char& c : result) {
    if (c == '/') c = '\\';
  }
  return result;
}

}  // namespace kestrel::platform
