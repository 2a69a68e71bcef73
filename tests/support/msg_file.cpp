#include "tests/support/msg_file.h"

#include <algorithm>

#include "tests/support/temp_dir.h"

namespace kestrel::testing {

namespace {

std::string GetField(std::string_view bytes, std::size_t offset, std::size_t size) {
  const std::string_view field = bytes.substr(offset, size);
  return std::string(field.substr(0, field.find('\0')));
}

void PutField(std::string& bytes, std::size_t offset, std::size_t size, std::string_view value) {
  const std::size_t length = std::min(value.size(), size - 1);
  bytes.replace(offset, length, value.substr(0, length));
}

}  // namespace

std::optional<MsgFile> DecodeMsgFile(std::string_view bytes) {
  if (bytes.size() < kMsgHeaderSize) return std::nullopt;
  MsgFile m;
  m.from = GetField(bytes, kMsgFromOffset, kMsgNameFieldSize);
  m.to = GetField(bytes, kMsgToOffset, kMsgNameFieldSize);
  m.subject = GetField(bytes, kMsgSubjectOffset, kMsgSubjectFieldSize);
  m.date_text = GetField(bytes, kMsgDateTextOffset, kMsgDateFieldSize);
  m.times_read = GetLe16(bytes, kMsgTimesReadOffset);
  m.dest_node = GetLe16(bytes, kMsgDestNodeOffset);
  m.orig_node = GetLe16(bytes, kMsgOrigNodeOffset);
  m.cost = GetLe16(bytes, kMsgCostOffset);
  m.orig_net = GetLe16(bytes, kMsgOrigNetOffset);
  m.dest_net = GetLe16(bytes, kMsgDestNetOffset);
  m.date_written = GetLe32(bytes, kMsgDateWrittenOffset);
  m.date_arrived = GetLe32(bytes, kMsgDateArrivedOffset);
  m.reply_to = GetLe16(bytes, kMsgReplyToOffset);
  m.attribute = GetLe16(bytes, kMsgAttributeOffset);
  m.next_reply = GetLe16(bytes, kMsgNextReplyOffset);
  const std::string_view text = bytes.substr(kMsgHeaderSize);
  m.text = std::string(text.substr(0, text.find('\0')));
  return m;
}

std::string EncodeMsgFile(const MsgFile& m) {
  std::string bytes(kMsgHeaderSize, '\0');
  PutField(bytes, kMsgFromOffset, kMsgNameFieldSize, m.from);
  PutField(bytes, kMsgToOffset, kMsgNameFieldSize, m.to);
  PutField(bytes, kMsgSubjectOffset, kMsgSubjectFieldSize, m.subject);
  PutField(bytes, kMsgDateTextOffset, kMsgDateFieldSize, m.date_text);
  PutLe16(bytes, kMsgTimesReadOffset, m.times_read);
  PutLe16(bytes, kMsgDestNodeOffset, m.dest_node);
  PutLe16(bytes, kMsgOrigNodeOffset, m.orig_node);
  PutLe16(bytes, kMsgCostOffset, m.cost);
  PutLe16(bytes, kMsgOrigNetOffset, m.orig_net);
  PutLe16(bytes, kMsgDestNetOffset, m.dest_net);
  PutLe32(bytes, kMsgDateWrittenOffset, m.date_written);
  PutLe32(bytes, kMsgDateArrivedOffset, m.date_arrived);
  PutLe16(bytes, kMsgReplyToOffset, m.reply_to);
  PutLe16(bytes, kMsgAttributeOffset, m.attribute);
  PutLe16(bytes, kMsgNextReplyOffset, m.next_reply);
  bytes += m.text;
  bytes.push_back('\0');
  return bytes;
}

}  // namespace kestrel::testing
