// The Windows API as the Win32 platform layer sees it. Internal to that layer.
//
// <windows.h> defines macros such as CreateFile and DeleteFile that would
// rename this layer's own functions of the same names; they are undefined
// here, and the layer calls the ANSI functions by their full names
// (CreateFileA, DeleteFileA, ...): names are bytes, passed as they are.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CreateDirectory
#undef CreateFile
#undef DeleteFile
#undef FindFirstFile
#undef FindNextFile
#undef GetFileAttributes
#undef GetFullPathName

#include "platform/file_system.h"

namespace kestrel::platform::win32 {

inline HANDLE ToHandle(FileHandle handle) {
  return reinterpret_cast<HANDLE>(handle);
}

inline FileHandle FromHandle(HANDLE handle) {
  return reinterpret_cast<FileHandle>(handle);
}

// The DOS error of the calling thread's last failed Windows call.
inline DosError LastError() {
  return DosErrorFromNative(static_cast<int>(::GetLastError()));
}

}  // namespace kestrel::platform::win32
