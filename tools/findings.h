// What kestrel-check reports: findings tied to a configuration line (or to
// the file as a whole), each with its weight.
#pragma once

#include <string>
#include <vector>

namespace kestrel::check {

enum class Severity {
  kNote,     // worth knowing; nothing is wrong
  kWarning,  // a line or value that does not do what it seems to
  kError,    // Kestrel would refuse the file or end with an error
};

struct Finding {
  int line = 0;  // 1 for the first line; 0 for the file as a whole
  Severity severity = Severity::kNote;
  std::string text;
};

class Findings {
 public:
  void Add(int line, Severity severity, std::string text) {
    list_.push_back(Finding{line, severity, std::move(text)});
  }
  void Note(int line, std::string text) { Add(line, Severity::kNote, std::move(text)); }
  void Warn(int line, std::string text) { Add(line, Severity::kWarning, std::move(text)); }
  void Fail(int line, std::string text) { Add(line, Severity::kError, std::move(text)); }

  const std::vector<Finding>& list() const { return list_; }
  int Count(Severity severity) const;
  // 2 with an error, 1 with a warning, 0 otherwise.
  int ExitCode() const;
  // "NAME:LINE: warning: text", one line each, in line order (the file as a
  // whole first).
  std::string Format(const std::string& file_name) const;

 private:
  std::vector<Finding> list_;
};

// The text in double quotes, for values shown in findings.
std::string Quoted(const std::string& text);

}  // namespace kestrel::check
