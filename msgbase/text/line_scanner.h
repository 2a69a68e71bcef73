// Walks the lines of a message text forward, reading the stream in blocks
// through its Read: a line ends at a carriage return or a zero byte, and a
// line feed right after that terminator belongs to it. A line longer than
// the caller keeps is still passed whole.
//
// Every text operation cuts lines here, whatever stream holds the text: one
// line at a time (small blocks, since most lines are short and the caller
// may change the text between lines) or a whole text from its start (large
// blocks, and a search that jumps from one kludge mark to the next instead
// of cutting every body line). The stream's position is left where the last
// block read ended; the callers seek to where their operation leaves it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "msgbase/io/base_stream.h"

namespace kestrel {

class LineScanner {
 public:
  // Where a line lies in the text.
  struct Line {
    std::int32_t start = 0;  // its first byte
    std::int32_t next = 0;   // where the line after it starts
  };

  // Reads one line, or a few, from `from` (a negative offset counts as 0).
  static LineScanner FromOffset(BaseStream& text, std::int32_t from);
  // Reads the whole text from its start.
  static LineScanner WholeText(BaseStream& text);

  LineScanner(const LineScanner&) = delete;
  LineScanner& operator=(const LineScanner&) = delete;

  // The next line: where it lies, and its first characters (at most
  // `limit`) in `out`, and how many were stored in `kept`. False, with
  // `out` and `kept` as they were, when the text is at its end or the
  // stream failed.
  bool Next(Line& line, char* out, std::size_t limit, std::size_t& kept);
  // The next line whose first byte is `mark`, the lines before it passed
  // over by searching for the mark rather than cutting them one by one.
  // Only for a scanner of the whole text.
  bool NextStartingWith(char mark, Line& line, char* out, std::size_t limit, std::size_t& kept);

  std::int32_t size() const { return size_; }

 private:
  // Blocks of a scan of the whole text. A block starts up to kLookBack bytes
  // before the offset it is loaded for, so that whether a line starts at an
  // offset can be told from the bytes before it.
  static constexpr std::int32_t kWholeTextBlock = 16384;
  static constexpr std::int32_t kLookBack = 2;
  // Blocks of a line at a time: a short first block, then up to this many.
  static constexpr std::int32_t kFirstLineBlock = 128;
  static constexpr std::int32_t kLineBlock = 1024;

  LineScanner(BaseStream& text, std::int32_t from, std::int32_t stream_pos,
              std::int32_t first_block, std::int32_t block, std::int32_t look_back);

  // Makes the block hold offset `at` (below the size). False when the
  // stream failed; the scanner then stays at the end.
  bool Load(std::int32_t at);
  char ByteAt(std::int32_t at) const { return block_[at - block_start_]; }
  std::int32_t BlockEnd() const { return block_start_ + block_length_; }
  // Whether a line starts at `at`, a byte of the block after the position.
  bool StartsLine(std::int32_t at) const;
  // The first terminator in the block at or after `at` (the block's end
  // when there is none).
  std::int32_t FindTerminator(std::int32_t at);

  BaseStream& text_;
  std::int32_t size_;
  std::int32_t from_;
  std::int32_t pos_;
  std::int32_t block_size_;
  std::int32_t next_block_size_;
  std::int32_t look_back_;
  std::int32_t block_start_ = 0;
  std::int32_t block_length_ = 0;
  // The first zero byte of the block at or after the last search (the
  // block's end when there is none; -1: not searched yet).
  std::int32_t zero_at_ = -1;
  // Where the stream's position is after the last read (-1: not known).
  std::int32_t stream_pos_ = -1;
  char block_[kWholeTextBlock];
};

}  // namespace kestrel
