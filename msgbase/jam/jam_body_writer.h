// Sorts the lines of a message text as JamBase::WriteMsg stores them: each
// kludge line goes to a subfield, each body line to the .JDT file.
//
// Lines are split the way the line reader splits them: a line ends at a
// carriage return or a zero byte, and a line feed right after that ending
// belongs to it. The first 255 bytes of a line tell what it is (the
// `take_kludge` callback stores a kludge line as a subfield and answers
// false for a body line); body lines are written whole, however long, each
// ended by a carriage return. The text is fed and the body written a piece
// at a time, so a large message is never held in memory again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "msgbase/io/base_stream.h"

namespace kestrel::jam {

class BodyWriter {
 public:
  // Writes the body to `out` at its current position.
  BodyWriter(std::function<bool(const std::string& line)> take_kludge, BaseStream& out);

  // The next bytes of the text; false when a write failed.
  bool Feed(std::string_view piece);
  // Ends the last line and writes what is left; false when a write failed.
  bool Finish();
  // The bytes of body written (or buffered) so far.
  std::int64_t body_length() const { return body_length_; }

 private:
  // The bytes of the line in hand up to its end or the end of the piece;
  // `ended` when its terminator follows them.
  bool FeedLine(std::string_view bytes, bool ended);
  // Tells from the line's first bytes whether it is a kludge or a body line.
  bool Decide();
  // Buffers body bytes, writing them out once a piece is full.
  bool Emit(std::string_view bytes);

  std::function<bool(const std::string& line)> take_kludge_;
  BaseStream& out_;
  std::string buffer_;
  std::int64_t body_length_ = 0;
  std::string head_;        // the first bytes of the line in hand, until it is decided
  bool decided_ = false;    // whether the line in hand is known to be body or kludge
  bool body_line_ = false;  // the line in hand is a body line
  bool skip_feed_ = false;  // a line feed right here belongs to the last terminator
  bool in_line_ = false;    // a line has begun and not yet ended
};

}  // namespace kestrel::jam
