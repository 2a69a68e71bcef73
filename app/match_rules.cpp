#include "app/match_rules.h"

#include <string_view>

#include "app/address_match.h"
#include "app/config_text.h"
#include "app/version.h"
#include "app/wild_match.h"

namespace kestrel {
namespace {

constexpr std::string_view kKillAction = "KILL";

// The opening text of each list's found-mail entry.
constexpr std::string_view kFoundTo = "Found mail to ";
constexpr std::string_view kFoundSubj = "Found mail with subj - ";
constexpr std::string_view kFoundFrom = "Found mail from ";
constexpr std::string_view kFoundToAddr = "Found mail to address ";
constexpr std::string_view kFoundFromAddr = "Found mail from address ";

bool NameMatches(const std::string& upper_field, const std::string& stored) {
  return upper_field == stored || WildMatch(upper_field, stored);
}

bool AddressMatches(const AddrRule& rule, const FidoAddress& field) {
  if (IsZeroAddress(rule.address)) return MatchAddressPattern(rule.pattern, field);
  return CompareAddress(rule.address, field) == 0;
}

std::string ShownAddress(const AddrRule& rule) {
  return IsZeroAddress(rule.address) ? rule.text : FormatAddress(rule.address);
}

void Act(const std::string& action, std::string_view opening, std::string_view shown,
         RuleDecision& decision, LogFile& log) {
  decision.matched = true;
  decision.destination = action;
  log.LogQuiet(kFoundMailMark, kLogTag, std::string(opening) + '`' + std::string(shown) + '`');
  if (UpperString(action) == kKillAction) decision.killIt = true;
}

void NoteEntry(std::string_view list, std::size_t entry, RuleDecision& decision) {
  decision.list = list;
  decision.entry = entry;
}

template <typename Rule>
void WalkNameRules(std::string_view list, const std::vector<Rule>& rules, std::string Rule::*text,
                   const std::string& upper_field, std::string_view opening, RuleDecision& decision,
                   LogFile& log) {
  for (std::size_t k = 0; k < rules.size(); ++k) {
    if (NameMatches(upper_field, rules[k].*text)) {
      NoteEntry(list, k, decision);
      Act(rules[k].action, opening, rules[k].*text, decision, log);
      return;
    }
  }
}

void WalkAddressRules(std::string_view list, const std::vector<AddrRule>& rules,
                      const FidoAddress& field, std::string_view opening, RuleDecision& decision,
                      LogFile& log) {
  for (std::size_t k = 0; k < rules.size(); ++k) {
    if (AddressMatches(rules[k], field)) {
      NoteEntry(list, k, decision);
      Act(rules[k].action, opening, ShownAddress(rules[k]), decision, log);
      return;
    }
  }
}

}  // namespace

RuleDecision MatchRules(const MoverConfig& config, const CurrentHeader& header, LogFile& log) {
  RuleDecision decision;
  const std::string upper_to = UpperString(header.msgTo);
  for (const std::string& word : config.Priority) {
    if (word.empty() || decision.matched || decision.notTouched) break;
    if (word == kWordNotTouch) {
      for (std::size_t k = 0; k < config.NotTouchNames.size(); ++k) {
        if (NameMatches(upper_to, config.NotTouchNames[k])) {
          decision.notTouched = true;
          NoteEntry(kWordNotTouch, k, decision);
          break;
        }
      }
    } else if (word == kWordTo) {
      WalkNameRules(kWordTo, config.ToRules, &NameRule::name, upper_to, kFoundTo, decision, log);
    } else if (word == kWordSubj) {
      WalkNameRules(kWordSubj, config.SubjRules, &SubjRule::subject, UpperString(header.msgSubj),
                    kFoundSubj, decision, log);
    } else if (word == kWordFrom) {
      WalkNameRules(kWordFrom, config.FromRules, &NameRule::name, UpperString(header.msgFrom),
                    kFoundFrom, decision, log);
    } else if (word == kWordToAddr) {
      WalkAddressRules(kWordToAddr, config.ToAddrRules, header.msgDest, kFoundToAddr, decision,
                       log);
    } else if (word == kWordFromAddr) {
      WalkAddressRules(kWordFromAddr, config.FromAddrRules, header.msgOrig, kFoundFromAddr,
                       decision, log);
    }
  }
  return decision;
}

}  // namespace kestrel
