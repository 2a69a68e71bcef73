// Listing a directory's names with their kind, from the directory search
// itself: Windows gives every entry's attributes with its name.
#include "platform/file_system.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_path.h"

namespace kestrel::platform {

DosError ListEntryKinds(std::string_view directory, std::string_view pattern,
                        const std::function<void(std::string_view name, bool regular)>& take) {
  if (win32::HasEmbeddedNul(directory) || win32::HasEmbeddedNul(pattern)) {
    return dos_error::kInvalidName;
  }
  std::string search(directory.empty() ? std::string_view(".") : directory);
  if (!win32::IsSeparator(search.back())) search += '\\';
  search += pattern;
  WIN32_FIND_DATAA raw{};
  const HANDLE found =
      ::FindFirstFileExA(search.c_str(), FindExInfoBasic, &raw, FindExSearchNameMatch, nullptr, 0);
  if (found == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
      // No entry matches: the directory itself must still be there.
      const DWORD attributes =
          ::GetFileAttributesA(std::string(search, 0, search.size() - pattern.size()).c_str());
      return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                 ? dos_error::kNone
                 : dos_error::kPathNotFound;
    }
    return error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY ? dos_error::kPathNotFound
                                                                     : win32::LastError();
  }
  constexpr DWORD kNotRegular =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  do {
    const std::string_view name = raw.cFileName;
    if (name == "." || name == "..") continue;
    take(name, (raw.dwFileAttributes & kNotRegular) == 0);
  } while (::FindNextFileA(found, &raw));
  ::FindClose(found);
  return dos_error::kNone;
}

}  // namespace kestrel::platform
