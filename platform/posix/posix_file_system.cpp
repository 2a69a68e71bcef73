// Files and directories on POSIX.
//
// First version: "\" and "/" both separate components; names are used with
// their exact spelling. Case-insensitive lookup, lower-case creation, the DOS
// sharing classes and wildcard searches with full attribute support are built
// on top of this.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/file_system.h"

namespace kestrel::platform {
namespace {

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

DosError LastError() { return DosErrorFromNative(errno); }

std::uint32_t AttributesOf(const std::string& name, const struct stat& st) {
  std::uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) {
    attributes |= kAttrDirectory;
  } else {
    attributes |= kAttrArchive;
  }
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= kAttrHidden;
  return attributes;
}

std::uint32_t DosTimeOf(time_t seconds) {
  tm parts{};
  localtime_r(&seconds, &parts);
  int year = parts.tm_year + 1900;
  if (year < 1980) return (1u << 5 | 1u) << 16;  // 1 Jan 1980, the earliest DOS date
  const std::uint32_t date = static_cast<std::uint32_t>((year - 1980) << 9 | (parts.tm_mon + 1) << 5 |
                                                        parts.tm_mday);
  const std::uint32_t time = static_cast<std::uint32_t>(parts.tm_hour << 11 | parts.tm_min << 5 |
                                                        parts.tm_sec / 2);
  return date << 16 | time;
}

bool WildcardMatch(std::string_view name, std::string_view pattern) {
  // Iterative "*" and "?" match, ignoring ASCII case.
  auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
  std::size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

class PosixFindSearch : public FindSearch {
 public:
  PosixFindSearch(std::string directory, std::string pattern)
      : directory_(std::move(directory)), pattern_(std::move(pattern)) {}
  ~PosixFindSearch() override {
    if (dir_ != nullptr) closedir(dir_);
  }

  DosError Start() {
    dir_ = opendir(directory_.empty() ? "." : directory_.c_str());
    if (dir_ == nullptr) return errno == ENOENT ? dos_error::kPathNotFound : LastError();
    return dos_error::kNone;
  }

  DosError Next(FindData& data) override {
    if (pattern_ == "*.*") pattern_ = "*";
    while (dirent* entry = readdir(dir_)) {
      std::string name = entry->d_name;
      if (!WildcardMatch(name, pattern_)) continue;
      struct stat st {};
      std::string full = (directory_.empty() ? std::string(".") : directory_) + "/" + name;
      if (stat(full.c_str(), &st) != 0) continue;
      data.name = name;
      data.attributes = AttributesOf(name, st);
      data.dos_time = DosTimeOf(st.st_mtime);
      data.size = static_cast<std::uint32_t>(st.st_size);
      return dos_error::kNone;
    }
    return dos_error::kNoMoreFiles;
  }

 private:
  std::string directory_;
  std::string pattern_;
  DIR* dir_ = nullptr;
};

DosError OpenWithFlags(std::string_view path, int flags, FileHandle& handle) {
  handle = kInvalidFileHandle;
  const std::string native = NativePath(path);
  int fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return LastError();
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return dos_error::kAccessDenied;
  }
  handle = fd;
  return dos_error::kNone;
}

}  // namespace

DosError CreateFile(std::string_view path, FileHandle& handle) {
  return OpenWithFlags(path, O_RDWR | O_CREAT | O_TRUNC, handle);
}

DosError CreateNewFile(std::string_view path, FileHandle& handle) {
  return OpenWithFlags(path, O_RDWR | O_CREAT | O_EXCL, handle);
}

DosError OpenFile(std::string_view path, FileAccess access, FileShare /*share*/,
                  FileHandle& handle) {
  int flags = O_RDONLY;
  if (access == FileAccess::kWrite) flags = O_WRONLY;
  if (access == FileAccess::kReadWrite) flags = O_RDWR;
  return OpenWithFlags(path, flags, handle);
}

DosError ReadFile(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t& done) {
  done = 0;
  ssize_t n = ::read(static_cast<int>(handle), buffer, count);
  if (n < 0) return LastError();
  done = static_cast<std::uint32_t>(n);
  return dos_error::kNone;
}

DosError WriteFile(FileHandle handle, const void* buffer, std::uint32_t count,
                   std::uint32_t& done) {
  done = 0;
  ssize_t n = ::write(static_cast<int>(handle), buffer, count);
  if (n < 0) return LastError();
  done = static_cast<std::uint32_t>(n);
  return dos_error::kNone;
}

DosError SeekFile(FileHandle handle, std::int64_t distance, SeekOrigin origin,
                  std::int64_t& position) {
  int whence = origin == SeekOrigin::kBegin ? SEEK_SET
               : origin == SeekOrigin::kCurrent ? SEEK_CUR
                                                : SEEK_END;
  off_t result = ::lseek(static_cast<int>(handle), static_cast<off_t>(distance), whence);
  if (result < 0) {
    position = -1;
    return LastError();
  }
  position = result;
  return dos_error::kNone;
}

DosError SetEndOfFile(FileHandle handle) {
  off_t position = ::lseek(static_cast<int>(handle), 0, SEEK_CUR);
  if (position < 0) return LastError();
  if (::ftruncate(static_cast<int>(handle), position) != 0) return LastError();
  return dos_error::kNone;
}

void CloseFile(FileHandle handle) {
  if (handle != kInvalidFileHandle) ::close(static_cast<int>(handle));
}

DosError DeleteFile(std::string_view path) {
  const std::string native = NativePath(path);
  struct stat st {};
  if (::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return dos_error::kAccessDenied;
  if (::unlink(native.c_str()) != 0) return LastError();
  return dos_error::kNone;
}

DosError GetFileAttributes(std::string_view path, std::uint32_t& attributes) {
  const std::string native = NativePath(path);
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) return LastError();
  std::string name = native.substr(native.find_last_of('/') + 1);
  attributes = AttributesOf(name, st);
  return dos_error::kNone;
}

DosError CreateDirectory(std::string_view path) {
  const std::string native = NativePath(path);
  if (::mkdir(native.c_str(), 0777) != 0) {
    return errno == EEXIST ? dos_error::kAlreadyExists : LastError();
  }
  return dos_error::kNone;
}

std::string GetFullPathName(std::string_view path) {
  std::string native = NativePath(path);
  if (native.empty() || native[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) != nullptr) native = std::string(cwd) + "/" + native;
  }
  // Fold "." and ".." components.
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= native.size()) {
    std::size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    std::string part = native.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "\\" + part;
  if (result.empty()) result = "\\";
  if (native.size() > 1 && native.back() == '/' && result != "\\") result += "\\";
  return result;
}

DosError FindFirstFile(std::string_view pattern, std::unique_ptr<FindSearch>& search,
                       FindData& data) {
  const std::string native = NativePath(pattern);
  const std::size_t slash = native.find_last_of('/');
  std::string directory = slash == std::string::npos ? "" : native.substr(0, slash);
  if (slash == 0) directory = "/";
  std::string name_pattern = slash == std::string::npos ? native : native.substr(slash + 1);
  auto found = std::make_unique<PosixFindSearch>(directory, name_pattern);
  DosError error = found->Start();
  if (error != dos_error::kNone) return error;
  error = found->Next(data);
  if (error != dos_error::kNone) return error == dos_error::kNoMoreFiles ? dos_error::kFileNotFound : error;
  search = std::move(found);
  return dos_error::kNone;
}

}  // namespace kestrel::platform
