#include "msgbase/squish/squish_control_info.h"

#include "msgbase/squish/squish_layout.h"
#include "msgbase/text/text_characters.h"

namespace kestrel::squish {

std::string ControlInfoToLines(std::string_view control) {
  std::string lines;
  lines.reserve(control.size() + 16);
  std::size_t piece_length = 0;
  for (const char c : control) {
    if (c == '\0') continue;
    if (c == kKludgeMark && piece_length > 0) {
      lines += kCarriageReturn;
      piece_length = 0;
    }
    lines += c;
    ++piece_length;
  }
  if (piece_length > 0) lines += kCarriageReturn;
  return lines;
}

SplitMessageText SplitKludgeLines(std::string_view text) {
  SplitMessageText split;
  split.body_start = text.size();
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && !IsLineTerminator(text[end]))
      ++end;
    const std::string_view line = text.substr(pos, end - pos);
    if (line.empty() || line[0] != kKludgeMark) {
      split.body_start = pos;
      break;
    }
    if (!split.dropped_kludges) {
      // The 0 that closes the control information must fit too.
      const bool fits =
          line.size() <= kMaxKludgePiece && split.control.size() + line.size() + 1 < kControlLimit;
      if (fits) {
        split.control += line;
      } else {
        split.dropped_kludges = true;
      }
    }
    pos = end;
    if (pos < text.size()) {
      ++pos;  // the terminator
      if (pos < text.size() && text[pos] == kLineFeed) ++pos;
    }
  }
  split.control += '\0';
  return split;
}

}  // namespace kestrel::squish
