#include "app/address_pattern.h"

#include "app/config_text.h"
#include "msgbase/string_functions.h"

namespace kestrel {
namespace {

bool IsPatternCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '*' || c == '?' || c == '.' || c == '/' || c == ':';
}

std::string Part(int n, std::string_view text, std::string_view delimiters) {
  return CutToWidth(ExtractWord(n, text, delimiters), kPatternPartWidth);
}

}  // namespace

bool ParseAddressPattern(std::string_view text, AddressPattern& pattern) {
  if (text.empty()) return false;
  if (text.front() == '/') text.remove_prefix(1);
  const std::size_t at = text.find('@');
  if (at != std::string_view::npos) text = text.substr(0, at);
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsPatternCharacter(c)) return false;
  }

  const bool has_colon = text.find(':') != std::string_view::npos;
  const bool has_slash = text.find('/') != std::string_view::npos;
  if (has_colon) {
    if (!has_slash) return true;
    pattern.zone = Part(1, text, ".:/");
    pattern.net = Part(2, text, ".:/");
    pattern.node = Part(3, text, ".:/");
    pattern.point = Part(4, text, ".:/");
  } else if (has_slash) {
    pattern.net = Part(1, text, "/");
    pattern.node = Part(2, text, "./");
    pattern.point = Part(3, text, "./");
  } else if (text.front() == '.') {
    pattern.point = CutToWidth(text.substr(1), kPatternPartWidth);
  } else {
    pattern.node = Part(1, text, ".");
    pattern.point = Part(2, text, ".");
  }
  return true;
}

}  // namespace kestrel
