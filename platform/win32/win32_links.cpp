#include "platform/win32/win32_links.h"

namespace kestrel::platform {
namespace win32 {
namespace {

// The last link a request was refused at, until TakeRefusedLink.
std::string& RefusedLink() {
  static std::string path;
  return path;
}

// Whether the open handle is a symbolic link or a junction itself.
bool IsNameSurrogate(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
    return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           IsReparseTagNameSurrogate(tag.ReparseTag);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  return ::GetFileInformationByHandle(handle, &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsReparsePoint(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  return ::GetFileInformationByHandle(handle, &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  return ::CreateFileA(path.c_str(), access, share, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | flags, nullptr);
}

}  // namespace

DosError OpenFollowing(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                       HANDLE& handle) {
  handle = Open(path, access, share, disposition, 0);
  return handle == INVALID_HANDLE_VALUE ? LastError() : dos_error::kNone;
}

DosError OpenNoFollow(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                      HANDLE& handle) {
  handle = Open(path, access, share, disposition, FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  if (!IsReparsePoint(handle)) return dos_error::kNone;
  const bool link = IsNameSurrogate(handle);
  ::CloseHandle(handle);
  handle = INVALID_HANDLE_VALUE;
  if (link) {
    RefusedLink() = path;
    return dos_error::kStoppedOnSymlink;
  }
  return OpenFollowing(path, access, share, disposition, handle);
}

}  // namespace win32

std::string TakeRefusedLink() {
  std::string path;
  path.swap(win32::RefusedLink());
  return path;
}

}  // namespace kestrel::platform
