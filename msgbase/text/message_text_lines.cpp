// Reading and writing the lines of the message text, the raw stream
// operations on it, and the origin line.
//
// The stream position is the only cursor. A line is read in blocks from the
// position: a short first block (most lines are short) and then blocks of
// TextReadBlockSize bytes, so finding the end of a line never copies more of
// the text than that line and one block.
#include <algorithm>
#include <cstring>

#include "msgbase/message_base.h"
#include "msgbase/io/stream_blocks.h"

namespace kestrel {
namespace {

constexpr std::int32_t TextReadBlockSize = 1024;
constexpr std::int32_t TextFirstBlockSize = 128;
constexpr char CarriageReturn = '\r';
constexpr char LineFeed = '\n';

bool IsLineTerminator(char c) {
  return c == CarriageReturn || c == '\0';
}

}  // namespace

void MessageBase::GetTextLineZ(char* buf, std::uint16_t size) {
  ReadTextLine(buf, size);
}

std::size_t MessageBase::ReadTextLine(char* buf, std::uint16_t size) {
  BaseStream& text = TextStream();
  // Room for characters; the zero byte takes the last place. A buffer of
  // size 0 receives nothing, but the line is still consumed.
  const std::size_t limit = size > 0 ? size - 1u : 0;
  std::size_t collected = 0;

  std::int32_t pos = text.GetPos();
  const std::int32_t text_size = text.GetSize();
  if (pos < 0 && text_size >= 0) {
    // A position before the start reads from the start.
    pos = 0;
    text.Seek(0);
  }

  char block[TextReadBlockSize];
  std::int32_t block_size = TextFirstBlockSize;
  while (pos >= 0 && pos < text_size) {
    const std::int32_t n = std::min(block_size, text_size - pos);
    block_size = TextReadBlockSize;
    text.Read(block, static_cast<std::uint16_t>(n));
    const char* end = std::find_if(block, block + n, IsLineTerminator);
    const std::size_t before = static_cast<std::size_t>(end - block);
    const std::size_t take = std::min(before, limit - collected);
    if (take > 0) std::memcpy(buf + collected, block, take);
    collected += take;
    if (end == block + n) {
      pos += n;  // no terminator in this block: the stream is now at pos
      continue;
    }
    std::int32_t next = pos + static_cast<std::int32_t>(before) + 1;
    if (static_cast<std::int32_t>(before) + 1 < n) {
      if (block[before + 1] == LineFeed) ++next;
    } else if (next < text_size) {
      // The byte after the terminator lies in the next block.
      char following = 0;
      text.Read(&following, 1);
      if (following == LineFeed) ++next;
    }
    text.Seek(next);
    break;
  }
  if (size > 0) buf[collected] = '\0';
  return collected;
}

void MessageBase::GetTextLine(std::string& s) {
  char buf[TextLineLimit + 1];
  // No terminator is ever collected, so the line is the bytes counted.
  s.assign(buf, ReadTextLine(buf, sizeof buf));
}

void MessageBase::PutTextLineZ(const char* p) {
  BaseStream& text = TextStream();
  if (p != nullptr) WriteBlock(text, p, std::strlen(p));
  text.Write(&CarriageReturn, 1);
}

void MessageBase::PutTextLine(const std::string& s) {
  PutTextLineZ(s.c_str());
}

bool MessageBase::EndOfText() {
  BaseStream& text = TextStream();
  return text.GetPos() == text.GetSize();
}

void MessageBase::SetTextPos(std::int32_t pos) {
  TextStream().Seek(pos);
}

std::int32_t MessageBase::GetTextPos() {
  return TextStream().GetPos();
}

std::int32_t MessageBase::GetTextSize() {
  return TextStream().GetSize();
}

void MessageBase::TruncateText() {
  TextStream().Truncate();
}

void MessageBase::ReadTextBlock(void* buf, std::uint16_t count) {
  TextStream().Read(buf, count);
}

void MessageBase::WriteTextBlock(const void* buf, std::uint16_t count) {
  TextStream().Write(buf, count);
}

void MessageBase::WriteOrigin(const FidoAddress& addr, const std::string& text) {
  static constexpr char kPrefix[] = " * Origin: ";
  const std::string address = FormatAddress(addr);
  // The fixed parts: the prefix, " (" and ")".
  const int fixed = static_cast<int>(sizeof kPrefix - 1) + 3;
  const int room = OriginLineLimit - (fixed + static_cast<int>(address.size()));
  std::string line = kPrefix;
  if (room > 0) line.append(text, 0, static_cast<std::size_t>(room));
  line += " (";
  line += address;
  line += ')';
  PutTextLine(line);
}

}  // namespace kestrel
