#include "tools/config_check.h"

#include <set>

#include "app/match_rules.h"
#include "app/read_configuration.h"
#include "tools/area_check.h"
#include "tools/line_check.h"

namespace kestrel::check {
namespace {

// A list with entries that no PRIORITY word reaches is never tried. The walk
// ends at the first empty word.
void CheckListsReached(CheckedConfig& checked) {
  if (checked.config.Priority[0].empty()) return;  // the start-up check says so
  std::set<std::string, std::less<>> reached;
  for (const std::string& word : checked.config.Priority) {
    if (word.empty()) break;
    reached.insert(word);
  }
  for (std::string_view list : kRuleListWords) {
    const auto lines = checked.entry_lines.find(list);
    if (lines == checked.entry_lines.end() || lines->second.empty() || reached.contains(list))
      continue;
    checked.findings.Warn(lines->second.front(), std::string(list) +
                                                     " entries are never tried: PRIORITY does "
                                                     "not name " +
                                                     std::string(list));
  }
}

}  // namespace

FatalOutcome CheckConfiguration(const std::string& name, CheckedConfig& checked) {
  int number = 0;
  FatalOutcome fatal = ForEachConfigurationLine(name, [&](std::string_view raw_line, bool cut) {
    CheckLine(++number, raw_line, cut, checked);
  });
  if (fatal) return fatal;
  const std::string failure = ConfigurationFailure(checked.config, checked.problems);
  if (!failure.empty()) {
    checked.findings.Fail(0, "Kestrel refuses this configuration: \"Error: " + failure + "\"");
  }
  CheckListsReached(checked);
  CheckAreas(checked);
  return std::nullopt;
}

int EntryLine(const CheckedConfig& checked, std::string_view keyword, std::size_t index) {
  const auto lines = checked.entry_lines.find(keyword);
  if (lines == checked.entry_lines.end() || index >= lines->second.size()) return 0;
  return lines->second[index];
}

}  // namespace kestrel::check
