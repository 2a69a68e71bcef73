// Case-insensitive path resolution: how a DOS-style path finds the entries it
// names on a case-sensitive file system. Internal to the POSIX platform layer.
//
// Every component that exists with its exact spelling is used as it is. One
// that does not is looked up among the entries of its directory ignoring ASCII
// case (other bytes compare exactly); the first match in byte order wins. A
// component that does not exist at all, and every one after it, is given its
// ASCII letters in lower case: that is the name a new file or directory gets.
// Existing names are never changed. A directory found under another spelling
// is looked up once and then kept (posix_known_directories.h).
#pragma once

#include <string>
#include <string_view>

namespace kestrel::platform::posix {

struct ResolvedPath {
  std::string native;             // the path to give the system ("/" separators)
  bool exists = false;            // the whole path names an existing entry
  std::string directory;          // native path of the directory of the last component
  std::string name;               // the last component as it exists or would be created
  bool directory_exists = false;  // the directory of the last component is there
};

// Resolves a DOS-style path ("\" or "/" separators, relative or absolute).
// A trailing separator is kept on `native`. The path must hold no 0 byte.
ResolvedPath ResolvePath(std::string_view path);

}  // namespace kestrel::platform::posix
