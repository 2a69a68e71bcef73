#include "tests/support/jam_files.h"

#include <algorithm>
#include <cstdio>

#include "tests/support/temp_dir.h"

namespace kestrel::testing {

std::optional<std::string> JamMessage::Subfield(std::uint16_t id) const {
  for (const JamSubfield& subfield : subfields) {
    if (subfield.lo_id == id) return subfield.data;
  }
  return std::nullopt;
}

std::vector<std::string> JamMessage::Subfields(std::uint16_t id) const {
  std::vector<std::string> found;
  for (const JamSubfield& subfield : subfields) {
    if (subfield.lo_id == id) found.push_back(subfield.data);
  }
  return found;
}

std::string JamFilePath(const std::string& base_path, std::string_view extension) {
  return base_path + "." + std::string(extension);
}

JamBaseFiles JamBaseFiles::Load(const std::string& base_path) {
  JamBaseFiles files;
  files.jhr = ReadWholeFile(JamFilePath(base_path, "jhr"));
  files.jdx = ReadWholeFile(JamFilePath(base_path, "jdx"));
  files.jdt = ReadWholeFile(JamFilePath(base_path, "jdt"));
  return files;
}

std::optional<JamBaseHeader> JamBaseFiles::Header() const {
  if (jhr.size() < kJamBaseHeaderSize) return std::nullopt;
  JamBaseHeader header;
  header.signature = jhr.substr(kJamSignatureOffset, kJamSignature.size());
  header.date_created = GetLe32(jhr, kJamDateCreatedOffset);
  header.mod_counter = GetLe32(jhr, kJamModCounterOffset);
  header.active_msgs = GetLe32(jhr, kJamActiveMsgsOffset);
  header.password_crc = GetLe32(jhr, kJamBasePasswordCrcOffset);
  header.base_msg_num = GetLe32(jhr, kJamBaseMsgNumOffset);
  return header;
}

std::vector<JamIndexRecord> JamBaseFiles::Index() const {
  std::vector<JamIndexRecord> records;
  for (std::size_t offset = 0; jdx.size() - offset >= kJamIndexRecordSize;
       offset += kJamIndexRecordSize) {
    records.push_back({GetLe32(jdx, offset + kJamIndexRecipientCrcOffset),
                       GetLe32(jdx, offset + kJamIndexHeaderOffsetOffset)});
  }
  return records;
}

std::optional<JamMessage> JamBaseFiles::MessageAt(std::uint32_t header_offset) const {
  if (header_offset > jhr.size() || jhr.size() - header_offset < kJamMessageHeaderSize) {
    return std::nullopt;
  }
  const std::string_view h = std::string_view(jhr).substr(header_offset);
  JamMessage m;
  m.signature = std::string(h.substr(kJamMsgSignatureOffset, kJamSignature.size()));
  m.revision = GetLe16(h, kJamMsgRevisionOffset);
  m.subfield_len = GetLe32(h, kJamMsgSubfieldLenOffset);
  m.times_read = GetLe32(h, kJamMsgTimesReadOffset);
  m.msgid_crc = GetLe32(h, kJamMsgMsgIdCrcOffset);
  m.reply_crc = GetLe32(h, kJamMsgReplyCrcOffset);
  m.reply_to = GetLe32(h, kJamMsgReplyToOffset);
  m.reply_1st = GetLe32(h, kJamMsgReply1stOffset);
  m.reply_next = GetLe32(h, kJamMsgReplyNextOffset);
  m.date_written = GetLe32(h, kJamMsgDateWrittenOffset);
  m.date_received = GetLe32(h, kJamMsgDateReceivedOffset);
  m.date_processed = GetLe32(h, kJamMsgDateProcessedOffset);
  m.msg_num = GetLe32(h, kJamMsgMsgNumOffset);
  m.attribute = GetLe32(h, kJamMsgAttributeOffset);
  m.attribute2 = GetLe32(h, kJamMsgAttribute2Offset);
  m.txt_offset = GetLe32(h, kJamMsgTxtOffsetOffset);
  m.txt_len = GetLe32(h, kJamMsgTxtLenOffset);
  m.password_crc = GetLe32(h, kJamMsgPasswordCrcOffset);
  m.cost = GetLe32(h, kJamMsgCostOffset);

  const std::size_t available = h.size() - kJamMessageHeaderSize;
  m.subfields_complete = m.subfield_len <= available;
  const std::string_view area =
      h.substr(kJamMessageHeaderSize, std::min<std::size_t>(m.subfield_len, available));
  std::size_t offset = 0;
  while (offset < area.size()) {
    if (area.size() - offset < kJamSubfieldHeadSize) {
      m.subfields_complete = false;
      break;
    }
    JamSubfield subfield;
    subfield.lo_id = GetLe16(area, offset + kJamSubfieldLoIdOffset);
    subfield.hi_id = GetLe16(area, offset + kJamSubfieldHiIdOffset);
    const std::uint32_t length = GetLe32(area, offset + kJamSubfieldDatLenOffset);
    offset += kJamSubfieldHeadSize;
    if (length > area.size() - offset) {
      m.subfields_complete = false;
      break;
    }
    subfield.data = std::string(area.substr(offset, length));
    offset += length;
    m.subfields.push_back(std::move(subfield));
  }

  const std::uint64_t text_end = std::uint64_t{m.txt_offset} + m.txt_len;
  m.text_in_range = text_end <= jdt.size();
  if (m.text_in_range) m.text = jdt.substr(m.txt_offset, m.txt_len);
  return m;
}

std::string JamSubfieldBytes(std::uint16_t id, std::string_view data) {
  std::string bytes(kJamSubfieldHeadSize, '\0');
  PutLe16(bytes, kJamSubfieldLoIdOffset, id);
  PutLe32(bytes, kJamSubfieldDatLenOffset, static_cast<std::uint32_t>(data.size()));
  bytes.append(data);
  return bytes;
}

std::string JamIndexRecordBytes(std::uint32_t recipient_crc, std::uint32_t header_offset) {
  std::string bytes(kJamIndexRecordSize, '\0');
  PutLe32(bytes, kJamIndexRecipientCrcOffset, recipient_crc);
  PutLe32(bytes, kJamIndexHeaderOffsetOffset, header_offset);
  return bytes;
}

std::string JamLastReadRecordBytes(std::uint32_t user_crc, std::uint32_t user_id,
                                   std::uint32_t last_read, std::uint32_t high_read) {
  std::string bytes(kJamLastReadRecordSize, '\0');
  PutLe32(bytes, kJamLastReadUserCrcOffset, user_crc);
  PutLe32(bytes, kJamLastReadUserIdOffset, user_id);
  PutLe32(bytes, kJamLastReadLastReadOffset, last_read);
  PutLe32(bytes, kJamLastReadHighReadOffset, high_read);
  return bytes;
}

bool HasNoHighBytes(std::uint32_t value) {
  return (value & 0x80808080u) == 0;
}

std::vector<std::string> FieldsCrashmailMisreads(const JamBaseFiles& files) {
  std::vector<std::string> problems;
  const auto check = [&problems](const std::string& where, const char* field, std::uint32_t value) {
    if (HasNoHighBytes(value)) return;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%Xh", static_cast<unsigned>(value));
    problems.push_back(where + ": " + field + " " + hex);
  };
  if (const std::optional<JamBaseHeader> header = files.Header()) {
    check("base header", "ActiveMsgs", header->active_msgs);
    check("base header", "BaseMsgNum", header->base_msg_num);
  }
  const std::vector<JamIndexRecord> index = files.Index();
  for (std::size_t i = 0; i < index.size(); ++i) {
    const std::string where = "index record " + std::to_string(i + 1);
    if (index[i].header_offset == kJamDeletedHeaderOffset) continue;  // deleted the index way
    check(where, "HdrOffset", index[i].header_offset);
    const std::optional<JamMessage> message = files.MessageAt(index[i].header_offset);
    if (!message) continue;
    check(where, "SubfieldLen", message->subfield_len);
    check(where, "TxtOffset", message->txt_offset);
    check(where, "TxtLen", message->txt_len);
    for (const JamSubfield& subfield : message->subfields) {
      check(where, "DatLen", static_cast<std::uint32_t>(subfield.data.size()));
    }
  }
  return problems;
}

}  // namespace kestrel::testing
