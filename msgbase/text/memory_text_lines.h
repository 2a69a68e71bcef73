// The lines of a message text held in a memory stream, read in one piece and
// cut exactly as the line reader (GetTextLineZ) cuts them: a line ends at a
// carriage return or a zero byte, and a line feed right after that
// terminator belongs to it. The kludge operations walk a text this way
// instead of asking the stream for every line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "msgbase/io/mem_stream.h"

namespace kestrel {

// The largest text walked in one piece: a longer one would be copied out of
// its blocks whole, holding a large message twice. The kludge operations walk
// a longer text line by line where it lies instead.
inline constexpr std::int32_t kLargestTextWalkedInOnePiece = 1 << 20;

// `stream` as a memory stream when its text is to be walked in one piece
// (a memory stream of at most kLargestTextWalkedInOnePiece bytes); null
// otherwise.
MemStream* WalkedInOnePiece(BaseStream& stream);

class MemoryTextLines {
 public:
  // Takes the whole text; the stream's position is then at its end. The
  // stream must not change while the lines are walked.
  explicit MemoryTextLines(MemStream& text);

  // The next line: its first byte, the byte after its last character (its
  // terminator, or the end of the text) and where the line after it starts.
  // False when the text is at its end.
  bool Next(std::size_t& start, std::size_t& end, std::size_t& next);

  // The next line whose first byte is `mark`, the lines before it skipped.
  // The mark is searched for in the bytes, so a body without it is passed
  // in one search instead of line by line. False when no such line is left.
  bool NextStartingWith(char mark, std::size_t& start, std::size_t& end, std::size_t& next);

  // The line Next gives last; false for an empty text. Leaves the walk
  // where it is.
  bool Last(std::size_t& start, std::size_t& end, std::size_t& next) const;

  std::string_view bytes() const { return bytes_; }

 private:
  // A text in one block is read where it lies; a longer one is copied.
  // Whether a line begins at `at`: the first byte, or the byte after a
  // terminator, or after a line feed that follows a terminator.
  bool StartsLine(std::size_t at) const;
  // The line that begins at `start`, as Next cuts it.
  void LineAt(std::size_t start, std::size_t first_zero, std::size_t& end, std::size_t& next) const;

  std::string copy_;
  std::string_view bytes_;
  std::size_t pos_ = 0;
  // The first zero byte at or after pos_ (bytes_.size() when none).
  std::size_t next_zero_ = 0;
};

}  // namespace kestrel
