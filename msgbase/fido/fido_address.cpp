#include "msgbase/fido/fido_address.h"

#include "msgbase/fido/string_functions.h"

namespace kestrel {
namespace {

bool IsAddressCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == '/' || c == ':';
}

int CompareParts(std::uint16_t a, std::uint16_t b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

void SetPart(const std::optional<std::string>& word, std::uint16_t& part) {
  if (word) part = StrToWord(*word);
}

}  // namespace

bool SplitAddressWords(std::string_view text, bool (*allowed)(char), AddressWords& words) {
  words = AddressWords{};
  if (text.empty()) return false;
  if (text.front() == '/') text.remove_prefix(1);
  const std::size_t at = text.find('@');
  if (at != std::string_view::npos) text = text.substr(0, at);
  if (text.empty()) return false;
  for (char c : text) {
    if (!allowed(c)) return false;
  }

  const bool has_colon = text.find(':') != std::string_view::npos;
  const bool has_slash = text.find('/') != std::string_view::npos;
  std::string_view parts[4];
  if (has_colon) {
    // "zone:net" alone names no node: accepted, gives nothing.
    if (!has_slash) return true;
    ExtractWords(text, ".:/", parts, 4);
    words.zone = std::string(parts[0]);
    words.net = std::string(parts[1]);
    words.node = std::string(parts[2]);
    words.point = std::string(parts[3]);
  } else if (has_slash) {
    // The net is the first word split at slashes alone ("1.2/3" has net
    // "1.2"); node and point are the second and third split at "." and "/".
    ExtractWords(text, "/", parts, 1);
    words.net = std::string(parts[0]);
    ExtractWords(text, "./", parts, 3);
    words.node = std::string(parts[1]);
    words.point = std::string(parts[2]);
  } else if (text.front() == '.') {
    words.point = std::string(text.substr(1));
  } else {
    ExtractWords(text, ".", parts, 2);
    words.node = std::string(parts[0]);
    words.point = std::string(parts[1]);
  }
  return true;
}

bool ParseAddress(std::string_view text, FidoAddress& addr) {
  AddressWords words;
  if (!SplitAddressWords(text, IsAddressCharacter, words)) return false;
  SetPart(words.zone, addr.zone);
  SetPart(words.net, addr.net);
  SetPart(words.node, addr.node);
  SetPart(words.point, addr.point);
  return true;
}

std::string FormatAddress3D(const FidoAddress& addr) {
  return IntToStr(addr.zone) + ":" + IntToStr(addr.net) + "/" + IntToStr(addr.node);
}

std::string FormatAddress4D(const FidoAddress& addr) {
  return FormatAddress3D(addr) + "." + IntToStr(addr.point);
}

std::string FormatAddress(const FidoAddress& addr) {
  return addr.point == 0 ? FormatAddress3D(addr) : FormatAddress4D(addr);
}

void ClearAddress(FidoAddress& addr) {
  addr = FidoAddress{};
}

bool IsZeroAddress(const FidoAddress& addr) {
  return addr == FidoAddress{};
}

int CompareAddress(const FidoAddress& a, const FidoAddress& b) {
  if (int c = CompareParts(a.zone, b.zone); c != 0) return c;
  if (int c = CompareParts(a.net, b.net); c != 0) return c;
  if (int c = CompareParts(a.node, b.node); c != 0) return c;
  return CompareParts(a.point, b.point);
}

}  // namespace kestrel
