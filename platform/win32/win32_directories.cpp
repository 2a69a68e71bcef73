// Names and directories on Windows: deletion, attributes, directory creation
// and stamps, full-path expansion. Windows finds every name whatever its
// case; the names of new directories get lower-case ASCII letters
// (win32_path.h).
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_durability.h"
#include "platform/win32/win32_file_info.h"
#include "platform/win32/win32_path.h"

namespace kestrel::platform {
namespace {

using win32::LastError;

// File systems whose directories take a new last-write time whenever an
// entry is added, removed or renamed. FAT keeps the time of creation.
bool StampsDirectoryChanges(HANDLE directory) {
  wchar_t file_system[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationByHandleW(directory, nullptr, 0, nullptr, nullptr, nullptr,
                                       file_system, MAX_PATH + 1)) {
    return false;
  }
  const std::wstring name(file_system);
  return name == L"NTFS" || name == L"ReFS";
}

// The stamp of the file or directory `path` names; `directory` says which it
// must be. A directory's stamp is only given where its time tells changes.
DosError TakeStamp(std::string_view path, bool directory, DirectoryStamp& stamp) {
  stamp = DirectoryStamp{};
  if (win32::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  if (path.empty()) return dos_error::kPathNotFound;
  const HANDLE handle = ::CreateFileA(std::string(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  BY_HANDLE_FILE_INFORMATION info{};
  DosError error = dos_error::kNone;
  if (!::GetFileInformationByHandle(handle, &info)) {
    error = LastError();
  } else if (((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != directory) {
    error = directory ? dos_error::kPathNotFound : dos_error::kFileNotFound;
  } else if (directory && !StampsDirectoryChanges(handle)) {
    // Its time would not tell a change: callers then list it every time.
    error = dos_error::kNotSupported;
  } else {
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    const std::int64_t ticks = static_cast<std::int64_t>(
        static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 |
        info.ftLastWriteTime.dwLowDateTime);
    stamp.changed_ns = ticks * 100;  // 100-nanosecond ticks
  }
  ::CloseHandle(handle);
  return error;
}

}  // namespace

DosError DeleteFile(std::string_view path) {
  if (win32::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  if (path.empty()) return dos_error::kPathNotFound;
  // Windows itself refuses directories, read-only files and files that an
  // open holds (no open of this layer shares deletion). A link is deleted
  // as itself.
  return ::DeleteFileA(std::string(path).c_str()) ? dos_error::kNone : LastError();
}

DosError GetFileAttributes(std::string_view path, std::uint32_t& attributes) {
  attributes = 0;
  if (win32::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  if (path.empty()) return dos_error::kPathNotFound;
  const DWORD found = ::GetFileAttributesA(std::string(path).c_str());
  if (found == INVALID_FILE_ATTRIBUTES) return LastError();
  attributes = win32::DosAttributes(found);
  return dos_error::kNone;
}

DosError GetDirectoryStamp(std::string_view path, DirectoryStamp& stamp) {
  return TakeStamp(path, true, stamp);
}

DosError GetFileStamp(std::string_view path, DirectoryStamp& stamp) {
  return TakeStamp(path, false, stamp);
}

DosError CreateDirectory(std::string_view path) {
  if (win32::HasEmbeddedNul(path)) return dos_error::kInvalidName;
  if (path.empty()) return dos_error::kPathNotFound;
  const std::string name = win32::NewName(path);
  if (!::CreateDirectoryA(name.c_str(), nullptr)) return LastError();
  // Files are made in it next, and made durable with their names: the
  // directory itself must not vanish under them.
  return win32::SyncDirectory(win32::ParentDirectory(name));
}

std::string GetFullPathName(std::string_view path) {
  const std::string given = path.empty() ? std::string(".") : std::string(path);
  if (win32::HasEmbeddedNul(given)) return given;
  std::vector<char> full(MAX_PATH + 1);
  for (;;) {
    const DWORD length =
        ::GetFullPathNameA(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return given;
    if (length < full.size()) {
      std::string result(full.data(), length);
      for (char& c : result) {
        if (c == '/') c = '\\';
      }
      return result;
    }
    full.resize(length + 1);
  }
}

}  // namespace kestrel::platform
