// Looking into FidoNet message text as the peers store it: lines ended by a
// carriage return, kludge lines beginning with the byte 01h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::testing {

inline constexpr char kKludgeMark = '\x01';

// The lines of a text, split at carriage returns (a line feed right after one
// is dropped too); a final line without its CR is kept.
std::vector<std::string> SplitTextLines(std::string_view text);

// The value of the first kludge line named `name` (01h, the name, then ": "
// or " ": "\x01MSGID: 1:2/3 0abc" and "\x01INTL 2:5020/1 1:2/3" both work);
// nullopt when there is none.
std::optional<std::string> FindKludge(std::string_view text, std::string_view name);

// The names of the kludge lines in text order ("FMPT", "TOPT", "INTL", "MSGID").
std::vector<std::string> KludgeNames(std::string_view text);

// The lines that are not kludge lines, in order.
std::vector<std::string> BodyLines(std::string_view text);

}  // namespace kestrel::testing
