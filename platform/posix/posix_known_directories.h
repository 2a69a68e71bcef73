// Directories whose spelling this process has already looked up, so that a
// path given in another case (the configuration upper-cases every value) is
// resolved once per directory and not component by component on every open,
// create or delete in it. Internal to the POSIX platform layer.
//
// A directory is kept by the path as it was given (native separators) with
// the spelling found and the identity (device and inode) of the directory that
// spelling named. It is handed out only while that spelling still names that
// same directory (one stat): a directory removed, renamed or replaced is
// looked up anew. A directory created later under the exact given spelling,
// beside the one found, is not noticed while the found one stays.
#pragma once

#include <optional>
#include <string>

namespace kestrel::platform::posix {

// The spelling kept for the directory given as `given`, still naming the same
// existing directory; nullopt when there is none (or it is out of date).
std::optional<std::string> KnownDirectory(const std::string& given);

// Keeps `native` as the spelling of the directory given as `given`, when it
// names an existing directory.
void RememberDirectory(const std::string& given, const std::string& native);

}  // namespace kestrel::platform::posix
