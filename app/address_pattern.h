// Address patterns of the address rules: the four parts of an address, each
// written with digits and the wildcards "*" and "?".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel {

// Width of each pattern part.
inline constexpr std::size_t kPatternPartWidth = 5;

// Parts the text does not give stay empty.
struct AddressPattern {
  std::string zone;
  std::string net;
  std::string node;
  std::string point;

  friend bool operator==(const AddressPattern&, const AddressPattern&) = default;
};

// Parses a pattern such as "2:5020/*.*", "5020/1?0", "*.1" or ".5" into the
// parts of `pattern` (which the caller has emptied); a leading "/" and a
// domain from "@" on are dropped, each part is cut to 5 characters. Returns
// false, setting nothing, for an empty pattern and for any character other
// than digits and "*", "?", ".", "/", ":". "zone:net" without a "/" is
// accepted and sets nothing.
bool ParseAddressPattern(std::string_view text, AddressPattern& pattern);

}  // namespace kestrel
