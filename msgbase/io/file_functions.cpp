#include "msgbase/io/file_functions.h"

#include <memory>
#include <vector>

#include "msgbase/io/dir_search.h"
#include "msgbase/io/file_stream.h"
#include "msgbase/io/stream_hooks.h"
#include "platform/file_system.h"

namespace kestrel {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The root of the file system: full-path expansion gives it as a lone
// separator (it plays the part of a drive root such as C:\).
bool IsRoot(std::string_view path) {
  return path.size() == 1 && IsSeparator(path[0]);
}

// The last component of a path as it is written.
std::string_view LastComponent(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace

bool FileExists(std::string_view name) {
  std::unique_ptr<DirSearch> search = NewDirSearch();
  if (search == nullptr) return false;
  const bool found = search->FindFirst(name, kAttrAnyEntry);
  search->FindClose();
  return found;
}

bool IsDirectory(std::string_view path) {
  if (path.empty()) return false;
  std::uint32_t attributes = 0;
  return platform::GetFileAttributes(path, attributes) == platform::dos_error::kNone &&
         (attributes & platform::kAttrDirectory) != 0;
}

std::int64_t FileSizeOf(std::string_view name) {
  const std::unique_ptr<BaseStream> file =
      NewFile(std::string(name), kFileOpenRead | kFileShareDenyNone);
  if (file == nullptr || file->Status() != StOk) return -1;
  return file->GetSize();
}

bool DeleteFile(std::string_view name) {
  return platform::DeleteFile(name) == platform::dos_error::kNone;
}

void MakeDirQuiet(std::string_view path) {
  if (!IsRoot(path) && !path.empty() && IsSeparator(path.back())) path.remove_suffix(1);
  if (path.empty()) return;
  platform::CreateDirectory(path);
}

bool ForceDirectories(std::string_view path) {
  if (IsRoot(path) || path.empty()) return true;
  // The levels are made along the path as it is written, as the files of
  // the area are opened later: "a/link/../b" climbs from where the link
  // leads. A ".." after a directory that is not there would need that
  // directory made only to be left again: nothing is made at all then.
  std::vector<std::string_view> levels;
  for (std::size_t at = 0; at < path.size(); ++at) {
    if (at > 0 && IsSeparator(path[at])) levels.push_back(path.substr(0, at));
  }
  levels.push_back(path);
  for (std::string_view level : levels) {
    const std::string_view last = LastComponent(level);
    std::uint32_t attributes = 0;
    if (last == ".." &&
        (platform::GetFileAttributes(level, attributes) != platform::dos_error::kNone ||
         (attributes & platform::kAttrDirectory) == 0)) {
      return false;
    }
  }
  for (std::string_view level : levels)
    MakeDirQuiet(level);
  return true;
}

std::string DirectoryPart(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  if (cut == std::string_view::npos) return "";
  return std::string(path.substr(0, cut == 0 ? 1 : cut));
}

std::string ExpandFileName(std::string_view path) {
  return platform::GetFullPathName(path);
}

std::string ExtractDir(std::string_view path) {
  const std::string full = platform::GetFullPathName(path);
  const std::size_t last = full.rfind('\\');
  if (last == std::string::npos) return "";
  return full.substr(0, last);
}

}  // namespace kestrel
