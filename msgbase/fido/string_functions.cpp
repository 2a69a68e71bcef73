#include "msgbase/fido/string_functions.h"

#include <cstring>

#include "msgbase/fido/field_widths.h"

namespace kestrel {
namespace {

struct SignedDigits {
  bool negative = false;
  std::string_view digits;  // empty when the text is no number
};

// Splits "  -123" into its sign and digits; digits stay empty when the text
// is not a plain decimal number.
SignedDigits SplitNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ')
    ++i;
  SignedDigits result;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    result.negative = text[i] == '-';
    ++i;
  }
  std::string_view digits = text.substr(i);
  for (char c : digits) {
    if (c < '0' || c > '9') return SignedDigits{};
  }
  result.digits = digits;
  return result;
}

// Whether c is one of the few delimiter bytes (a plain loop: the sets hold
// one to three bytes, and this runs for every byte of every address).
bool IsDelimiter(std::string_view delimiters, char c) {
  for (const char d : delimiters) {
    if (d == c) return true;
  }
  return false;
}

// The word at or after `pos`: `pos` moves to its first byte, `end` past its
// last. False when only delimiters are left.
bool NextWord(std::string_view text, std::string_view delimiters, std::size_t& pos,
              std::size_t& end) {
  while (pos < text.size() && IsDelimiter(delimiters, text[pos]))
    ++pos;
  if (pos >= text.size()) return false;
  end = pos;
  while (end < text.size() && !IsDelimiter(delimiters, text[end]))
    ++end;
  return true;
}

}  // namespace

std::string IntToStr(std::int32_t n) {
  return std::to_string(n);
}

std::uint16_t StrToWord(std::string_view text) {
  const SignedDigits number = SplitNumber(text);
  std::uint32_t value = 0;
  for (char c : number.digits)
    value = (value * 10 + static_cast<std::uint32_t>(c - '0')) & 0xFFFF;
  if (number.negative) value = (0x10000 - value) & 0xFFFF;
  return static_cast<std::uint16_t>(value);
}

bool StrToInt32(std::string_view text, std::int32_t& value) {
  value = 0;
  const SignedDigits number = SplitNumber(text);
  if (number.digits.empty()) return false;
  // Accumulate the magnitude in 64 bits; stop as soon as it cannot fit.
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (char c : number.digits) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kLimit) return false;
  }
  if (!number.negative && magnitude == kLimit) return false;
  value = static_cast<std::int32_t>(number.negative ? -magnitude : magnitude);
  return true;
}

std::string ExtractWord(int n, std::string_view text, std::string_view delimiters) {
  if (n < 1) return std::string();
  std::size_t pos = 0;
  for (int word = 1;; ++word) {
    std::size_t end = 0;
    if (!NextWord(text, delimiters, pos, end)) return std::string();
    if (word == n) return std::string(text.substr(pos, end - pos));
    pos = end;
  }
}

void ExtractWords(std::string_view text, std::string_view delimiters, std::string_view* words,
                  int count) {
  std::size_t pos = 0;
  for (int word = 0; word < count; ++word) {
    std::size_t end = 0;
    if (!NextWord(text, delimiters, pos, end)) {
      for (; word < count; ++word)
        words[word] = std::string_view();
      return;
    }
    words[word] = text.substr(pos, end - pos);
    pos = end;
  }
}

char* StrPCopy(std::string_view text, char* buffer, std::size_t size) {
  if (size == 0) return buffer;
  const std::size_t count = text.size() < size - 1 ? text.size() : size - 1;
  if (count > 0) std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return buffer;
}

std::string StrPasLimited(const char* buffer, std::size_t size) {
  std::size_t length = StrLen(buffer, size);
  if (length > kMaxStringLength) length = kMaxStringLength;
  return std::string(buffer, length);
}

char* StrCat(char* dest, std::size_t dest_size, const char* src) {
  std::size_t length = StrLen(dest, dest_size);
  if (length == dest_size) return dest;  // not terminated: no room to append
  while (*src != '\0' && length + 1 < dest_size)
    dest[length++] = *src++;
  dest[length] = '\0';
  return dest;
}

std::size_t StrLen(const char* buffer, std::size_t size) {
  std::size_t length = 0;
  while (length < size && buffer[length] != '\0')
    ++length;
  return length;
}

int StrLComp(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  return 0;
}

std::string EightHexDigits(std::uint32_t value, HexLetters letters) {
  const char* digits = letters == HexLetters::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i) {
    text[static_cast<std::size_t>(i)] = digits[value & 15];
    value >>= 4;
  }
  return text;
}

}  // namespace kestrel
