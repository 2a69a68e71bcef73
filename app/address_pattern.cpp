#include "app/address_pattern.h"

#include "app/config_text.h"
#include "msgbase/fido/fido_address.h"

namespace kestrel {
namespace {

bool IsPatternCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '*' || c == '?' || c == '.' || c == '/' || c == ':';
}

void SetPart(const std::optional<std::string>& word, std::string& part) {
  if (word) part = CutToWidth(*word, kPatternPartWidth);
}

}  // namespace

// Same grammar as an address, with the wildcards allowed and each part kept
// as text.
bool ParseAddressPattern(std::string_view text, AddressPattern& pattern) {
  AddressWords words;
  if (!SplitAddressWords(text, IsPatternCharacter, words)) return false;
  SetPart(words.zone, pattern.zone);
  SetPart(words.net, pattern.net);
  SetPart(words.node, pattern.node);
  SetPart(words.point, pattern.point);
  return true;
}

}  // namespace kestrel
