// Turns configuration lines into MoverConfig entries.
//
// Each line is prepared first: it is cut at its first ";" (a comment), every
// TAB before that becomes a space, and the whole line is upper-cased (code
// page 866). Then its start is compared with the keywords, each with its
// trailing space, so at most one matches (a TOADDR line is no TO line); the
// rest of the line after the keyword and its space is its value. Lines that
// match no keyword (empty, indented, unknown words) are ignored.
#pragma once

#include <string>
#include <string_view>

#include "app/mover_config.h"

namespace kestrel {

// What the parser noticed besides the values themselves.
struct ConfigProblems {
  // The first list keyword given more than kMaxListEntries times ("TO"), or
  // empty. The lines beyond the limit are not stored.
  std::string overfull_list;
};

// The line with its comment cut off, TABs as spaces, upper-cased.
std::string PrepareConfigLine(std::string_view raw_line);

// The keyword a prepared line begins with, without its trailing space
// ("NETMAIL", "TO"), as the parser finds it; empty when the line begins with
// none and is ignored. The value is the rest of the line after the keyword
// and its space.
std::string_view ConfigKeywordOf(std::string_view line);

// Applies one prepared line to the configuration.
void ApplyConfigLine(std::string_view line, MoverConfig& config, ConfigProblems& problems);

// Builds an address rule from the value of a TOADDR or FROMADDR line:
// "address-or-pattern,action".
AddrRule MakeAddrRule(std::string_view value);

}  // namespace kestrel
