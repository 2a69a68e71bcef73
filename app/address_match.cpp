#include "app/address_match.h"

#include <string>

#include "app/wild_match.h"
#include "msgbase/fido/string_functions.h"

namespace kestrel {
namespace {

bool PartMatches(std::uint16_t part, const std::string& pattern) {
  // A 16-bit part has at most 5 digits, as the pattern part keeps its first 5.
  return WildMatch(IntToStr(part).substr(0, kPatternPartWidth), pattern);
}

}  // namespace

bool MatchAddressPattern(const AddressPattern& pattern, const FidoAddress& address) {
  return PartMatches(address.zone, pattern.zone) && PartMatches(address.net, pattern.net) &&
         PartMatches(address.node, pattern.node) && PartMatches(address.point, pattern.point);
}

}  // namespace kestrel
