// One 8-byte record of the .JDX index, as typed fields.
#pragma once

#include <array>
#include <cstdint>

#include "msgbase/io/little_endian.h"
#include "msgbase/jam/jam_layout.h"

namespace kestrel::jam {

struct JamIndexRecord {
  using Bytes = std::array<std::uint8_t, kIndexRecordSize>;

  std::uint32_t recipient_crc = kNoCrc;  // NameCrc of the recipient's name
  // The message header's offset in the .JHR file; kDeletedHdrOffset marks a
  // deleted record.
  std::int32_t header_offset = 0;

  // The record a kill leaves behind it.
  static JamIndexRecord Deleted() { return {kNoCrc, kDeletedHdrOffset}; }
  static JamIndexRecord Decode(const std::uint8_t* bytes);
  // Only the header offset of the record at `bytes`: the index walks read
  // nothing else.
  static std::int32_t HeaderOffsetOf(const std::uint8_t* bytes);
  void EncodeTo(std::uint8_t* bytes) const;
  Bytes Encode() const;
  bool IsDeleted() const { return header_offset == kDeletedHdrOffset; }

  friend bool operator==(const JamIndexRecord&, const JamIndexRecord&) = default;
};

// Inline: compactions and look-ups run these over every record of the index.
inline JamIndexRecord JamIndexRecord::Decode(const std::uint8_t* bytes) {
  return {GetLe32(bytes, kIndexRecipientCrcOffset), HeaderOffsetOf(bytes)};
}

inline std::int32_t JamIndexRecord::HeaderOffsetOf(const std::uint8_t* bytes) {
  return GetLeSigned32(bytes, kIndexHdrOffsetOffset);
}

inline void JamIndexRecord::EncodeTo(std::uint8_t* bytes) const {
  PutLe32(bytes, kIndexRecipientCrcOffset, recipient_crc);
  PutLe32(bytes, kIndexHdrOffsetOffset, static_cast<std::uint32_t>(header_offset));
}

inline JamIndexRecord::Bytes JamIndexRecord::Encode() const {
  Bytes bytes{};
  EncodeTo(bytes.data());
  return bytes;
}

}  // namespace kestrel::jam
