// Opens that never go through a symbolic link or junction as the last
// component of a path. Internal to the Win32 platform layer.
//
// The file is opened with FILE_FLAG_OPEN_REPARSE_POINT, so a link is opened
// as itself rather than followed; when what was opened is a name surrogate
// (a symbolic link or a junction), it is closed and refused. Other reparse
// points (deduplicated or cloud files) are ordinary files to a user and are
// opened again the ordinary way.
#pragma once

#include <string>

#include "platform/win32/win32_api.h"

namespace kestrel::platform::win32 {

// CreateFileA with the given access, sharing and disposition, refusing a
// link at the last component (kStoppedOnSymlink, noted for
// TakeRefusedLink).
DosError OpenNoFollow(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                      HANDLE& handle);

// CreateFileA that follows a link at the last component.
DosError OpenFollowing(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                       HANDLE& handle);

}  // namespace kestrel::platform::win32
