// Durability on Windows: FlushFileBuffers and FlushDirectoryBuffers, with the
// directory of a new file flushed at its first flush (platform/new_names.h).
#include "platform/win32/win32_durability.h"

#include "platform/new_names.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_path.h"

namespace kestrel::platform {
namespace win32 {
namespace {

// Whether a flush refused with `error` means the file system has no flush of
// a directory to offer (rather than a failure to report).
bool NoDirectoryFlush(DWORD error) {
  return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_PARAMETER || error == ERROR_ACCESS_DENIED;
}

}  // namespace

DosError SyncDirectory(const std::string& directory) {
  if (!SyncsEnabled()) return dos_error::kNone;
  // A directory is opened with backup semantics; write access is what a
  // flush of its handle needs.
  const HANDLE handle = ::CreateFileA(directory.c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return NoDirectoryFlush(error) ? dos_error::kNone : DosErrorFromNative(static_cast<int>(error));
  }
  DosError result = dos_error::kNone;
  if (!::FlushFileBuffers(handle)) {
    const DWORD error = ::GetLastError();
    if (!NoDirectoryFlush(error)) result = DosErrorFromNative(static_cast<int>(error));
  }
  ::CloseHandle(handle);
  return result;
}

}  // namespace win32

DosError FlushFileBuffers(FileHandle handle) {
  if (!SyncsEnabled()) return dos_error::kNone;
  if (!::FlushFileBuffers(win32::ToHandle(handle))) return win32::LastError();
  std::string directory;
  if (!PendingDirectoryOf(handle, directory)) return dos_error::kNone;
  const DosError error = win32::SyncDirectory(directory);
  if (error == dos_error::kNone) ForgetNewName(handle);
  return error;
}

DosError FlushDirectoryBuffers(std::string_view path) {
  if (win32::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  const std::string directory(path);
  const DWORD attributes = ::GetFileAttributesA(directory.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return dos_error::kPathNotFound;
  }
  return win32::SyncDirectory(directory);
}

}  // namespace kestrel::platform
