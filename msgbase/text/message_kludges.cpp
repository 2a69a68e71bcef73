// Finding, replacing, deleting and inserting kludge lines in the message
// text.
//
// A kludge line is a line whose first byte is 01h. Replacing, deleting or
// inserting a line saves only the text behind it, writes, puts the saved
// bytes back and truncates: the cost is the tail, never the whole text.
#include <algorithm>
#include <cstring>
#include <string>

#include "msgbase/io/mem_stream.h"
#include "msgbase/text/memory_text_lines.h"
#include "msgbase/message_base.h"
#include "msgbase/io/stream_blocks.h"

namespace kestrel {
namespace {

constexpr char KludgeMark = '\x01';
constexpr char CarriageReturn = '\r';

// Whether the `length` bytes of buf begin with the `name_length` bytes of
// name. A buffer holds no zero byte before its end, so its length is where
// its zero byte is.
bool LineBeginsWith(const char* buf, std::size_t length, const char* name,
                    std::size_t name_length) {
  return length >= name_length && std::memcmp(buf, name, name_length) == 0;
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

bool MessageBase::FindKludgeZ(const char* name, char* buf, std::uint16_t size) {
  const std::size_t name_length = name != nullptr ? std::strlen(name) : 0;
  if (size > 0) buf[0] = '\0';
  // A text in memory (of reasonable size) is searched in one piece, line by
  // line as below.
  if (auto* memory = WalkedInOnePiece(TextStream())) {
    return FindKludgeIn(*memory, name, name_length, buf, size);
  }
  SetTextPos(0);
  const std::int32_t text_size = GetTextSize();
  std::int32_t pos = 0;
  while (pos < text_size) {
    KludgeStart = pos;
    const std::size_t length = ReadTextLine(buf, size);
    const std::int32_t next = GetTextPos();
    if (LineBeginsWith(buf, length, name, name_length)) {
      KludgeEnd = next;
      return true;
    }
    if (next <= pos) break;  // a failing stream does not move: stop
    pos = next;
  }
  return false;
}

bool MessageBase::FindKludgeIn(MemStream& text, const char* name, std::size_t name_length,
                               char* buf, std::uint16_t size) {
  MemoryTextLines lines(text);
  const std::string_view bytes = lines.bytes();
  // Room for characters; the zero byte takes the last place.
  const std::size_t limit = size > 0 ? size - 1u : 0;
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  bool found = false;
  if (name_length > 0 && name[0] == KludgeMark) {
    // Only lines that begin with the mark can match: the search jumps from
    // one to the next, and ends, when nothing matched, on the last line as
    // the line-by-line walk would.
    while (!found && lines.NextStartingWith(KludgeMark, start, end, next)) {
      found = LineBeginsWith(bytes.data() + start, std::min(end - start, limit), name, name_length);
    }
    if (!found && !lines.Last(start, end, next)) return false;
  } else {
    bool any = false;
    while (!found && lines.Next(start, end, next)) {
      any = true;
      found = LineBeginsWith(bytes.data() + start, std::min(end - start, limit), name, name_length);
    }
    if (!any) return false;
  }
  // The line found, or else the last line read, as the line reader leaves it.
  KludgeStart = static_cast<std::int32_t>(start);
  const std::size_t length = std::min(end - start, limit);
  if (size > 0) {
    std::memcpy(buf, bytes.data() + start, length);
    buf[length] = '\0';
  }
  text.Seek(static_cast<std::int32_t>(next));
  if (found) KludgeEnd = static_cast<std::int32_t>(next);
  return found;
}

bool MessageBase::GetKludge(const std::string& name, std::string& line) {
  char buf[KludgeLineBufferSize];
  buf[0] = '\0';
  const bool found = FindKludgeZ(name.c_str(), buf, sizeof buf);
  line.assign(buf);
  return found;
}

void MessageBase::SetKludgeZ(const char* name, const char* line) {
  char scratch[LineBufferSize];
  if (!FindKludgeZ(name, scratch, sizeof scratch)) {
    AddKludgeZ(line);
    return;
  }
  ReplaceTextRange(KludgeStart, KludgeEnd, line);
}

void MessageBase::SetKludge(const std::string& name, const std::string& line) {
  SetKludgeZ(name.c_str(), line.c_str());
}

void MessageBase::DeleteKludgeZ(const char* name) {
  char scratch[LineBufferSize];
  if (FindKludgeZ(name, scratch, sizeof scratch)) ReplaceTextRange(KludgeStart, KludgeEnd, nullptr);
}

void MessageBase::DeleteKludge(const std::string& name) {
  DeleteKludgeZ(name.c_str());
}

std::int32_t MessageBase::GetKludgeInsertPos() {
  if (auto* memory = WalkedInOnePiece(TextStream())) return KludgeInsertPosIn(*memory);
  char scratch[LineBufferSize];
  const std::int32_t text_size = GetTextSize();
  bool seen = false;
  SetTextPos(0);
  std::int32_t start = 0;
  while (start < text_size) {
    GetTextLineZ(scratch, sizeof scratch);
    if (scratch[0] == KludgeMark) {
      seen = true;
    } else if (seen) {
      return start;
    }
    const std::int32_t next = GetTextPos();
    if (next <= start) break;
    start = next;
  }
  return text_size;
}

std::int32_t MessageBase::KludgeInsertPosIn(MemStream& text) {
  MemoryTextLines lines(text);
  const std::string_view bytes = lines.bytes();
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  bool seen = false;
  while (lines.Next(start, end, next)) {
    if (start < end && bytes[start] == KludgeMark) {
      seen = true;
    } else if (seen) {
      // Left after the line, where the line-by-line walk leaves it.
      text.Seek(static_cast<std::int32_t>(next));
      return static_cast<std::int32_t>(start);
    }
  }
  return static_cast<std::int32_t>(bytes.size());
}

void MessageBase::AddKludgeZ(const char* line) {
  const std::int32_t pos = GetKludgeInsertPos();
  const std::int32_t text_size = GetTextSize();
  if (pos < text_size) {
    ReplaceTextRange(pos, pos, line);
    return;
  }
  // Appending: when the last line of the text has no terminator, end it
  // first, so the new line is not glued onto it (a kludge appended to an
  // unterminated body line would be lost in it).
  SetTextPos(text_size);
  if (!TextEndsWithTerminator()) WriteTextBlock(&CarriageReturn, 1);
  PutTextLineZ(line);
}

void MessageBase::AddKludge(const std::string& line) {
  AddKludgeZ(line.c_str());
}

bool MessageBase::TextEndsWithTerminator() {
  const std::int32_t text_size = GetTextSize();
  if (text_size <= 0) return true;  // an empty text has no open line
  const std::int32_t from = std::max(0, text_size - 2);
  char last[2] = {};
  const std::int32_t count = text_size - from;
  SetTextPos(from);
  ReadTextBlock(last, static_cast<std::uint16_t>(count));
  SetTextPos(text_size);
  const char final_byte = last[count - 1];
  if (final_byte == CarriageReturn || final_byte == '\0') return true;
  // A line feed right after a terminator belongs to that terminator.
  return final_byte == '\n' && count == 2 && (last[0] == CarriageReturn || last[0] == '\0');
}

void MessageBase::ReplaceTextRange(std::int32_t at, std::int32_t from, const char* line) {
  BaseStream& text = TextStream();
  const std::int32_t tail_size = std::max(0, text.GetSize() - from);
  // The tail is moved where it lies, so a large text is never copied whole.
  const auto line_size = static_cast<std::int32_t>(line != nullptr ? std::strlen(line) + 1 : 0);
  const std::int32_t to = at + line_size;
  MoveTextBytes(text, from, to, tail_size);
  text.Seek(at);
  if (line != nullptr) PutTextLineZ(line);
  text.Seek(to + tail_size);
  text.Truncate();
}

}  // namespace kestrel
