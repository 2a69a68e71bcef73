#include "msgbase/text/line_scanner.h"

#include <algorithm>
#include <cstring>

#include "msgbase/io/stream_status.h"
#include "msgbase/text/text_characters.h"

namespace kestrel {

LineScanner LineScanner::FromOffset(BaseStream& text, std::int32_t from) {
  // Reading starts where the stream already is, so the first block needs
  // no seek; a position before the start reads from the start.
  std::int32_t stream_pos = from;
  if (from < 0) {
    from = 0;
    text.Seek(0);
    stream_pos = 0;
  }
  return LineScanner(text, from, stream_pos, kFirstLineBlock, kLineBlock, 0);
}

LineScanner LineScanner::WholeText(BaseStream& text) {
  return LineScanner(text, 0, -1, kWholeTextBlock, kWholeTextBlock, kLookBack);
}

LineScanner::LineScanner(BaseStream& text, std::int32_t from, std::int32_t stream_pos,
                         std::int32_t first_block, std::int32_t block, std::int32_t look_back)
    : text_(text),
      size_(text.GetSize()),
      from_(from),
      pos_(from),
      block_size_(first_block),
      next_block_size_(block),
      look_back_(look_back),
      stream_pos_(stream_pos) {}

bool LineScanner::Load(std::int32_t at) {
  if (at >= block_start_ && at < BlockEnd()) return true;
  const std::int32_t start = std::max(from_, at - look_back_);
  const std::int32_t count = std::min(block_size_, size_ - start);
  block_size_ = next_block_size_;
  if (stream_pos_ != start) text_.Seek(start);
  text_.Read(block_, static_cast<std::uint16_t>(count));
  stream_pos_ = start + count;
  block_start_ = start;
  block_length_ = count;
  zero_at_ = -1;
  if (text_.Status() == StOk) return true;
  // What a failing stream delivered is not the text: the text ends here.
  block_length_ = 0;
  pos_ = size_;
  return false;
}

std::int32_t LineScanner::FindTerminator(std::int32_t at) {
  const char* begin = block_ + (at - block_start_);
  if (zero_at_ < at) {
    const void* zero = std::memchr(begin, '\0', static_cast<std::size_t>(BlockEnd() - at));
    zero_at_ =
        zero == nullptr
            ? BlockEnd()
            : block_start_ + static_cast<std::int32_t>(static_cast<const char*>(zero) - block_);
  }
  const void* cr = std::memchr(begin, kCarriageReturn, static_cast<std::size_t>(zero_at_ - at));
  if (cr == nullptr) return zero_at_;
  return block_start_ + static_cast<std::int32_t>(static_cast<const char*>(cr) - block_);
}

bool LineScanner::Next(Line& line, char* out, std::size_t limit, std::size_t& kept) {
  if (pos_ >= size_ || !Load(pos_)) return false;
  kept = 0;
  line.start = pos_;
  while (true) {
    const std::int32_t stop = FindTerminator(pos_);
    const auto length = static_cast<std::size_t>(stop - pos_);
    const std::size_t take = std::min(length, limit - kept);
    if (take > 0) std::memcpy(out + kept, block_ + (pos_ - block_start_), take);
    kept += take;
    pos_ = stop;
    if (stop < BlockEnd()) break;
    // No terminator in this block: the line goes on in the next one, or
    // is the last line of the text and has none.
    if (pos_ >= size_ || !Load(pos_)) {
      line.next = pos_;
      return true;
    }
  }
  ++pos_;
  if (pos_ < size_ && Load(pos_) && ByteAt(pos_) == kLineFeed) ++pos_;
  line.next = pos_;
  return true;
}

bool LineScanner::NextStartingWith(char mark, Line& line, char* out, std::size_t limit,
                                   std::size_t& kept) {
  std::int32_t at = pos_;
  while (at < size_ && Load(at)) {
    const void* hit = std::memchr(block_ + (at - block_start_), static_cast<unsigned char>(mark),
                                  static_cast<std::size_t>(BlockEnd() - at));
    if (hit == nullptr) {
      at = BlockEnd();
      continue;
    }
    const std::int32_t found =
        block_start_ + static_cast<std::int32_t>(static_cast<const char*>(hit) - block_);
    if (found == pos_ || StartsLine(found)) {
      pos_ = found;
      return Next(line, out, limit, kept);
    }
    at = found + 1;
  }
  pos_ = size_;
  return false;
}

bool LineScanner::StartsLine(std::int32_t at) const {
  // The byte at `at` is a mark, never a line feed: a terminator right
  // before it ends the line before.
  const char before = ByteAt(at - 1);
  if (IsLineTerminator(before)) return true;
  // A line feed belongs to a terminator right before it.
  return before == kLineFeed && at - 2 >= from_ && IsLineTerminator(ByteAt(at - 2));
}

}  // namespace kestrel
