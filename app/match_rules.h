// The rule matcher: decides for one message whether it is left alone, copied
// to a destination area or killed.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "app/current_header.h"
#include "app/log_file.h"
#include "app/mover_config.h"

namespace kestrel {

// The log mark of the found-mail entries: the bullet of code page 866.
inline constexpr char kFoundMailMark = '\xF9';

// Words of the PRIORITY line, one per list.
inline constexpr std::string_view kWordNotTouch = "NOT_TOUCH";
inline constexpr std::string_view kWordTo = "TO";
inline constexpr std::string_view kWordSubj = "SUBJ";
inline constexpr std::string_view kWordFrom = "FROM";
inline constexpr std::string_view kWordToAddr = "TOADDR";
inline constexpr std::string_view kWordFromAddr = "FROMADDR";

// Every word that names a list, in the order the lists appear in a
// configuration's description.
inline constexpr std::array<std::string_view, 6> kRuleListWords = {
    kWordNotTouch, kWordTo, kWordFrom, kWordSubj, kWordToAddr, kWordFromAddr};

// The outcome for one message.
struct RuleDecision {
  bool matched = false;     // a rule matched: its action applies
  bool killIt = false;      // the action is KILL
  std::string destination;  // the matching rule's action
  bool notTouched = false;  // a NOT_TOUCH name came first: leave the message alone
  // The entry that decided, when one did: the PRIORITY word of its list
  // ("TO", "NOT_TOUCH") and its position in that list, from 0.
  std::string_view list;
  std::size_t entry = 0;
};

// Walks the rule lists in the order of the PRIORITY words and stops at the
// first rule that matches (or the first NOT_TOUCH hit). The first empty
// PRIORITY word ends the walk; a word that names no list is passed over. A
// match writes one found-mail entry to the log file.
//
// Names and subjects are compared upper-cased (code page 866) with the rule's
// text, exactly or as a wildcard pattern. An address rule holds a plain
// address (compared part by part) or, when its address is 0:0/0.0, a pattern.
RuleDecision MatchRules(const MoverConfig& config, const CurrentHeader& header, LogFile& log);

}  // namespace kestrel
