#include "msgbase/jam/jam_message_header.h"

#include <algorithm>

#include "msgbase/io/little_endian.h"

namespace kestrel::jam {

JamMessageHeader JamMessageHeader::New() {
  JamMessageHeader header;
  std::copy_n(kSignature, sizeof kSignature, header.signature.begin());
  header.revision = kMsgRevision;
  header.msg_id_crc = kNoCrc;
  header.reply_crc = kNoCrc;
  header.password_crc = kNoCrc;
  return header;
}

JamMessageHeader JamMessageHeader::Decode(const std::uint8_t* bytes) {
  JamMessageHeader h;
  std::copy_n(bytes + kMsgSignatureOffset, h.signature.size(), h.signature.begin());
  h.revision = GetLe16(bytes, kMsgRevisionOffset);
  h.reserved_word = GetLe16(bytes, kMsgReservedWordOffset);
  h.subfield_len = GetLe32(bytes, kMsgSubfieldLenOffset);
  h.times_read = GetLe32(bytes, kMsgTimesReadOffset);
  h.msg_id_crc = GetLe32(bytes, kMsgIdCrcOffset);
  h.reply_crc = GetLe32(bytes, kMsgReplyCrcOffset);
  h.reply_to = GetLe32(bytes, kMsgReplyToOffset);
  h.reply_1st = GetLe32(bytes, kMsgReply1stOffset);
  h.reply_next = GetLe32(bytes, kMsgReplyNextOffset);
  h.date_written = GetLe32(bytes, kMsgDateWrittenOffset);
  h.date_received = GetLe32(bytes, kMsgDateReceivedOffset);
  h.date_processed = GetLe32(bytes, kMsgDateProcessedOffset);
  h.msg_num = GetLe32(bytes, kMsgNumOffset);
  h.attribute = GetLe32(bytes, kMsgAttributeOffset);
  h.attribute2 = GetLe32(bytes, kMsgAttribute2Offset);
  h.txt_offset = GetLe32(bytes, kMsgTxtOffsetOffset);
  h.txt_len = GetLe32(bytes, kMsgTxtLenOffset);
  h.password_crc = GetLe32(bytes, kMsgPasswordCrcOffset);
  h.cost = GetLe32(bytes, kMsgCostOffset);
  return h;
}

void JamMessageHeader::EncodeTo(std::uint8_t* bytes) const {
  std::copy_n(signature.begin(), signature.size(), bytes + kMsgSignatureOffset);
  PutLe16(bytes, kMsgRevisionOffset, revision);
  PutLe16(bytes, kMsgReservedWordOffset, reserved_word);
  PutLe32(bytes, kMsgSubfieldLenOffset, subfield_len);
  PutLe32(bytes, kMsgTimesReadOffset, times_read);
  PutLe32(bytes, kMsgIdCrcOffset, msg_id_crc);
  PutLe32(bytes, kMsgReplyCrcOffset, reply_crc);
  PutLe32(bytes, kMsgReplyToOffset, reply_to);
  PutLe32(bytes, kMsgReply1stOffset, reply_1st);
  PutLe32(bytes, kMsgReplyNextOffset, reply_next);
  PutLe32(bytes, kMsgDateWrittenOffset, date_written);
  PutLe32(bytes, kMsgDateReceivedOffset, date_received);
  PutLe32(bytes, kMsgDateProcessedOffset, date_processed);
  PutLe32(bytes, kMsgNumOffset, msg_num);
  PutLe32(bytes, kMsgAttributeOffset, attribute);
  PutLe32(bytes, kMsgAttribute2Offset, attribute2);
  PutLe32(bytes, kMsgTxtOffsetOffset, txt_offset);
  PutLe32(bytes, kMsgTxtLenOffset, txt_len);
  PutLe32(bytes, kMsgPasswordCrcOffset, password_crc);
  PutLe32(bytes, kMsgCostOffset, cost);
}

JamMessageHeader::Bytes JamMessageHeader::Encode() const {
  Bytes bytes{};
  EncodeTo(bytes.data());
  return bytes;
}

}  // namespace kestrel::jam
