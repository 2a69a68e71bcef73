// The 1024-byte base header at the start of the .JHR file, as typed fields.
//
// The reserved bytes after the fields are kept as they were read, so a base
// header read and encoded again is written back exactly as it was.
#pragma once

#include <array>
#include <cstdint>

#include "msgbase/jam/jam_layout.h"

namespace kestrel::jam {

struct JamBaseHeader {
  using Bytes = std::array<std::uint8_t, kBaseHeaderSize>;

  std::array<std::uint8_t, sizeof kSignature> signature{};
  std::uint32_t date_created = 0;  // seconds since 1970 of the local time
  std::uint32_t mod_counter = 0;   // raised by every message stored
  std::int32_t active_msgs = 0;    // the messages the index holds
  std::uint32_t password_crc = 0;
  std::int32_t base_msg_num = 0;  // the number of the first index record
  std::array<std::uint8_t, kBaseHeaderSize - kBaseReservedOffset> reserved{};

  // The header of a new base: the signature, no messages, no password,
  // numbering from 1.
  static JamBaseHeader New(std::uint32_t date_created);
  static JamBaseHeader Decode(const std::uint8_t* bytes);
  void EncodeTo(std::uint8_t* bytes) const;
  Bytes Encode() const;

  friend bool operator==(const JamBaseHeader&, const JamBaseHeader&) = default;
};

}  // namespace kestrel::jam
