// Directory searches on Windows: FindFirstFileExA/FindNextFileA, with the
// wildcards, case rules and "." and ".." entries of Windows itself.
#include "platform/file_system.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_file_info.h"
#include "platform/win32/win32_path.h"

namespace kestrel::platform {
namespace {

void Describe(const WIN32_FIND_DATAA& raw, FindData& data) {
  data.name = raw.cFileName;
  data.attributes = win32::DosAttributes(raw.dwFileAttributes);
  data.dos_time = win32::DosDateTimeOf(raw.ftLastWriteTime);
  data.size = raw.nFileSizeLow;  // cut to 32 bits
}

class Win32FindSearch : public FindSearch {
 public:
  explicit Win32FindSearch(HANDLE search) : search_(search) {}
  ~Win32FindSearch() override { ::FindClose(search_); }
  Win32FindSearch(const Win32FindSearch&) = delete;
  Win32FindSearch& operator=(const Win32FindSearch&) = delete;

  DosError Next(FindData& data) override {
    WIN32_FIND_DATAA raw{};
    if (!::FindNextFileA(search_, &raw)) {
      return ::GetLastError() == ERROR_NO_MORE_FILES ? dos_error::kNoMoreFiles : win32::LastError();
    }
    Describe(raw, data);
    return dos_error::kNone;
  }

 private:
  HANDLE search_;
};

// Why a search found nothing. A directory part that names a file is a path
// that is not there, whatever Windows calls it (an invalid name, "not a
// directory").
DosError SearchError(std::string_view pattern, DWORD error) {
  if (error == ERROR_NO_MORE_FILES) return dos_error::kFileNotFound;
  if (error == ERROR_DIRECTORY || error == ERROR_INVALID_NAME) {
    const std::string directory = win32::ParentDirectory(pattern);
    const DWORD attributes = ::GetFileAttributesA(directory.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return dos_error::kPathNotFound;
    }
  }
  return DosErrorFromNative(static_cast<int>(error));
}

}  // namespace

DosError FindFirstFile(std::string_view pattern, std::unique_ptr<FindSearch>& search,
                       FindData& data) {
  search.reset();
  if (win32::HasEmbeddedNul(pattern)) return dos_error::kInvalidName;
  // A pattern without a last component names no entry.
  if (pattern.empty() || win32::IsSeparator(pattern.back())) return dos_error::kFileNotFound;
  WIN32_FIND_DATAA raw{};
  // The basic level leaves out the short 8.3 names, which nothing here reads.
  const HANDLE found = ::FindFirstFileExA(std::string(pattern).c_str(), FindExInfoBasic, &raw,
                                          FindExSearchNameMatch, nullptr, 0);
  if (found == INVALID_HANDLE_VALUE) return SearchError(pattern, ::GetLastError());
  Describe(raw, data);
  search = std::make_unique<Win32FindSearch>(found);
  return dos_error::kNone;
}

}  // namespace kestrel::platform
