// Path text on Windows. Internal to the Win32 platform layer.
//
// Windows itself takes both "\" and "/", drive letters and UNC names, and
// finds names whatever their case; the layer hands paths over as they are.
// Only the name of a file or directory it creates is changed: its ASCII
// letters go to lower case, as the POSIX build makes them (the configuration
// upper-cases every value, so the case the sysop wrote is lost anyway; one
// spelling on both builds keeps areas shared with POSIX software readable).
#pragma once

#include <string>
#include <string_view>

namespace kestrel::platform::win32 {

inline bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// True when the path holds a 0 byte, which no Windows call can be given.
inline bool HasEmbeddedNul(std::string_view path) {
  return path.find('\0') != std::string_view::npos;
}

// The path with the ASCII letters of its last component in lower case: the
// name a new file or directory gets. Windows matches names without regard to
// case, so an existing entry of any spelling is still the one it names.
std::string NewName(std::string_view path);

// The directory that holds the last component of the path, as a path to
// open: "C:\FIDO" for "C:\FIDO\NETMAIL", "C:\" for "C:\NETMAIL", "." for a
// bare name.
std::string ParentDirectory(std::string_view path);

}  // namespace kestrel::platform::win32
