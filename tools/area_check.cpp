#include "tools/area_check.h"

#include <memory>
#include <set>

#include "msgbase/factory/message_base_factory.h"

namespace kestrel::check {
namespace {

void CheckNetmailAreas(CheckedConfig& checked) {
  const std::vector<std::string>& areas = checked.config.NetmailAreas;
  for (std::size_t k = 0; k < areas.size(); ++k) {
    const int line = EntryLine(checked, "NETMAIL", k);
    const std::string kestrel_error =
        "Kestrel stops with \"unable to open messagebase - " + areas[k] + "\"";
    switch (StateOfArea(areas[k])) {
      case AreaState::kExists:
        break;
      case AreaState::kMissing:
        checked.findings.Fail(
            line, "the netmail area " + Quoted(areas[k]) + " does not exist: " + kestrel_error);
        break;
      case AreaState::kNoArea:
        checked.findings.Fail(line, Quoted(areas[k]) +
                                        " is not an area (a type letter M, F, *, S or J and a "
                                        "path): " +
                                        kestrel_error);
        break;
    }
  }
}

template <typename Rule>
void CheckDestinations(const CheckedConfig& checked, std::string_view keyword,
                       const std::vector<Rule>& rules, std::set<std::string>& seen,
                       Findings& findings) {
  for (std::size_t k = 0; k < rules.size(); ++k) {
    const std::string& action = rules[k].action;
    if (action.empty() || action == "KILL" || !seen.insert(action).second) continue;
    // An action that names no area is reported with its line already.
    if (StateOfArea(action) != AreaState::kMissing) continue;
    findings.Note(EntryLine(checked, keyword, k),
                  "the destination area " + Quoted(action) +
                      " does not exist yet: Kestrel creates it at the first copy");
  }
}

}  // namespace

AreaState StateOfArea(const std::string& id) {
  std::unique_ptr<MessageBase> base;
  if (!NewBaseForArea(id, base)) return AreaState::kNoArea;
  AreaKind kind = KindUnknown;
  std::string path;
  ParseAreaId(id, kind, path);
  const bool exists = base->MsgBaseExists(path);
  DisposeBase(base);
  return exists ? AreaState::kExists : AreaState::kMissing;
}

void CheckAreas(CheckedConfig& checked) {
  CheckNetmailAreas(checked);
  std::set<std::string> seen;
  const MoverConfig& config = checked.config;
  CheckDestinations(checked, "TO", config.ToRules, seen, checked.findings);
  CheckDestinations(checked, "FROM", config.FromRules, seen, checked.findings);
  CheckDestinations(checked, "SUBJ", config.SubjRules, seen, checked.findings);
  CheckDestinations(checked, "TOADDR", config.ToAddrRules, seen, checked.findings);
  CheckDestinations(checked, "FROMADDR", config.FromAddrRules, seen, checked.findings);
}

}  // namespace kestrel::check
