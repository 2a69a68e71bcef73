// DOS wildcard matching of names. Internal to the POSIX platform layer.
#pragma once

#include <string_view>

namespace kestrel::platform::posix {

// Whether the pattern holds "*" or "?".
bool HasWildcards(std::string_view pattern);

// Matches a name against a DOS pattern, ignoring ASCII case: "*" stands for
// any run of bytes, "?" for exactly one. A pattern ending in ".*" also matches
// names without that extension, so "*.*" matches every name, names without a
// dot too, and "17.*" matches "17".
bool MatchesWildcard(std::string_view name, std::string_view pattern);

}  // namespace kestrel::platform::posix
