#include "msgbase/jam/jam_base_header.h"

#include <algorithm>

#include "msgbase/io/little_endian.h"

namespace kestrel::jam {

JamBaseHeader JamBaseHeader::New(std::uint32_t date_created) {
  JamBaseHeader header;
  std::copy_n(kSignature, sizeof kSignature, header.signature.begin());
  header.date_created = date_created;
  header.password_crc = kNoCrc;
  header.base_msg_num = kFirstMessageNumber;
  return header;
}

JamBaseHeader JamBaseHeader::Decode(const std::uint8_t* bytes) {
  JamBaseHeader h;
  std::copy_n(bytes + kBaseSignatureOffset, h.signature.size(), h.signature.begin());
  h.date_created = GetLe32(bytes, kBaseDateCreatedOffset);
  h.mod_counter = GetLe32(bytes, kBaseModCounterOffset);
  h.active_msgs = GetLeSigned32(bytes, kBaseActiveMsgsOffset);
  h.password_crc = GetLe32(bytes, kBasePasswordCrcOffset);
  h.base_msg_num = GetLeSigned32(bytes, kBaseMsgNumOffset);
  std::copy_n(bytes + kBaseReservedOffset, h.reserved.size(), h.reserved.begin());
  return h;
}

void JamBaseHeader::EncodeTo(std::uint8_t* bytes) const {
  std::copy_n(signature.begin(), signature.size(), bytes + kBaseSignatureOffset);
  PutLe32(bytes, kBaseDateCreatedOffset, date_created);
  PutLe32(bytes, kBaseModCounterOffset, mod_counter);
  PutLe32(bytes, kBaseActiveMsgsOffset, static_cast<std::uint32_t>(active_msgs));
  PutLe32(bytes, kBasePasswordCrcOffset, password_crc);
  PutLe32(bytes, kBaseMsgNumOffset, static_cast<std::uint32_t>(base_msg_num));
  std::copy_n(reserved.begin(), reserved.size(), bytes + kBaseReservedOffset);
}

JamBaseHeader::Bytes JamBaseHeader::Encode() const {
  Bytes bytes{};
  EncodeTo(bytes.data());
  return bytes;
}

}  // namespace kestrel::jam
