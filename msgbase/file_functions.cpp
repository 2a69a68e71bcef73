#include "msgbase/file_functions.h"

#include <memory>

#include "msgbase/dir_search.h"
#include "msgbase/file_stream.h"
#include "msgbase/stream_hooks.h"
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

}  // namespace

bool FileExists(std::string_view name) {
  std::unique_ptr<DirSearch> search = NewDirSearch();
  if (search == nullptr) return false;
  const bool found = search->FindFirst(name, kAttrAnyEntry);
  search->FindClose();
  return found;
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
  std::string full = platform::GetFullPathName(path);
  if (IsRoot(full)) return true;
  if (!full.empty() && full.back() == '\\') full.pop_back();
  std::string collected;
  for (const char c : full) {
    if (c == '\\') MakeDirQuiet(collected);
    collected += c;
  }
  MakeDirQuiet(collected);
  return true;
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
