// The lines of a message text held in a memory stream, read in one piece and
// cut exactly as the line reader (GetTextLineZ) cuts them: a line ends at a
// carriage return or a zero byte, and a line feed right after that
// terminator belongs to it. The kludge operations walk a text this way
// instead of asking the stream for every line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "msgbase/mem_stream.h"

namespace kestrel {

class MemoryTextLines {
 public:
  // Takes the whole text; the stream's position is then at its end. The
  // stream must not change while the lines are walked.
  explicit MemoryTextLines(MemStream& text);

  // The next line: its first byte, the byte after its last character (its
  // terminator, or the end of the text) and where the line after it starts.
  // False when the text is at its end.
  bool Next(std::size_t& start, std::size_t& end, std::size_t& next);

  std::string_view bytes() const { return bytes_; }

 private:
  // A text in one block is read where it lies; a longer one is copied.
  std::string copy_;
  std::string_view bytes_;
  std::size_t pos_ = 0;
  // The first zero byte at or after pos_ (bytes_.size() when none).
  std::size_t next_zero_ = 0;
};

}  // namespace kestrel
