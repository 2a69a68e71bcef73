// Reading and writing the lines of a message text, and the raw stream
// operations on it.
#include "msgbase/text/message_text.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "msgbase/io/run_time_error.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/text/line_scanner.h"
#include "msgbase/text/text_characters.h"

namespace kestrel {

void MessageText::Adopt(std::unique_ptr<BaseStream> stream) {
  owned_ = std::move(stream);
  stream_ = owned_.get();
}

std::unique_ptr<BaseStream> MessageText::Release() {
  if (owned_ != nullptr) stream_ = nullptr;
  return std::move(owned_);
}

BaseStream& MessageText::Stream() {
  if (stream_ == nullptr) RaiseRunTimeError(kFailureObjectNotInitialized);
  return *stream_;
}

std::size_t MessageText::ReadLine(char* buf, std::uint16_t size) {
  BaseStream& text = Stream();
  // Room for characters; the zero byte takes the last place. A buffer of
  // size 0 receives nothing, but the line is still consumed.
  const std::size_t limit = size > 0 ? size - 1u : 0;
  LineScanner lines = LineScanner::FromOffset(text, text.GetPos());
  LineScanner::Line line;
  std::size_t kept = 0;
  if (lines.Next(line, buf, limit, kept)) text.Seek(line.next);
  if (size > 0) buf[kept] = '\0';
  return kept;
}

void MessageText::ReadLine(std::string& s) {
  char buf[kTextLineLimit + 1];
  // No terminator is ever stored, so the line is the bytes counted.
  s.assign(buf, ReadLine(buf, sizeof buf));
}

void MessageText::WriteLine(const char* p) {
  BaseStream& text = Stream();
  if (p != nullptr) WriteBlock(text, p, std::strlen(p));
  text.Write(&kCarriageReturn, 1);
}

void MessageText::WriteOrigin(const FidoAddress& addr, const std::string& text) {
  static constexpr char kPrefix[] = " * Origin: ";
  const std::string address = FormatAddress(addr);
  // The fixed parts: the prefix, " (" and ")".
  const int fixed = static_cast<int>(sizeof kPrefix - 1) + 3;
  const int room = kOriginLineLimit - (fixed + static_cast<int>(address.size()));
  std::string line = kPrefix;
  if (room > 0) line.append(text, 0, static_cast<std::size_t>(room));
  line += " (";
  line += address;
  line += ')';
  WriteLine(line.c_str());
}

bool MessageText::AtEnd() {
  BaseStream& text = Stream();
  return text.GetPos() == text.GetSize();
}

void MessageText::Seek(std::int32_t pos) {
  Stream().Seek(pos);
}

std::int32_t MessageText::Position() {
  return Stream().GetPos();
}

std::int32_t MessageText::Size() {
  return Stream().GetSize();
}

void MessageText::Truncate() {
  Stream().Truncate();
}

void MessageText::Read(void* buf, std::uint16_t count) {
  Stream().Read(buf, count);
}

void MessageText::Write(const void* buf, std::uint16_t count) {
  Stream().Write(buf, count);
}

}  // namespace kestrel
