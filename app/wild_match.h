// Wildcard matching of names, subjects and address parts.
#pragma once

#include <string_view>

#include "platform/wildcard.h"

namespace kestrel {

// Whether `text` matches `pattern` as a whole: "*" matches any run of bytes
// (also none), "?" exactly one byte, every other byte only itself (exact
// comparison, no case folding: the configuration and the compared fields are
// upper-cased first where a rule ignores case).
inline bool WildMatch(std::string_view text, std::string_view pattern) {
  return platform::WildcardMatch(text, pattern, platform::LetterCase::kExact);
}

}  // namespace kestrel
