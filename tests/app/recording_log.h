// A log that records its entries instead of writing them, for in-process
// tests of the mover. A fatal error throws FatalLogError instead of ending
// the process, so a test can look at what the run left behind.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/log_file.h"

namespace kestrel::testing {

struct FatalLogError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

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
  [[noreturn]] void Error(std::string_view, std::string_view message) override {
    entries.push_back({'!', std::string(message), false});
    throw FatalLogError(std::string(message));
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
