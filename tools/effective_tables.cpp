#include "tools/effective_tables.h"

#include "msgbase/fido/fido_address.h"
#include "msgbase/fido/string_functions.h"

namespace kestrel::check {
namespace {

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

std::string EntryHead(const CheckedConfig& checked, std::string_view keyword, std::size_t k) {
  return "  " + Padded(std::string(keyword), 10) + " line " +
         Padded(std::to_string(EntryLine(checked, keyword, k)), 5);
}

std::string YesNo(bool flag) {
  return flag ? "YES" : "NO";
}

std::string ShownRule(const AddrRule& rule) {
  if (!IsZeroAddress(rule.address)) return FormatAddress(rule.address);
  const AddressPattern& p = rule.pattern;
  return rule.text + " (pattern zone=" + p.zone + " net=" + p.net + " node=" + p.node +
         " point=" + p.point + ")";
}

template <typename Rule, typename Shown>
std::string RuleLines(const CheckedConfig& checked, std::string_view keyword,
                      const std::vector<Rule>& rules, Shown shown) {
  std::string text;
  for (std::size_t k = 0; k < rules.size(); ++k) {
    text += EntryHead(checked, keyword, k) + shown(rules[k]) + " -> " +
            (rules[k].action.empty() ? "(no action)" : rules[k].action) + "\n";
  }
  return text;
}

std::string Scalars(const MoverConfig& config) {
  std::string priority;
  for (const std::string& word : config.Priority) {
    if (word.empty()) break;
    priority += (priority.empty() ? "" : " ") + word;
  }
  return "  PRIORITY   " + (priority.empty() ? "(none)" : priority) + "\n" + "  MOVE " +
         YesNo(config.MoveSource) + ", USELASTREAD " + YesNo(config.UseLastRead) + ", USERNUMBER " +
         IntToStr(config.UserNumber) + ", DON'T_TOUCH_LOCAL_AND_UNSENT_MAIL " +
         YesNo(config.DontTouchLocalUnsent) + ", UNSENT " + YesNo(config.MarkUnsent) + "\n" +
         "  LOG        " + (config.LogPath.empty() ? "(none)" : config.LogPath) + "\n";
}

}  // namespace

std::string EffectiveTables(const CheckedConfig& checked) {
  const MoverConfig& config = checked.config;
  std::string text = "Effective configuration:\n";
  for (std::size_t k = 0; k < config.NetmailAreas.size(); ++k)
    text += EntryHead(checked, "NETMAIL", k) + config.NetmailAreas[k] + "\n";
  text += Scalars(config);
  for (std::size_t k = 0; k < config.NotTouchNames.size(); ++k)
    text += EntryHead(checked, "NOT_TOUCH", k) + config.NotTouchNames[k] + "\n";
  const auto name = [](const NameRule& rule) { return rule.name; };
  text += RuleLines(checked, "TO", config.ToRules, name);
  text += RuleLines(checked, "FROM", config.FromRules, name);
  text += RuleLines(checked, "SUBJ", config.SubjRules,
                    [](const SubjRule& rule) { return rule.subject; });
  text += RuleLines(checked, "TOADDR", config.ToAddrRules, ShownRule);
  text += RuleLines(checked, "FROMADDR", config.FromAddrRules, ShownRule);
  return text;
}

}  // namespace kestrel::check
