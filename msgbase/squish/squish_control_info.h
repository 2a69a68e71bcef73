// Control information: the kludge lines a Squish frame stores in front of
// the message text, each beginning with the byte 01h, concatenated without
// line ends and closed by one byte 0.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrel::squish {

// The kludge lines of stored control information as message text: the
// bytes are cut before every 01h (except one at the very start), zero bytes
// are dropped, and each piece becomes a line ended by a carriage return.
// Control information that holds nothing but zeros gives no line at all, so
// a message without kludges does not grow an empty first line.
std::string ControlInfoToLines(std::string_view control);

// Message text split into what a frame stores.
struct SplitMessageText {
  // The kludge lines of the leading run, concatenated, with the closing 0.
  std::string control;
  // Offset in the text of the first line that is not a kludge line (the
  // text's size when there is none): the message text starts there.
  std::size_t body_start = 0;
  // Kludge lines were left out because they did not fit (below).
  bool dropped_kludges = false;
};

// Takes the leading kludge lines of a message text (lines end at a carriage
// return or a zero byte; a line feed right after the end is skipped) into
// control information. The first line that does not begin with 01h starts
// the message text. Kludge lines are stored whole and in order while they
// fit: a line longer than the longest piece (16383 bytes), or one that
// would bring the control information with its 0 to 65520 bytes or more, is
// left out together with every kludge line after it; the message text is
// never cut.
SplitMessageText SplitKludgeLines(std::string_view text);

}  // namespace kestrel::squish
