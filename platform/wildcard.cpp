#include "platform/wildcard.h"

#include <cstddef>

namespace kestrel::platform {
namespace {

char FoldLetter(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

// Walks text and pattern together. At a "*" it first lets the star match
// nothing and remembers where; when a later byte fails, it returns to the most
// recent star and lets it swallow one more byte of the text. Going back to the
// most recent star only is enough: whatever an earlier star could absorb, the
// later one can absorb as well, so no match is missed, and every step moves
// forward in the text or in the pattern.
bool WildcardMatch(std::string_view text, std::string_view pattern, LetterCase letter_case) {
  const bool fold = letter_case == LetterCase::kIgnored;
  auto same = [fold](char a, char b) { return fold ? FoldLetter(a) == FoldLetter(b) : a == b; };
  constexpr std::size_t kNoStar = std::string_view::npos;
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t star = kNoStar;  // pattern position of the last "*" seen
  std::size_t star_text = 0;   // text position that star is matched up to
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_text = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], text[t]))) {
      ++p;
      ++t;
    } else if (star != kNoStar) {
      p = star + 1;
      t = ++star_text;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

}  // namespace kestrel::platform
