#include "platform/posix/posix_path_resolver.h"

#include <sys/stat.h>

#include <cerrno>
#include <optional>

#include "platform/posix/posix_known_directories.h"
#include "platform/posix/posix_name_cache.h"
#include "platform/posix/posix_path.h"

namespace kestrel::platform::posix {
namespace {

enum class Presence { kMissing, kPresent, kUnknown };

// Whether the exact spelling exists, as any kind of entry (a dangling link
// too). kUnknown when the system cannot tell (permission, name too long, a
// loop): the path is then used as given and the system's own call reports the
// failure. `is_directory` is filled in only when `need_type` is set.
Presence ExactPresence(const std::string& path, bool need_type, bool& is_directory) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? Presence::kMissing : Presence::kUnknown;
  }
  if (need_type) {
    is_directory =
        S_ISDIR(status.st_mode) ||
        (S_ISLNK(status.st_mode) && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode));
  }
  return Presence::kPresent;
}

// Resolves a native path without trailing separator. With `need_type`,
// `is_directory` tells whether the entry found is a directory.
ResolvedPath ResolveNative(const std::string& path, bool need_type, bool& is_directory) {
  is_directory = false;
  if (path == "/") {
    is_directory = true;
    return ResolvedPath{path, true, path, "", true};
  }
  ResolvedPath result;
  SplitLast(path, result.directory, result.name);
  // A directory found before under another spelling: the path as given, whose
  // directory is not there, cannot be there either.
  const std::optional<std::string> known =
      result.directory.empty() ? std::nullopt : KnownDirectory(result.directory);
  const Presence presence =
      known ? Presence::kMissing : ExactPresence(path, need_type, is_directory);
  if (presence != Presence::kMissing) {
    result.native = path;
    result.exists = presence == Presence::kPresent;
    result.directory_exists = true;
    return result;
  }
  if (known) {
    result.directory = *known;
    result.directory_exists = true;
  } else if (!result.directory.empty()) {
    bool parent_is_directory = false;
    const ResolvedPath parent = ResolveNative(result.directory, true, parent_is_directory);
    result.directory_exists = parent.exists && parent_is_directory;
    if (result.directory_exists && parent.native != result.directory)
      RememberDirectory(result.directory, parent.native);
    result.directory = parent.native;
  } else {
    result.directory_exists = true;  // the current directory
  }
  if (result.name == "." || result.name == "..") {
    result.exists = is_directory = result.directory_exists;
  } else if (result.directory_exists) {
    if (std::optional<std::string> found = FindNameIgnoringCase(result.directory, result.name)) {
      result.name = *found;
      result.exists = true;
      if (need_type) {
        ExactPresence(JoinPath(result.directory, result.name), true, is_directory);
      }
    }
  }
  if (!result.exists) result.name = LowerAscii(result.name);
  result.native = JoinPath(result.directory, result.name);
  return result;
}

}  // namespace

ResolvedPath ResolvePath(std::string_view path) {
  std::string native = ToNativeSeparators(path);
  const bool trailing = native.size() > 1 && native.back() == '/';
  if (trailing) native.pop_back();
  if (native.empty()) return ResolvedPath{};
  bool is_directory = false;
  ResolvedPath result = ResolveNative(native, false, is_directory);
  if (trailing) result.native += '/';
  return result;
}

}  // namespace kestrel::platform::posix
