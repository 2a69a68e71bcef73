// Directory searches on POSIX: the entries of one directory whose names match
// a DOS pattern, "." and ".." included, with DOS attributes and times.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/file_system.h"
#include "platform/posix/posix_dos_time.h"
#include "platform/posix/posix_file_attributes.h"
#include "platform/posix/posix_path.h"
#include "platform/posix/posix_path_resolver.h"
#include "platform/posix/posix_wildcard.h"

namespace kestrel::platform {
namespace {

using posix::AttributesOf;

void Describe(const std::string& name, const struct stat& status, bool is_link, FindData& data) {
  data.name = name;
  data.attributes = AttributesOf(name, status, is_link);
  data.dos_time = posix::DosDateTimeOf(status.st_mtim.tv_sec);
  data.size = static_cast<std::uint32_t>(status.st_size);
}

// The status of an entry, following a link; a dangling link describes itself.
// `is_link` tells whether the entry itself is a link.
bool StatEntry(int directory_fd, const char* name, struct stat& status, bool& is_link) {
  if (::fstatat(directory_fd, name, &status, AT_SYMLINK_NOFOLLOW) != 0) return false;
  is_link = S_ISLNK(status.st_mode);
  if (is_link) {
    struct stat target {};
    if (::fstatat(directory_fd, name, &target, 0) == 0) status = target;
  }
  return true;
}

class PosixFindSearch : public FindSearch {
 public:
  PosixFindSearch(DIR* directory, std::string pattern)
      : directory_(directory), pattern_(std::move(pattern)) {}
  ~PosixFindSearch() override { ::closedir(directory_); }
  PosixFindSearch(const PosixFindSearch&) = delete;
  PosixFindSearch& operator=(const PosixFindSearch&) = delete;

  DosError Next(FindData& data) override {
    while (const dirent* entry = ::readdir(directory_)) {
      if (!posix::MatchesWildcard(entry->d_name, pattern_)) continue;
      struct stat status {};
      bool is_link = false;
      if (!StatEntry(::dirfd(directory_), entry->d_name, status, is_link)) continue;  // gone
      Describe(entry->d_name, status, is_link, data);
      return dos_error::kNone;
    }
    return dos_error::kNoMoreFiles;
  }

 private:
  DIR* directory_;
  std::string pattern_;
};

// A search for one name without wildcards finds that entry alone.
class SingleEntrySearch : public FindSearch {
 public:
  DosError Next(FindData&) override { return dos_error::kNoMoreFiles; }
};

}  // namespace

DosError FindFirstFile(std::string_view pattern, std::unique_ptr<FindSearch>& search,
                       FindData& data) {
  search.reset();
  if (posix::HasEmbeddedNul(pattern)) return dos_error::kInvalidName;
  const std::string native = posix::ToNativeSeparators(pattern);
  if (native.empty() || native.back() == '/') return dos_error::kFileNotFound;
  std::string directory_part;
  std::string name_pattern;
  posix::SplitLast(native, directory_part, name_pattern);

  if (!posix::HasWildcards(name_pattern)) {
    const posix::ResolvedPath resolved = posix::ResolvePath(native);
    if (!resolved.exists) {
      return resolved.directory_exists ? dos_error::kFileNotFound : dos_error::kPathNotFound;
    }
    struct stat status {};
    if (::lstat(resolved.native.c_str(), &status) != 0) return DosErrorFromNative(errno);
    const bool is_link = S_ISLNK(status.st_mode);
    struct stat target {};
    if (is_link && ::stat(resolved.native.c_str(), &target) == 0) status = target;
    Describe(resolved.name, status, is_link, data);
    search = std::make_unique<SingleEntrySearch>();
    return dos_error::kNone;
  }

  std::string directory = directory_part;
  if (!directory.empty() && directory != "/") {
    const posix::ResolvedPath resolved = posix::ResolvePath(directory);
    if (!resolved.exists) return dos_error::kPathNotFound;
    directory = resolved.native;
  }
  DIR* stream = ::opendir(directory.empty() ? "." : directory.c_str());
  if (stream == nullptr) {
    return errno == ENOENT || errno == ENOTDIR ? dos_error::kPathNotFound
                                               : DosErrorFromNative(errno);
  }
  auto found = std::make_unique<PosixFindSearch>(stream, name_pattern);
  const DosError error = found->Next(data);
  if (error != dos_error::kNone) {
    return error == dos_error::kNoMoreFiles ? dos_error::kFileNotFound : error;
  }
  search = std::move(found);
  return dos_error::kNone;
}

}  // namespace kestrel::platform
