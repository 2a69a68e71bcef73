// The kind of an open file on Windows: a disk file that is no directory is
// a regular file; a console, a pipe or a device is not.
#include "platform/file_kind.h"
#include "platform/win32/win32_api.h"

namespace kestrel::platform {

DosError IsRegularFile(FileHandle handle, bool& regular) {
  regular = false;
  const HANDLE file = win32::ToHandle(handle);
  const DWORD type = ::GetFileType(file);
  if (type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) return win32::LastError();
  if (type != FILE_TYPE_DISK) return dos_error::kNone;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return win32::LastError();
  regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  return dos_error::kNone;
}

}  // namespace kestrel::platform
