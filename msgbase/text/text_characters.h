// The bytes that shape a message text: the line terminators and the mark
// that opens a kludge line. Every part of the library that cuts a text into
// lines uses these.
#pragma once

namespace kestrel {

// Ends a line; every line written ends with it.
inline constexpr char kCarriageReturn = '\r';
// Skipped when it directly follows a line's terminator (text stored by
// programs that end lines with CR LF reads the same).
inline constexpr char kLineFeed = '\n';
// The first byte of a kludge line.
inline constexpr char kKludgeMark = '\x01';

// A line ends at a carriage return or at a zero byte.
constexpr bool IsLineTerminator(char c) {
  return c == kCarriageReturn || c == '\0';
}

}  // namespace kestrel
