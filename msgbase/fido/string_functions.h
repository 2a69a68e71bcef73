// String functions shared by the message-base library and the mover.
//
// Strings are std::string of raw 8-bit bytes. The zero-terminated-buffer
// helpers work on fixed char arrays (message header fields); every one that
// writes takes the buffer's size and never writes past it, and every one that
// reads stops at the first 0 or at the buffer's end, whichever comes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel {

// Decimal text of a signed 32-bit number: "-" before negative values, no padding.
std::string IntToStr(std::int32_t n);

// The decimal value of `text` as a 16-bit number (modulo 65536). Leading
// spaces are skipped and one "+" or "-" may precede the digits; text that is
// empty or holds anything but digits after that gives 0.
std::uint16_t StrToWord(std::string_view text);

// The decimal value of `text` as a signed 32-bit number. Leading spaces are
// skipped, one "+" or "-" may precede the digits. Returns false, leaving
// `value` 0, for text that is empty, holds anything but digits or does not
// fit in 32 bits.
bool StrToInt32(std::string_view text, std::int32_t& value);

// The n-th word of `text` (n counts from 1). A word is a maximal run of bytes
// not in `delimiters`; leading delimiters and runs of delimiters are skipped.
// "" when there is no n-th word or n < 1.
std::string ExtractWord(int n, std::string_view text, std::string_view delimiters);

// The first `count` words of `text`, each as ExtractWord(1..count) gives it
// (empty when there is no such word), found in one pass over the text.
void ExtractWords(std::string_view text, std::string_view delimiters, std::string_view* words,
                  int count);

// Copies `text` into a zero-terminated buffer of `size` bytes, cut to
// size - 1 bytes. Nothing is written when size is 0. Returns `buffer`.
char* StrPCopy(std::string_view text, char* buffer, std::size_t size);

// The zero-terminated string in a buffer of `size` bytes (all of it when it
// holds no 0), cut to its first 255 bytes.
std::string StrPasLimited(const char* buffer, std::size_t size);

// Appends the zero-terminated `src` to the zero-terminated string in `dest`
// (a buffer of `dest_size` bytes), as far as it fits; `dest` stays
// terminated. A `dest` without a 0 inside its size is left as it is.
// Returns `dest`.
char* StrCat(char* dest, std::size_t dest_size, const char* src);

// Length of the zero-terminated string in a buffer of `size` bytes (`size`
// when the buffer holds no 0).
std::size_t StrLen(const char* buffer, std::size_t size);

// Compares at most n bytes of two zero-terminated strings, case-sensitive,
// bytes as unsigned values. 0 when equal, negative when `a` sorts first,
// positive otherwise.
int StrLComp(const char* a, const char* b, std::size_t n);

// The letters of hexadecimal digits.
enum class HexLetters { kLower, kUpper };
// `value` as eight hexadecimal digits, leading zeros kept: upper case for
// code addresses and result codes ("rc=000000FF"), lower case in MSGID
// serials.
std::string EightHexDigits(std::uint32_t value, HexLetters letters);

}  // namespace kestrel
