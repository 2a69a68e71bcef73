// Finding, replacing, deleting and inserting kludge lines in a message text.
//
// A kludge line is a line whose first byte is 01h. A search reads the text
// from its start; when the name begins with the mark, only lines that begin
// with it are looked at. Replacing, deleting or inserting a line moves only
// the text behind it, a piece at a time: the cost is the tail, never the
// whole text.
#include <algorithm>
#include <cstring>
#include <string>

#include "msgbase/io/stream_blocks.h"
#include "msgbase/text/line_scanner.h"
#include "msgbase/text/message_text.h"
#include "msgbase/text/text_characters.h"

namespace kestrel {
namespace {

// Whether the `length` characters at `line` begin with the `name_length`
// bytes of name.
bool LineBeginsWith(const char* line, std::size_t length, const char* name,
                    std::size_t name_length) {
  return length >= name_length && std::memcmp(line, name, name_length) == 0;
}

// Where the last line of the text starts: after the last terminator that
// has bytes behind it (its line feed not counted), or at 0. The text is
// read backwards, one small block at a time, so only the last line is read.
std::int32_t LastLineStart(BaseStream& text, std::int32_t size) {
  constexpr std::int32_t kBlock = 1024;
  char block[kBlock];
  char following = 0;  // the byte at `end`, read with the block after it
  for (std::int32_t end = size; end > 0;) {
    const std::int32_t start = std::max(0, end - kBlock);
    text.Seek(start);
    if (!ReadBlock(text, block, static_cast<std::size_t>(end - start))) return 0;
    for (std::int32_t at = end; at-- > start;) {
      if (!IsLineTerminator(block[at - start])) continue;
      const char next = at + 1 < end ? block[at + 1 - start] : following;
      std::int32_t after = at + 1;
      if (after < size && next == kLineFeed) ++after;
      if (after < size) return after;
    }
    following = block[0];
    end = start;
  }
  return 0;
}

// Moves `count` bytes of the stream from `from` to `to` a piece at a time,
// in the order that never overwrites a byte before it has been moved.
void MoveTextBytes(BaseStream& text, std::int32_t from, std::int32_t to, std::int32_t count) {
  if (from == to || count <= 0) return;
  constexpr std::int32_t kPiece = 65536;
  std::string piece(static_cast<std::size_t>(std::min(count, kPiece)), '\0');
  for (std::int32_t done = 0; done < count;) {
    const std::int32_t n = std::min(count - done, kPiece);
    // Moving up starts at the end, moving down at the start.
    const std::int32_t offset = to > from ? count - done - n : done;
    text.Seek(from + offset);
    ReadBlock(text, piece.data(), static_cast<std::size_t>(n));
    text.Seek(to + offset);
    WriteBlock(text, piece.data(), static_cast<std::size_t>(n));
    done += n;
  }
}

}  // namespace

bool MessageText::FindKludge(const char* name, char* buf, std::uint16_t size) {
  BaseStream& text = Stream();
  const std::size_t name_length = name != nullptr ? std::strlen(name) : 0;
  // Room for characters; the zero byte takes the last place.
  const std::size_t limit = size > 0 ? size - 1u : 0;
  if (size > 0) buf[0] = '\0';
  LineScanner lines = LineScanner::WholeText(text);
  LineScanner::Line line;
  std::size_t kept = 0;
  bool found = false;
  bool any = false;
  if (name_length > 0 && name[0] == kKludgeMark) {
    // Only lines that begin with the mark can match.
    while (!found && lines.NextStartingWith(kKludgeMark, line, buf, limit, kept)) {
      found = LineBeginsWith(buf, kept, name, name_length);
    }
    if (!found && lines.size() > 0) {
      // Nothing matched: buf gets the last line, as a walk over every line
      // would leave it.
      any = true;
      line.start = LastLineStart(text, lines.size());
      text.Seek(line.start);
      kept = ReadLine(buf, size);
      line.next = text.GetPos();
    }
  } else {
    while (!found && lines.Next(line, buf, limit, kept)) {
      any = true;
      found = LineBeginsWith(buf, kept, name, name_length);
    }
  }
  if (!found && !any) {
    text.Seek(lines.size());
    return false;
  }
  if (size > 0) buf[kept] = '\0';
  kludge_start_ = line.start;
  text.Seek(line.next);
  if (found) kludge_end_ = line.next;
  return found;
}

void MessageText::SetKludge(const char* name, const char* line) {
  char scratch[LineBufferSize];
  if (!FindKludge(name, scratch, sizeof scratch)) {
    AddKludge(line);
    return;
  }
  ReplaceRange(kludge_start_, kludge_end_, line);
}

void MessageText::DeleteKludge(const char* name) {
  char scratch[LineBufferSize];
  if (FindKludge(name, scratch, sizeof scratch)) ReplaceRange(kludge_start_, kludge_end_, nullptr);
}

std::int32_t MessageText::KludgeInsertPos() {
  BaseStream& text = Stream();
  LineScanner lines = LineScanner::WholeText(text);
  LineScanner::Line line;
  char first = 0;
  std::size_t kept = 0;
  // Lines before the first kludge line are passed over.
  if (lines.NextStartingWith(kKludgeMark, line, &first, 1, kept)) {
    while (lines.Next(line, &first, 1, kept)) {
      if (kept == 1 && first == kKludgeMark) continue;
      // Left after the line, where reading it leaves the position.
      text.Seek(line.next);
      return line.start;
    }
  }
  text.Seek(lines.size());
  return lines.size();
}

void MessageText::AddKludge(const char* line) {
  const std::int32_t pos = KludgeInsertPos();
  const std::int32_t text_size = Size();
  if (pos < text_size) {
    ReplaceRange(pos, pos, line);
    return;
  }
  // Appending: when the last line of the text has no terminator, end it
  // first, so the new line is not glued onto it (a kludge appended to an
  // unterminated body line would be lost in it).
  Seek(text_size);
  if (!EndsWithTerminator()) Write(&kCarriageReturn, 1);
  WriteLine(line);
}

void MessageText::ForEachKludgeLine(const std::function<void(const std::string& line)>& visit) {
  BaseStream& text = Stream();
  LineScanner lines = LineScanner::WholeText(text);
  LineScanner::Line line;
  char buf[kTextLineLimit];
  std::size_t kept = 0;
  std::string kludge;
  while (lines.NextStartingWith(kKludgeMark, line, buf, sizeof buf, kept)) {
    kludge.assign(buf, kept);
    visit(kludge);
  }
  text.Seek(lines.size());
}

bool MessageText::EndsWithTerminator() {
  const std::int32_t text_size = Size();
  if (text_size <= 0) return true;  // an empty text has no open line
  const std::int32_t from = std::max(0, text_size - 2);
  char last[2] = {};
  const std::int32_t count = text_size - from;
  Seek(from);
  Read(last, static_cast<std::uint16_t>(count));
  Seek(text_size);
  const char final_byte = last[count - 1];
  if (IsLineTerminator(final_byte)) return true;
  // A line feed right after a terminator belongs to that terminator.
  return final_byte == kLineFeed && count == 2 && IsLineTerminator(last[0]);
}

void MessageText::ReplaceRange(std::int32_t at, std::int32_t from, const char* line) {
  BaseStream& text = Stream();
  const std::int32_t tail_size = std::max(0, text.GetSize() - from);
  const auto line_size = static_cast<std::int32_t>(line != nullptr ? std::strlen(line) + 1 : 0);
  const std::int32_t to = at + line_size;
  MoveTextBytes(text, from, to, tail_size);
  text.Seek(at);
  if (line != nullptr) WriteLine(line);
  text.Seek(to + tail_size);
  text.Truncate();
}

}  // namespace kestrel
