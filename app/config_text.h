// Text operations of the configuration reader, also used by the rules.
// Text is 8-bit, code page 866; nothing is converted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel {

// Upper-cases one character of code page 866: a-z, the Cyrillic small letters
// (A0h-AFh to 80h-8Fh, E0h-EFh to 90h-9Fh) and yo (F1h to F0h). Every other
// byte is returned unchanged.
char UpCase866(char ch);
std::string UpperString(std::string_view text);

// Removes leading and trailing spaces (20h only; a TAB stays).
std::string TrimSpaces(std::string_view text);

// Everything after the first `separator` (later ones included); "" when the
// text holds none.
std::string AfterFirst(std::string_view text, char separator);

// The first `width` bytes of the text: values are cut to their field's width
// when they are stored.
std::string CutToWidth(std::string_view text, std::size_t width);

}  // namespace kestrel
