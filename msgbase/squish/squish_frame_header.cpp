#include "msgbase/squish/squish_frame_header.h"

#include "msgbase/io/little_endian.h"

namespace kestrel::squish {

SquishFrameHeader SquishFrameHeader::Decode(const std::uint8_t* bytes) {
  SquishFrameHeader h;
  h.id = GetLe32(bytes, kFrameIdOffset);
  h.next = GetLe32(bytes, kFrameNextOffset);
  h.prev = GetLe32(bytes, kFramePrevOffset);
  h.frame_length = GetLe32(bytes, kFrameLengthOffset);
  h.message_length = GetLe32(bytes, kFrameMessageLengthOffset);
  h.control_length = GetLe32(bytes, kFrameControlLengthOffset);
  h.frame_type = GetLe16(bytes, kFrameTypeOffset);
  h.reserved = GetLe16(bytes, kFrameReservedOffset);
  return h;
}

SquishFrameHeader::Bytes SquishFrameHeader::Encode() const {
  Bytes b{};
  PutLe32(b.data(), kFrameIdOffset, id);
  PutLe32(b.data(), kFrameNextOffset, next);
  PutLe32(b.data(), kFramePrevOffset, prev);
  PutLe32(b.data(), kFrameLengthOffset, frame_length);
  PutLe32(b.data(), kFrameMessageLengthOffset, message_length);
  PutLe32(b.data(), kFrameControlLengthOffset, control_length);
  PutLe16(b.data(), kFrameTypeOffset, frame_type);
  PutLe16(b.data(), kFrameReservedOffset, reserved);
  return b;
}

}  // namespace kestrel::squish
