// "*" and "?" matching, shared by the rules of the mover and the directory
// search of a platform layer that has to match names itself. Portable: it
// includes no system header.
#pragma once

#include <string_view>

namespace kestrel::platform {

enum class LetterCase { kExact, kIgnored };

// Whether `text` matches `pattern` as a whole: "*" matches any run of bytes
// (also none), "?" exactly one byte, every other byte only itself (ASCII
// letters in either case when `letter_case` is kIgnored). An empty pattern
// matches only the empty text. Runs in time proportional to the product of
// the two lengths at worst, however many "*" the pattern holds.
bool WildcardMatch(std::string_view text, std::string_view pattern, LetterCase letter_case);

}  // namespace kestrel::platform
