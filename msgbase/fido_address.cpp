#include "msgbase/fido_address.h"

#include "msgbase/string_functions.h"

namespace kestrel {
namespace {

bool IsAddressCharacter(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == '/' || c == ':';
}

std::int16_t WordPart(int n, std::string_view text, std::string_view delimiters) {
  return static_cast<std::int16_t>(StrToWord(ExtractWord(n, text, delimiters)));
}

int CompareParts(std::int16_t a, std::int16_t b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

bool ParseAddress(std::string_view text, FidoAddress& addr) {
  if (text.empty()) return false;
  if (text.front() == '/') text.remove_prefix(1);
  const std::size_t at = text.find('@');
  if (at != std::string_view::npos) text = text.substr(0, at);
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsAddressCharacter(c)) return false;
  }

  const bool has_colon = text.find(':') != std::string_view::npos;
  const bool has_slash = text.find('/') != std::string_view::npos;
  if (has_colon) {
    // "zone:net" alone names no node: accepted, nothing changes.
    if (!has_slash) return true;
    addr.zone = WordPart(1, text, ".:/");
    addr.net = WordPart(2, text, ".:/");
    addr.node = WordPart(3, text, ".:/");
    addr.point = WordPart(4, text, ".:/");
  } else if (has_slash) {
    addr.net = WordPart(1, text, "/");
    addr.node = WordPart(2, text, "./");
    addr.point = WordPart(3, text, "./");
  } else if (text.front() == '.') {
    addr.point = static_cast<std::int16_t>(StrToWord(text.substr(1)));
  } else {
    addr.node = WordPart(1, text, ".");
    addr.point = WordPart(2, text, ".");
  }
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
