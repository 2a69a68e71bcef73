#include "app/config_text.h"

namespace kestrel {

char UpCase866(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  if ((c >= 0x61 && c <= 0x7A) || (c >= 0xA0 && c <= 0xAF)) return static_cast<char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xEF) return static_cast<char>(c - 0x50);
  if (c == 0xF1) return static_cast<char>(0xF0);
  return ch;
}

std::string UpperString(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    c = UpCase866(c);
  return upper;
}

std::string TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string();
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string AfterFirst(std::string_view text, char separator) {
  const std::size_t at = text.find(separator);
  if (at == std::string_view::npos) return std::string();
  return std::string(text.substr(at + 1));
}

std::string CutToWidth(std::string_view text, std::size_t width) {
  return std::string(text.substr(0, width));
}

}  // namespace kestrel
