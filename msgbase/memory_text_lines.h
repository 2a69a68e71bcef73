// The lines of a message text held in a memory stream, read in one piece and
// cut exactly as the line reader (GetTextLineZ) cuts them: a line ends at a
// carriage return or a zero byte, and a line feed right after that
// terminator belongs to it. The kludge operations walk a text this way
// instead of asking the stream for every line.
#pragma once

#include <cstddef>
#include <string>

#include "msgbase/mem_stream.h"

namespace kestrel {

class MemoryTextLines {
 public:
  // Reads the whole text; the stream's position is then at its end.
  explicit MemoryTextLines(MemStream& text);

  // The next line: its first byte, the byte after its last character (its
  // terminator, or the end of the text) and where the line after it starts.
  // False when the text is at its end.
  bool Next(std::size_t& start, std::size_t& end, std::size_t& next);

  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  std::size_t pos_ = 0;
  // The first zero byte at or after pos_ (bytes_.size() when none).
  std::size_t next_zero_ = 0;
};

}  // namespace kestrel
