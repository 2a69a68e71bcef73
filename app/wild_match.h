// Wildcard matching of names, subjects and address parts.
#pragma once

#include <string_view>

namespace kestrel {

// Whether `text` matches `pattern` as a whole: "*" matches any run of bytes
// (also none), "?" exactly one byte, every other byte only itself (exact
// comparison, no case folding). An empty pattern matches only the empty text.
// Runs in time proportional to the product of the two lengths at worst,
// however many "*" the pattern holds.
bool WildMatch(std::string_view text, std::string_view pattern);

}  // namespace kestrel
