// A log that records its entries instead of writing them, for in-process
// tests of the mover.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/log_file.h"

namespace kestrel::testing {

struct RecordedEntry {
  char mark;
  std::string message;
  bool quiet;  // written to the file only
};

class RecordingLog : public LogFile {
 public:
  RecordingLog() : LogFile("", false, false) {}

  void Log(char mark, std::string_view, std::string_view message) override {
    entries.push_back({mark, std::string(message), false});
  }
  void LogQuiet(char mark, std::string_view, std::string_view message) override {
    entries.push_back({mark, std::string(message), true});
  }
  void Warning(std::string_view, std::string_view message) override {
    entries.push_back({'?', std::string(message), false});
  }
  void Error(std::string_view, std::string_view message) override {
    entries.push_back({'!', std::string(message), false});
  }

  // The messages of the entries with this mark, in order.
  std::vector<std::string> With(char mark) const {
    std::vector<std::string> found;
    for (const RecordedEntry& entry : entries) {
      if (entry.mark == mark) found.push_back(entry.message);
    }
    return found;
  }

  std::vector<RecordedEntry> entries;
};

}  // namespace kestrel::testing
