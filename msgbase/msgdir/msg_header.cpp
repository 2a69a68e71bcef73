#include "msgbase/msgdir/msg_header.h"

#include <algorithm>
#include <cstring>

#include "msgbase/io/little_endian.h"

namespace kestrel {

std::string MsgHeader::GetText(std::size_t offset, std::size_t width) const {
  const char* field = reinterpret_cast<const char*>(bytes_.data() + offset);
  return std::string(field, strnlen(field, width));
}

void MsgHeader::SetText(std::size_t offset, std::size_t width, const std::string& text) {
  const std::size_t length = std::min(text.size(), width - 1);
  std::memcpy(bytes_.data() + offset, text.data(), length);
  std::memset(bytes_.data() + offset + length, 0, width - length);
}

std::uint16_t MsgHeader::Get16(std::size_t offset) const {
  return GetLe16(bytes_.data(), offset);
}

void MsgHeader::Set16(std::size_t offset, std::uint16_t value) {
  PutLe16(bytes_.data(), offset, value);
}

std::uint32_t MsgHeader::Get32(std::size_t offset) const {
  return GetLe32(bytes_.data(), offset);
}

void MsgHeader::Set32(std::size_t offset, std::uint32_t value) {
  PutLe32(bytes_.data(), offset, value);
}

}  // namespace kestrel
