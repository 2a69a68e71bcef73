#include "tests/support/kestrel_run.h"

#include <algorithm>
#include <regex>

namespace kestrel::testing {
namespace {

std::string FindLogName(const TempDir& dir) {
  for (const std::string& name : dir.List()) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    if (lower == "kestrel.log") return name;
  }
  return "";
}

}  // namespace

ProgramResult RunKestrelOn(const TempDir& dir, std::string_view config) {
  dir.WriteFile("kestrel.cfg", config);
  return RunProgram({KestrelBinary(), "kestrel.cfg"}, dir.path());
}

ProgramResult RunKestrelOnTerminal(const TempDir& dir, std::string_view config) {
  dir.WriteFile("kestrel.cfg", config);
  return RunProgramOnTerminal({KestrelBinary(), "kestrel.cfg"}, dir.path());
}

std::string ReadLog(const TempDir& dir) {
  const std::string name = FindLogName(dir);
  return name.empty() ? std::string() : dir.ReadFile(name);
}

bool HasLog(const TempDir& dir) {
  return !FindLogName(dir).empty();
}

bool IsLogEntry(std::string_view line, char mark, std::string_view tag, std::string_view message) {
  static const std::regex kStamp(
      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}");
  const std::string head = std::string(1, mark) + " ";
  const std::string tail = " " + std::string(tag) + " " + std::string(message);
  if (line.size() != head.size() + 18 + tail.size()) return false;
  if (line.substr(0, head.size()) != head || line.substr(head.size() + 18) != tail) return false;
  const std::string stamp(line.substr(head.size(), 18));
  return stamp[0] >= '0' && stamp[0] <= '3' && stamp[1] >= '0' && stamp[1] <= '9' &&
         stamp[2] == ' ' && std::regex_match(stamp.substr(3), kStamp);
}

}  // namespace kestrel::testing
