#include "tests/crash/msg_area_checker.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "tests/support/msg_file.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsMessageFileName(const std::string& name) {
  const std::string lower = Lower(name);
  if (lower.size() <= 4 || lower.substr(lower.size() - 4) != ".msg") return false;
  const std::string stem = lower.substr(0, lower.size() - 4);
  return std::all_of(stem.begin(), stem.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

std::string MsgAreaCheck::Describe() const {
  std::string text;
  for (const std::string& problem : problems)
    text += problem + "\n";
  return text;
}

MsgAreaCheck CheckMsgArea(const std::string& directory) {
  MsgAreaCheck check;
  std::error_code error;
  if (!fs::is_directory(directory, error)) {
    check.problems.push_back(directory + " is not a directory");
    return check;
  }
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    const std::string name = entry.path().filename().string();
    if (Lower(name) == "msgid") {
      if (fs::file_size(entry.path(), error) > 8)
        check.problems.push_back("msgid holds more than 8 bytes");
      continue;
    }
    if (!IsMessageFileName(name)) continue;
    if (!entry.is_regular_file()) {
      check.problems.push_back(name + " is not a regular file");
      continue;
    }
    const std::string bytes = ReadWholeFile(entry.path().string());
    const std::string header = bytes.substr(0, std::min(bytes.size(), kMsgHeaderSize));
    if (std::all_of(header.begin(), header.end(), [](char c) { return c == '\0'; })) {
      ++check.unfinished;
      continue;
    }
    if (bytes.size() < kMsgHeaderSize) {
      check.problems.push_back(name + " is shorter than its header (" +
                               std::to_string(bytes.size()) + " bytes)");
    } else if (bytes.back() != '\0') {
      check.problems.push_back(name + " has a text without its closing 0 (cut short)");
    } else {
      ++check.messages;
    }
  }
  return check;
}

}  // namespace kestrel::testing
