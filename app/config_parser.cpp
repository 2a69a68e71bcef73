#include "app/config_parser.h"

#include <array>

#include "app/config_text.h"
#include "msgbase/fido/field_widths.h"
#include "msgbase/fido/string_functions.h"

namespace kestrel {
namespace {

enum class Keyword {
  kNetmail,
  kTo,
  kFrom,
  kToAddr,
  kFromAddr,
  kMove,
  kNotTouch,
  kSubj,
  kUseLastRead,
  kUserNumber,
  kPriority,
  kDontTouchLocalUnsent,
  kUnsent,
  kLog,
};

struct KeywordEntry {
  std::string_view text;  // with its trailing space
  Keyword keyword;
};

// Tested in this order; the first match decides. "TO " and "FROM " do not
// match TOADDR and FROMADDR lines, since those have no space after TO/FROM.
constexpr std::array<KeywordEntry, 14> kKeywords = {{
    {"NETMAIL ", Keyword::kNetmail},
    {"TO ", Keyword::kTo},
    {"FROM ", Keyword::kFrom},
    {"TOADDR ", Keyword::kToAddr},
    {"FROMADDR ", Keyword::kFromAddr},
    {"MOVE ", Keyword::kMove},
    {"NOT_TOUCH ", Keyword::kNotTouch},
    {"SUBJ ", Keyword::kSubj},
    {"USELASTREAD ", Keyword::kUseLastRead},
    {"USERNUMBER ", Keyword::kUserNumber},
    {"PRIORITY ", Keyword::kPriority},
    {"DON'T_TOUCH_LOCAL_AND_UNSENT_MAIL ", Keyword::kDontTouchLocalUnsent},
    {"UNSENT ", Keyword::kUnsent},
    {"LOG ", Keyword::kLog},
}};

// Appends to a list while it has room; remembers the first keyword that
// asked for more. Never grows a list past its limit.
template <typename Entry>
void Append(std::vector<Entry>& list, Entry entry, std::string_view keyword_text,
            ConfigProblems& problems) {
  if (list.size() < kMaxListEntries) {
    list.push_back(std::move(entry));
  } else if (problems.overfull_list.empty()) {
    problems.overfull_list = TrimSpaces(keyword_text);
  }
}

bool IsYes(std::string_view value) {
  return TrimSpaces(value) == "YES";
}

NameRule MakeNameRule(std::string_view value) {
  return NameRule{CutToWidth(TrimSpaces(ExtractWord(1, value, ",")), kNameWidth),
                  CutToWidth(TrimSpaces(AfterFirst(value, ',')), kPathWidth)};
}

SubjRule MakeSubjRule(std::string_view value) {
  return SubjRule{CutToWidth(TrimSpaces(ExtractWord(1, value, ",")), kSubjectWidth),
                  CutToWidth(TrimSpaces(AfterFirst(value, ',')), kPathWidth)};
}

std::int32_t UserNumberOf(std::string_view value) {
  std::int32_t number = 0;
  StrToInt32(TrimSpaces(value), number);  // 0 when not a number
  return number;
}

}  // namespace

std::string PrepareConfigLine(std::string_view raw_line) {
  std::string line;
  for (char c : raw_line) {
    if (c == ';') break;
    line += c == '\t' ? ' ' : c;
  }
  return UpperString(line);
}

AddrRule MakeAddrRule(std::string_view value) {
  AddrRule rule;
  const std::string text = TrimSpaces(ExtractWord(1, value, ","));
  if (!ParseAddress(text, rule.address)) {
    ClearAddress(rule.address);
    // An all-zero address marks a pattern rule; a malformed pattern leaves
    // every part empty, so the rule never matches.
    ParseAddressPattern(text, rule.pattern);
  }
  rule.text = CutToWidth(text, kAddressTextWidth);
  rule.action = CutToWidth(TrimSpaces(AfterFirst(value, ',')), kPathWidth);
  return rule;
}

std::string_view ConfigKeywordOf(std::string_view line) {
  for (const KeywordEntry& entry : kKeywords) {
    if (line.starts_with(entry.text)) return entry.text.substr(0, entry.text.size() - 1);
  }
  return {};
}

void ApplyConfigLine(std::string_view line, MoverConfig& config, ConfigProblems& problems) {
  for (const KeywordEntry& entry : kKeywords) {
    if (!line.starts_with(entry.text)) continue;
    const std::string_view value = line.substr(entry.text.size());
    switch (entry.keyword) {
      case Keyword::kNetmail:
        Append(config.NetmailAreas, CutToWidth(TrimSpaces(value), kPathWidth), entry.text,
               problems);
        break;
      case Keyword::kTo:
        Append(config.ToRules, MakeNameRule(value), entry.text, problems);
        break;
      case Keyword::kFrom:
        Append(config.FromRules, MakeNameRule(value), entry.text, problems);
        break;
      case Keyword::kToAddr:
        Append(config.ToAddrRules, MakeAddrRule(value), entry.text, problems);
        break;
      case Keyword::kFromAddr:
        Append(config.FromAddrRules, MakeAddrRule(value), entry.text, problems);
        break;
      case Keyword::kMove:
        config.MoveSource = IsYes(value);
        break;
      case Keyword::kNotTouch:
        Append(config.NotTouchNames, CutToWidth(TrimSpaces(value), kNameWidth), entry.text,
               problems);
        break;
      case Keyword::kSubj:
        Append(config.SubjRules, MakeSubjRule(value), entry.text, problems);
        break;
      case Keyword::kUseLastRead:
        config.UseLastRead = IsYes(value);
        break;
      case Keyword::kUserNumber:
        config.UserNumber = UserNumberOf(value);
        break;
      case Keyword::kPriority:
        for (std::size_t k = 0; k < kPriorityCount; ++k) {
          config.Priority[k] = CutToWidth(
              TrimSpaces(ExtractWord(static_cast<int>(k + 1), value, " ")), kPriorityWordWidth);
        }
        break;
      case Keyword::kDontTouchLocalUnsent:
        config.DontTouchLocalUnsent = IsYes(value);
        break;
      case Keyword::kUnsent:
        config.MarkUnsent = IsYes(value);
        break;
      case Keyword::kLog:
        config.LogPath = CutToWidth(TrimSpaces(value), kPathWidth);
        break;
    }
    return;
  }
}

}  // namespace kestrel
