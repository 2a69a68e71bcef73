#include "msgbase/squish/squish_base_header.h"

#include <algorithm>

#include "msgbase/io/little_endian.h"

namespace kestrel::squish {

SquishBaseHeader SquishBaseHeader::Fresh(std::string_view base_name) {
  SquishBaseHeader header;
  Bytes& b = header.bytes_;
  PutLe16(b.data(), kBaseHeaderLengthOffset, kBaseHeaderSize);
  header.SetNextUniqueId(1);
  const std::size_t name_length = std::min(base_name.size(), kBaseNameWidth - 1);
  std::copy_n(base_name.begin(), name_length, b.begin() + kBaseNameOffset);
  header.SetEndOfData(kBaseHeaderSize);
  PutLe32(b.data(), kMaxMessagesOffset, kNewMaxMessages);
  PutLe16(b.data(), kKeepDaysOffset, kNewKeepDays);
  PutLe16(b.data(), kFrameHeaderSizeOffset, kFrameHeaderSize);
  return header;
}

ChainEnds SquishBaseHeader::MessageChain() const {
  return {Get(kFirstMessageFrameOffset), Get(kLastMessageFrameOffset)};
}

void SquishBaseHeader::SetMessageChain(const ChainEnds& ends) {
  Put(kFirstMessageFrameOffset, ends.first);
  Put(kLastMessageFrameOffset, ends.last);
}

ChainEnds SquishBaseHeader::FreeChain() const {
  return {Get(kFirstFreeFrameOffset), Get(kLastFreeFrameOffset)};
}

void SquishBaseHeader::SetFreeChain(const ChainEnds& ends) {
  Put(kFirstFreeFrameOffset, ends.first);
  Put(kLastFreeFrameOffset, ends.last);
}

std::uint32_t SquishBaseHeader::Get(std::size_t offset) const {
  return GetLe32(bytes_.data(), offset);
}

void SquishBaseHeader::Put(std::size_t offset, std::uint32_t value) {
  PutLe32(bytes_.data(), offset, value);
}

}  // namespace kestrel::squish
