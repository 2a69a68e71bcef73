#include "tools/line_check.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "app/config_text.h"
#include "app/match_rules.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/fido/field_widths.h"
#include "msgbase/fido/string_functions.h"

namespace kestrel::check {
namespace {

constexpr std::size_t kNotAList = std::numeric_limits<std::size_t>::max();

constexpr std::array<std::string_view, 4> kFlags = {"MOVE", "USELASTREAD",
                                                    "DON'T_TOUCH_LOCAL_AND_UNSENT_MAIL", "UNSENT"};

template <std::size_t N>
bool OneOf(const std::array<std::string_view, N>& words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

std::size_t ListSize(const MoverConfig& config, std::string_view keyword) {
  if (keyword == "NETMAIL") return config.NetmailAreas.size();
  if (keyword == "TO") return config.ToRules.size();
  if (keyword == "FROM") return config.FromRules.size();
  if (keyword == "SUBJ") return config.SubjRules.size();
  if (keyword == "TOADDR") return config.ToAddrRules.size();
  if (keyword == "FROMADDR") return config.FromAddrRules.size();
  if (keyword == "NOT_TOUCH") return config.NotTouchNames.size();
  return kNotAList;
}

// Whether a word (no spaces in it) is a keyword the parser knows.
bool IsKeyword(const std::string& word) {
  return !ConfigKeywordOf(word + " ").empty();
}

// A line that begins with no keyword and its space.
void CheckIgnoredLine(int number, const std::string& line, Findings& findings) {
  const std::string trimmed = TrimSpaces(line);
  if (trimmed.empty()) return;  // empty, blank or only a comment
  const std::string word = ExtractWord(1, trimmed, " ");
  if (line.front() == ' ') {
    findings.Warn(number, IsKeyword(word) ? "ignored: " + word + " is not in column one"
                                          : "ignored: the line does not begin in column one");
  } else if (IsKeyword(word)) {
    findings.Warn(number, "ignored: " + word + " without a value");
  } else {
    findings.Warn(number, "ignored: unknown keyword " + Quoted(word));
  }
}

void CheckAction(int number, std::string_view value, Findings& findings) {
  if (value.find(',') == std::string_view::npos) {
    findings.Fail(number,
                  "rule without a comma: its action is empty, and Kestrel stops with an error "
                  "at the first message it matches");
    return;
  }
  const std::string action = TrimSpaces(AfterFirst(value, ','));
  if (action.empty()) {
    findings.Fail(number,
                  "the action after the comma is empty: Kestrel stops with an error at the "
                  "first message this rule matches");
    return;
  }
  if (action == "KILL") return;
  AreaKind kind = KindUnknown;
  std::string path;
  ParseAreaId(action, kind, path);
  if (kind == KindUnknown) {
    findings.Fail(number, "the action " + Quoted(action) +
                              " is neither KILL nor an area (a type letter M, F, *, S or J and "
                              "a path): Kestrel stops with an error at the first message this "
                              "rule matches");
  }
}

void CheckCut(int number, const std::string& what, const std::string& value, std::size_t width,
              Findings& findings) {
  if (value.size() <= width) return;
  findings.Warn(number, what + " is cut to " + std::to_string(width) +
                            " characters: " + Quoted(value.substr(0, width)));
}

void CheckNameRule(int number, std::string_view keyword, std::string_view value,
                   Findings& findings) {
  const bool subject = keyword == "SUBJ";
  const std::string text = TrimSpaces(ExtractWord(1, value, ","));
  CheckCut(number, subject ? "the subject" : "the name", text, subject ? kSubjectWidth : kNameWidth,
           findings);
  if (text.empty()) {
    findings.Warn(number, std::string(subject ? "the subject" : "the name") +
                              " is empty: the rule matches only an empty one");
  }
  CheckAction(number, value, findings);
}

// The pattern's parts as written, before they are cut to their width.
bool HasLongPatternPart(std::string_view text) {
  if (const std::size_t at = text.find('@'); at != std::string_view::npos)
    text = text.substr(0, at);
  std::size_t run = 0;
  for (char c : text) {
    run = (c == '.' || c == ':' || c == '/') ? 0 : run + 1;
    if (run > kPatternPartWidth) return true;
  }
  return false;
}

void CheckPattern(int number, const std::string& text, const AddressPattern& pattern,
                  Findings& findings) {
  std::string missing;
  const std::pair<const char*, const std::string*> parts[] = {{"zone", &pattern.zone},
                                                              {"net", &pattern.net},
                                                              {"node", &pattern.node},
                                                              {"point", &pattern.point}};
  for (const auto& [name, part] : parts) {
    if (!part->empty()) continue;
    missing += missing.empty() ? name : std::string(", ") + name;
  }
  if (missing == "zone, net, node, point") {
    findings.Warn(number, Quoted(text) +
                              " is neither an address nor an address pattern (digits, *, ?, "
                              "., /, : and a domain after @): the rule never matches");
  } else if (!missing.empty()) {
    std::string advice;
    if (missing == "point" && text.find('@') == std::string::npos) {
      advice = "; write " + Quoted(text + ".*") + " for every point";
    }
    findings.Warn(number, "the address pattern " + Quoted(text) + " never matches: it gives no " +
                              missing + " part" + advice);
  } else if (HasLongPatternPart(text)) {
    findings.Warn(number, "a part of the address pattern " + Quoted(text) +
                              " is longer than 5 characters and is cut");
  }
}

void CheckAddrRule(int number, std::string_view value, Findings& findings) {
  const AddrRule rule = MakeAddrRule(value);
  const std::string text = TrimSpaces(ExtractWord(1, value, ","));
  if (text.size() > kAddressTextWidth) {
    findings.Note(number, "the address is shown in log lines cut to 20 characters: " +
                              Quoted(text.substr(0, kAddressTextWidth)));
  }
  if (IsZeroAddress(rule.address)) CheckPattern(number, text, rule.pattern, findings);
  CheckAction(number, value, findings);
}

void CheckListEntry(int number, std::string_view keyword, std::string_view value,
                    Findings& findings) {
  if (keyword == "NETMAIL") return;  // the area itself is checked with the others
  if (keyword == "NOT_TOUCH") {
    const std::string name = TrimSpaces(value);
    CheckCut(number, "the name", name, kNameWidth, findings);
    if (name.empty()) findings.Warn(number, "NOT_TOUCH without a value matches only an empty name");
  } else if (keyword == "TOADDR" || keyword == "FROMADDR") {
    CheckAddrRule(number, value, findings);
  } else {
    CheckNameRule(number, keyword, value, findings);
  }
}

void CheckPriority(int number, std::string_view value, Findings& findings) {
  for (int k = 1;; ++k) {
    const std::string word = TrimSpaces(ExtractWord(k, value, " "));
    if (word.empty()) break;
    if (k > static_cast<int>(kPriorityCount)) {
      findings.Warn(number, "the PRIORITY word " + Quoted(word) + " after the sixth is ignored");
      continue;
    }
    CheckCut(number, "the PRIORITY word " + Quoted(word), word, kPriorityWordWidth, findings);
    const std::string stored = CutToWidth(word, kPriorityWordWidth);
    if (!OneOf(kRuleListWords, stored)) {
      findings.Warn(number, "the PRIORITY word " + Quoted(stored) +
                                " names no list (NOT_TOUCH, TO, FROM, SUBJ, TOADDR, FROMADDR): "
                                "it is passed over");
    }
  }
}

void CheckScalar(int number, std::string_view keyword, std::string_view value,
                 CheckedConfig& checked) {
  Findings& findings = checked.findings;
  const auto previous = checked.scalar_lines.find(keyword);
  if (previous != checked.scalar_lines.end()) {
    findings.Note(number, std::string(keyword) +
                              " is given again: this value replaces the one of line " +
                              std::to_string(previous->second));
  }
  checked.scalar_lines[std::string(keyword)] = number;
  const std::string text = TrimSpaces(value);
  if (OneOf(kFlags, keyword)) {
    if (text != "YES" && text != "NO") {
      findings.Warn(number, std::string(keyword) + " " + Quoted(text) +
                                " is not YES: " + std::string(keyword) + " is off");
    }
  } else if (keyword == "USERNUMBER") {
    std::int32_t number_value = 0;
    if (!StrToInt32(text, number_value)) {
      findings.Warn(number, "USERNUMBER " + Quoted(text) + " is not a number: it counts as 0");
    }
  } else if (keyword == "PRIORITY") {
    if (text.empty()) findings.Warn(number, "PRIORITY without a value: no list is tried");
    CheckPriority(number, value, findings);
  } else if (keyword == "LOG" && text.empty()) {
    findings.Warn(number, "LOG without a value: no log file is written");
  }
}

}  // namespace

void CheckLine(int number, std::string_view raw_line, bool cut, CheckedConfig& checked) {
  const std::string line = PrepareConfigLine(raw_line);
  if (cut && raw_line.find(';') == std::string_view::npos) {
    checked.findings.Warn(number, "the line is longer than 255 characters: the rest is ignored");
  }
  const std::string_view keyword = ConfigKeywordOf(line);
  if (keyword.empty()) {
    CheckIgnoredLine(number, line, checked.findings);
    return;
  }
  const std::string_view value = std::string_view(line).substr(keyword.size() + 1);
  const std::size_t before = ListSize(checked.config, keyword);
  ApplyConfigLine(line, checked.config, checked.problems);
  if (before == kNotAList) {
    CheckScalar(number, keyword, value, checked);
    return;
  }
  if (ListSize(checked.config, keyword) == before) {
    checked.findings.Warn(number, "ignored: a " + std::string(keyword) + " entry after the " +
                                      std::to_string(kMaxListEntries) + "th");
    return;
  }
  checked.entry_lines[std::string(keyword)].push_back(number);
  CheckListEntry(number, keyword, value, checked.findings);
}

}  // namespace kestrel::check
