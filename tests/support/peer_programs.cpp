#include "tests/support/peer_programs.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace kestrel::testing {

namespace fs = std::filesystem;

namespace {

bool IsExecutableFile(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::is_regular_file(status)) return false;
  const fs::perms exec = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
  return (status.permissions() & exec) != fs::perms::none;
}

std::vector<std::string> SearchDirectories() {
  std::vector<std::string> dirs;
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    if (!dir.empty()) dirs.emplace_back(dir);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  for (const char* dir :
       {"/usr/local/sbin", "/usr/local/bin", "/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
    dirs.emplace_back(dir);
  }
  return dirs;
}

}  // namespace

std::string FindProgram(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return "";
  for (const std::string& dir : SearchDirectories()) {
    const fs::path candidate = fs::path(dir) / name;
    if (candidate.is_absolute() && IsExecutableFile(candidate)) return candidate.string();
  }
  return "";
}

ProgramResult RunPeerProgram(const std::vector<std::string>& argv, const std::string& working_dir) {
  static const std::string timeout = FindProgram("timeout");
  if (timeout.empty()) return RunProgram(argv, working_dir);
  std::vector<std::string> bounded = {timeout, "--kill-after=10",
                                      std::to_string(kPeerTimeoutSeconds)};
  bounded.insert(bounded.end(), argv.begin(), argv.end());
  return RunProgram(bounded, working_dir);
}

}  // namespace kestrel::testing
