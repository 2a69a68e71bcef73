// The mover's configuration: rule lists, flags and paths, filled once at
// start-up and read-only afterwards. Every value is held upper-cased and cut
// to its field's width.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/address_pattern.h"
#include "msgbase/fido/fido_address.h"

namespace kestrel {

// Each list holds at most this many entries.
inline constexpr std::size_t kMaxListEntries = 100;
// Width of the address text kept with an address rule for log lines.
inline constexpr std::size_t kAddressTextWidth = 20;
// Number and width of the PRIORITY words.
inline constexpr std::size_t kPriorityCount = 6;
inline constexpr std::size_t kPriorityWordWidth = 9;

// A rule on the recipient or sender name.
struct NameRule {
  std::string name;    // a name or wildcard pattern, up to 36 characters
  std::string action;  // a destination area or KILL, up to 255 characters
};

// A rule on the subject.
struct SubjRule {
  std::string subject;  // text or wildcard pattern, up to 72 characters
  std::string action;   // up to 255 characters
};

// A rule on the destination or origin address. An all-zero `address` marks a
// pattern rule, matched by `pattern` instead.
struct AddrRule {
  FidoAddress address;
  AddressPattern pattern;
  std::string text;    // the address as written, up to 20 characters
  std::string action;  // up to 255 characters
};

struct MoverConfig {
  std::vector<std::string> NetmailAreas;  // area identifiers, up to 255 characters
  std::vector<NameRule> ToRules;
  std::vector<NameRule> FromRules;
  std::vector<SubjRule> SubjRules;
  std::vector<AddrRule> ToAddrRules;
  std::vector<AddrRule> FromAddrRules;
  std::vector<std::string> NotTouchNames;  // names or patterns, up to 36 characters

  bool MoveSource = false;
  bool UseLastRead = false;
  bool DontTouchLocalUnsent = false;
  bool MarkUnsent = false;
  std::int32_t UserNumber = 0;
  std::string LogPath;  // up to 255 characters; empty: no log file
  // Priority[0] is priority 1. Words up to 9 characters; missing ones empty.
  std::array<std::string, kPriorityCount> Priority;
};

}  // namespace kestrel
