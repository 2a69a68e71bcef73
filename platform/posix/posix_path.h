// Path text on POSIX: DOS-style paths ("\" or "/" separators, ASCII case
// ignored) turned into native ones. Internal to the POSIX platform layer.
#pragma once

#include <string>
#include <string_view>

namespace kestrel::platform::posix {

inline bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// "\" becomes "/", runs of separators become one. A trailing separator stays.
std::string ToNativeSeparators(std::string_view path);

// True when the path holds a 0 byte, which no system call can be given.
inline bool HasEmbeddedNul(std::string_view path) {
  return path.find('\0') != std::string_view::npos;
}

// ASCII letters in lower case; every other byte as it is.
std::string LowerAscii(std::string_view text);

// The key under which names that differ only in ASCII case meet.
inline std::string FoldAscii(std::string_view text) {
  return LowerAscii(text);
}

// Joins a directory and a name with one "/" ("" stands for the current
// directory and is left out).
std::string JoinPath(std::string_view directory, std::string_view name);

// Splits a native path without trailing separator at its last "/": the
// directory part ("" when there is none, "/" for an entry of the root) and
// the last component.
void SplitLast(std::string_view path, std::string& directory, std::string& name);

}  // namespace kestrel::platform::posix
