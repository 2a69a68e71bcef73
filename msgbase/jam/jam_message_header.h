// The 76-byte header of a JAM message in the .JHR file, as typed fields.
//
// Every byte of the record belongs to a field (the reserved word and the
// fields this program does not use included), so a header read and encoded
// again is written back exactly as it was read.
#pragma once

#include <array>
#include <cstdint>

#include "msgbase/jam/jam_layout.h"

namespace kestrel::jam {

struct JamMessageHeader {
  using Bytes = std::array<std::uint8_t, kMsgHeaderSize>;

  std::array<std::uint8_t, sizeof kSignature> signature{};
  std::uint16_t revision = 0;
  std::uint16_t reserved_word = 0;
  std::uint32_t subfield_len = 0;  // bytes of subfields after the header
  std::uint32_t times_read = 0;
  std::uint32_t msg_id_crc = 0;
  std::uint32_t reply_crc = 0;
  std::uint32_t reply_to = 0;
  std::uint32_t reply_1st = 0;
  std::uint32_t reply_next = 0;
  std::uint32_t date_written = 0;  // seconds since 1970 of the local time
  std::uint32_t date_received = 0;
  std::uint32_t date_processed = 0;
  std::uint32_t msg_num = 0;
  std::uint32_t attribute = 0;
  std::uint32_t attribute2 = 0;
  std::uint32_t txt_offset = 0;  // the text's place in the .JDT file
  std::uint32_t txt_len = 0;
  std::uint32_t password_crc = 0;
  std::uint32_t cost = 0;

  // The header of a message this program creates: the signature, revision
  // 1, no MSGID, REPLY or password (their CRCs FFFFFFFFh), every other field
  // 0.
  static JamMessageHeader New();
  static JamMessageHeader Decode(const std::uint8_t* bytes);
  void EncodeTo(std::uint8_t* bytes) const;
  Bytes Encode() const;
  bool IsDeleted() const { return (attribute & kAttrDeleted) != 0; }

  friend bool operator==(const JamMessageHeader&, const JamMessageHeader&) = default;
};

}  // namespace kestrel::jam
