// Files on Windows: CreateFileA with the share modes of the DOS sharing
// classes, so Kestrel and every other Windows program exclude each other
// natively; 64-bit positions and sizes; LockFile/UnlockFile for the byte
// ranges other programs lock by convention.
#include "platform/file_system.h"
#include "platform/new_names.h"

#include <algorithm>
#include <vector>

#include "platform/open_override.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_durability.h"
#include "platform/win32/win32_links.h"
#include "platform/win32/win32_path.h"

namespace kestrel::platform {
namespace {

using win32::FromHandle;
using win32::LastError;
using win32::ToHandle;

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Attempts at creating a file that another program creates or deletes at
// the same moment.
constexpr int kCreateAttempts = 3;

DWORD AccessRights(FileAccess access) {
  switch (access) {
    case FileAccess::kRead:
      return GENERIC_READ;
    case FileAccess::kWrite:
      return GENERIC_WRITE;
    case FileAccess::kReadWrite:
      break;
  }
  return kReadWrite;
}

// What other openers may do while this open holds the file. No class shares
// deletion: a file held open is not deleted under its holder.
DWORD ShareFlags(FileShare share) {
  switch (share) {
    case FileShare::kCompatibility:
    case FileShare::kDenyAll:
      return 0;
    case FileShare::kDenyWrite:
      return FILE_SHARE_READ;
    case FileShare::kDenyRead:
      return FILE_SHARE_WRITE;
    case FileShare::kDenyNone:
      break;
  }
  return kShareAll;
}

// The ranges this process has locked, so that an unlock of a range that is
// not locked answers kNotLocked whatever the system says (Wine answers it
// as a lock violation). The program is single-threaded.
struct HeldLock {
  FileHandle handle;
  std::int64_t offset;
  std::int64_t length;
  friend bool operator==(const HeldLock&, const HeldLock&) = default;
};

std::vector<HeldLock>& HeldLocks() {
  static std::vector<HeldLock> held;
  return held;
}

// Windows refuses to open a read-only file for writing; an account that may
// pass over the attribute (root under Wine) is held to it here.
DosError RefuseReadOnly(HANDLE& handle, DWORD access) {
  if ((access & GENERIC_WRITE) == 0) return dos_error::kNone;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0) {
    return dos_error::kNone;
  }
  ::CloseHandle(handle);
  handle = INVALID_HANDLE_VALUE;
  return dos_error::kAccessDenied;
}

// Opens an existing file of that name for reading and writing and empties
// it. kFileNotFound when there is none.
DosError ReplaceExisting(const std::string& path, HANDLE& handle) {
  DosError error = win32::OpenNoFollow(path, kReadWrite, kShareAll, OPEN_EXISTING, handle);
  if (error == dos_error::kNone) error = RefuseReadOnly(handle, kReadWrite);
  if (error != dos_error::kNone) return error;
  // The share modes let this open through: only now is the file emptied.
  if (!::SetEndOfFile(handle)) {
    error = LastError();
    ::CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
  return error;
}

// Creates (or with `must_be_new`, only creates) the file and opens it for
// reading and writing, deny none. A new file's name gets lower-case ASCII
// letters; an existing one keeps its name.
DosError Create(std::string_view path, bool must_be_new, FileHandle& handle) {
  handle = kInvalidFileHandle;
  if (win32::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  if (path.empty()) return dos_error::kPathNotFound;
  const std::string given(path);
  const std::string new_name = win32::NewName(path);
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    HANDLE opened = INVALID_HANDLE_VALUE;
    if (!must_be_new) {
      const DosError error = ReplaceExisting(given, opened);
      if (error == dos_error::kNone) {
        handle = FromHandle(opened);
        return error;
      }
      if (error != dos_error::kFileNotFound) return error;
    }
    // CREATE_NEW fails on any existing entry of that name, a link (even one
    // that points nowhere) included.
    const DosError error = win32::OpenNoFollow(new_name, kReadWrite, kShareAll, CREATE_NEW, opened);
    if (error == dos_error::kNone) {
      handle = FromHandle(opened);
      NoteNewName(handle, win32::ParentDirectory(new_name));
      return error;
    }
    if (must_be_new || error != dos_error::kFileExists) return error;
  }
  return dos_error::kSharingViolation;
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
  if (win32::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  if (path.empty()) return dos_error::kPathNotFound;
  const std::string name(path);
  HANDLE opened = INVALID_HANDLE_VALUE;
  const DWORD rights = AccessRights(access);
  DosError error =
      link == FinalLink::kFollow
          ? win32::OpenFollowing(name, rights, ShareFlags(share), OPEN_EXISTING, opened)
          : win32::OpenNoFollow(name, rights, ShareFlags(share), OPEN_EXISTING, opened);
  if (error == dos_error::kNone) error = RefuseReadOnly(opened, rights);
  if (error == dos_error::kNone) handle = FromHandle(opened);
  return error;
}

DosError ReadFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& done) {
  done = 0;
  DWORD moved = 0;
  if (!::ReadFile(ToHandle(handle), buffer, count, &moved, nullptr)) {
    // A pipe whose writer has closed its end is at its end, not failing.
    if (::GetLastError() != ERROR_BROKEN_PIPE) return LastError();
  }
  done = moved;
  return dos_error::kNone;
}

DosError WriteFile(FileHandle handle, const void* buffer, std::uint32_t count,
                   std::uint32_t& done) {
  done = 0;
  DWORD moved = 0;
  if (!::WriteFile(ToHandle(handle), buffer, count, &moved, nullptr)) return LastError();
  done = moved;
  return dos_error::kNone;
}

DosError SeekFile(FileHandle handle, std::int64_t distance, SeekOrigin origin,
                  std::int64_t& position) {
  const DWORD method = origin == SeekOrigin::kBegin     ? FILE_BEGIN
                       : origin == SeekOrigin::kCurrent ? FILE_CURRENT
                                                        : FILE_END;
  LARGE_INTEGER move{};
  move.QuadPart = distance;
  LARGE_INTEGER result{};
  if (!::SetFilePointerEx(ToHandle(handle), move, &result, method)) {
    position = -1;
    return LastError();
  }
  position = result.QuadPart;
  return dos_error::kNone;
}

DosError GetFileSize(FileHandle handle, std::int64_t& size) {
  size = -1;
  if (::GetFileType(ToHandle(handle)) == FILE_TYPE_DISK) {
    LARGE_INTEGER result{};
    if (!::GetFileSizeEx(ToHandle(handle), &result)) return LastError();
    size = result.QuadPart;
    return dos_error::kNone;
  }
  // Anything else answers as a seek to its end does.
  std::int64_t position = 0;
  DosError error = SeekFile(handle, 0, SeekOrigin::kCurrent, position);
  if (error != dos_error::kNone) return error;
  error = SeekFile(handle, 0, SeekOrigin::kEnd, size);
  std::int64_t back = 0;
  const DosError restore = SeekFile(handle, position, SeekOrigin::kBegin, back);
  return error != dos_error::kNone ? error : restore;
}

DosError SetEndOfFile(FileHandle handle) {
  return ::SetEndOfFile(ToHandle(handle)) ? dos_error::kNone : LastError();
}

void CloseFile(FileHandle handle) {
  if (handle == kInvalidFileHandle) return;
  ForgetNewName(handle);
  // Closing a handle releases its locks.
  std::erase_if(HeldLocks(), [handle](const HeldLock& lock) { return lock.handle == handle; });
  ::CloseHandle(ToHandle(handle));
}

DosError LockFile(FileHandle handle, std::int64_t offset, std::int64_t length) {
  if (handle == kInvalidFileHandle) return dos_error::kInvalidHandle;
  if (offset < 0 || length <= 0) return dos_error::kInvalidParameter;
  const auto start = static_cast<std::uint64_t>(offset);
  const auto size = static_cast<std::uint64_t>(length);
  if (!::LockFile(ToHandle(handle), static_cast<DWORD>(start), static_cast<DWORD>(start >> 32),
                  static_cast<DWORD>(size), static_cast<DWORD>(size >> 32))) {
    return LastError();
  }
  HeldLocks().push_back({handle, offset, length});
  return dos_error::kNone;
}

DosError UnlockFile(FileHandle handle, std::int64_t offset, std::int64_t length) {
  if (handle == kInvalidFileHandle) return dos_error::kInvalidHandle;
  std::vector<HeldLock>& held = HeldLocks();
  const auto found = std::find(held.begin(), held.end(), HeldLock{handle, offset, length});
  if (found == held.end()) return dos_error::kNotLocked;
  held.erase(found);
  const auto start = static_cast<std::uint64_t>(offset);
  const auto size = static_cast<std::uint64_t>(length);
  if (!::UnlockFile(ToHandle(handle), static_cast<DWORD>(start), static_cast<DWORD>(start >> 32),
                    static_cast<DWORD>(size), static_cast<DWORD>(size >> 32))) {
    return LastError();
  }
  return dos_error::kNone;
}

}  // namespace kestrel::platform
