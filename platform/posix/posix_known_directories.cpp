#include "platform/posix/posix_known_directories.h"

#include <sys/stat.h>

#include <unordered_map>

namespace kestrel::platform::posix {
namespace {

// Directories kept at most; beyond that all are dropped and found anew.
constexpr std::size_t kMaxDirectories = 256;

struct Known {
  std::string native;
  dev_t device = 0;
  ino_t inode = 0;
};

std::unordered_map<std::string, Known>& Directories() {
  static std::unordered_map<std::string, Known> directories;
  return directories;
}

bool StatDirectory(const std::string& native, struct stat& status) {
  return ::stat(native.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::optional<std::string> KnownDirectory(const std::string& given) {
  auto& directories = Directories();
  const auto found = directories.find(given);
  if (found == directories.end()) return std::nullopt;
  struct stat status {};
  if (!StatDirectory(found->second.native, status) || status.st_dev != found->second.device ||
      status.st_ino != found->second.inode) {
    directories.erase(found);
    return std::nullopt;
  }
  return found->second.native;
}

void RememberDirectory(const std::string& given, const std::string& native) {
  struct stat status {};
  if (!StatDirectory(native, status)) return;
  auto& directories = Directories();
  if (directories.size() >= kMaxDirectories) directories.clear();
  directories[given] = Known{native, status.st_dev, status.st_ino};
}

}  // namespace kestrel::platform::posix
