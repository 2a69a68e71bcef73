#include "platform/posix/posix_wildcard.h"

#include "platform/wildcard.h"

namespace kestrel::platform::posix {

bool HasWildcards(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos;
}

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  if (WildcardMatch(name, pattern, LetterCase::kIgnored)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return WildcardMatch(name, pattern.substr(0, pattern.size() - 2), LetterCase::kIgnored);
  }
  return false;
}

}  // namespace kestrel::platform::posix
