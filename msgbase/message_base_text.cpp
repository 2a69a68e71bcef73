// The text and kludge operations of the interface, handed to the text of
// the open message.
#include "msgbase/message_base.h"

namespace kestrel {

void MessageBase::GetTextLineZ(char* buf, std::uint16_t size) {
  text_.ReadLine(buf, size);
}

void MessageBase::GetTextLine(std::string& s) {
  text_.ReadLine(s);
}

void MessageBase::PutTextLineZ(const char* p) {
  text_.WriteLine(p);
}

void MessageBase::PutTextLine(const std::string& s) {
  text_.WriteLine(s.c_str());
}

bool MessageBase::EndOfText() {
  return text_.AtEnd();
}

void MessageBase::SetTextPos(std::int32_t pos) {
  text_.Seek(pos);
}

std::int32_t MessageBase::GetTextPos() {
  return text_.Position();
}

std::int32_t MessageBase::GetTextSize() {
  return text_.Size();
}

void MessageBase::TruncateText() {
  text_.Truncate();
}

void MessageBase::ReadTextBlock(void* buf, std::uint16_t count) {
  text_.Read(buf, count);
}

void MessageBase::WriteTextBlock(const void* buf, std::uint16_t count) {
  text_.Write(buf, count);
}

bool MessageBase::FindKludgeZ(const char* name, char* buf, std::uint16_t size) {
  return text_.FindKludge(name, buf, size);
}

bool MessageBase::GetKludge(const std::string& name, std::string& line) {
  char buf[kKludgeLineBufferSize];
  buf[0] = '\0';
  const bool found = text_.FindKludge(name.c_str(), buf, sizeof buf);
  line.assign(buf);
  return found;
}

void MessageBase::SetKludgeZ(const char* name, const char* line) {
  text_.SetKludge(name, line);
}

void MessageBase::SetKludge(const std::string& name, const std::string& line) {
  text_.SetKludge(name.c_str(), line.c_str());
}

void MessageBase::DeleteKludgeZ(const char* name) {
  text_.DeleteKludge(name);
}

void MessageBase::DeleteKludge(const std::string& name) {
  text_.DeleteKludge(name.c_str());
}

void MessageBase::AddKludgeZ(const char* line) {
  text_.AddKludge(line);
}

void MessageBase::AddKludge(const std::string& line) {
  text_.AddKludge(line.c_str());
}

std::int32_t MessageBase::GetKludgeInsertPos() {
  return text_.KludgeInsertPos();
}

void MessageBase::WriteOrigin(const FidoAddress& addr, const std::string& text) {
  text_.WriteOrigin(addr, text);
}

}  // namespace kestrel
