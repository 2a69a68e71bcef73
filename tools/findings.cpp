#include "tools/findings.h"

#include <algorithm>

namespace kestrel::check {

int Findings::Count(Severity severity) const {
  return static_cast<int>(std::count_if(list_.begin(), list_.end(),
                                        [&](const Finding& f) { return f.severity == severity; }));
}

int Findings::ExitCode() const {
  if (Count(Severity::kError) > 0) return 2;
  if (Count(Severity::kWarning) > 0) return 1;
  return 0;
}

std::string Findings::Format(const std::string& file_name) const {
  std::vector<Finding> sorted = list_;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  std::string text;
  for (const Finding& finding : sorted) {
    text += file_name;
    if (finding.line > 0) text += ":" + std::to_string(finding.line);
    switch (finding.severity) {
      case Severity::kNote:
        text += ": note: ";
        break;
      case Severity::kWarning:
        text += ": warning: ";
        break;
      case Severity::kError:
        text += ": error: ";
        break;
    }
    text += finding.text + "\n";
  }
  return text;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

}  // namespace kestrel::check
