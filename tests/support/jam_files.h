// The raw files of a JAM base (.jhr header file, .jdx index, .jdt texts), read
// field by field so that tests can look at what a peer wrote, and make bases
// a peer can read, without any message-base code. All reads are bounded by
// the file sizes.
//
// This is the tests' one copy of the JAM layout, written apart from the
// format's own so that a wrong offset in either shows: every test that
// reads or builds JAM bytes takes its sizes and offsets from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::testing {

inline constexpr std::size_t kJamBaseHeaderSize = 1024;
inline constexpr std::size_t kJamIndexRecordSize = 8;
inline constexpr std::size_t kJamMessageHeaderSize = 76;
inline constexpr std::size_t kJamSubfieldHeadSize = 8;
inline constexpr std::string_view kJamSignature{"JAM\0", 4};

// Base header offsets (.jhr, offset 0).
inline constexpr std::size_t kJamSignatureOffset = 0;
inline constexpr std::size_t kJamDateCreatedOffset = 4;
inline constexpr std::size_t kJamModCounterOffset = 8;
inline constexpr std::size_t kJamActiveMsgsOffset = 12;
inline constexpr std::size_t kJamBasePasswordCrcOffset = 16;
inline constexpr std::size_t kJamBaseMsgNumOffset = 20;

// Index record offsets (.jdx), and the header offset of a deleted record.
inline constexpr std::size_t kJamIndexRecipientCrcOffset = 0;
inline constexpr std::size_t kJamIndexHeaderOffsetOffset = 4;
inline constexpr std::uint32_t kJamDeletedHeaderOffset = 0xFFFFFFFF;

// Subfield head offsets (from the subfield's own start).
inline constexpr std::size_t kJamSubfieldLoIdOffset = 0;
inline constexpr std::size_t kJamSubfieldHiIdOffset = 2;
inline constexpr std::size_t kJamSubfieldDatLenOffset = 4;

// Lastread record (.jlr).
inline constexpr std::size_t kJamLastReadRecordSize = 16;
inline constexpr std::size_t kJamLastReadUserCrcOffset = 0;
inline constexpr std::size_t kJamLastReadUserIdOffset = 4;
inline constexpr std::size_t kJamLastReadLastReadOffset = 8;
inline constexpr std::size_t kJamLastReadHighReadOffset = 12;

// The revision of a message header.
inline constexpr std::uint16_t kJamMsgRevision = 1;
// "No password", "no MSGID": the CRC fields of a new record.
inline constexpr std::uint32_t kJamNoCrc = 0xFFFFFFFF;

// Message header offsets (from the header's own start).
inline constexpr std::size_t kJamMsgSignatureOffset = 0;
inline constexpr std::size_t kJamMsgRevisionOffset = 4;
inline constexpr std::size_t kJamMsgSubfieldLenOffset = 8;
inline constexpr std::size_t kJamMsgTimesReadOffset = 12;
inline constexpr std::size_t kJamMsgMsgIdCrcOffset = 16;
inline constexpr std::size_t kJamMsgReplyCrcOffset = 20;
inline constexpr std::size_t kJamMsgReplyToOffset = 24;
inline constexpr std::size_t kJamMsgReply1stOffset = 28;
inline constexpr std::size_t kJamMsgReplyNextOffset = 32;
inline constexpr std::size_t kJamMsgDateWrittenOffset = 36;
inline constexpr std::size_t kJamMsgDateReceivedOffset = 40;
inline constexpr std::size_t kJamMsgDateProcessedOffset = 44;
inline constexpr std::size_t kJamMsgMsgNumOffset = 48;
inline constexpr std::size_t kJamMsgAttributeOffset = 52;
inline constexpr std::size_t kJamMsgAttribute2Offset = 56;
inline constexpr std::size_t kJamMsgTxtOffsetOffset = 60;
inline constexpr std::size_t kJamMsgTxtLenOffset = 64;
inline constexpr std::size_t kJamMsgPasswordCrcOffset = 68;
inline constexpr std::size_t kJamMsgCostOffset = 72;

// Attribute bits.
inline constexpr std::uint32_t kJamAttrLocal = 0x00000001;
inline constexpr std::uint32_t kJamAttrInTransit = 0x00000002;
inline constexpr std::uint32_t kJamAttrPrivate = 0x00000004;
inline constexpr std::uint32_t kJamAttrRead = 0x00000008;
inline constexpr std::uint32_t kJamAttrSent = 0x00000010;
inline constexpr std::uint32_t kJamAttrTypeLocal = 0x00800000;
inline constexpr std::uint32_t kJamAttrTypeEcho = 0x01000000;
inline constexpr std::uint32_t kJamAttrTypeNet = 0x02000000;
inline constexpr std::uint32_t kJamAttrDeleted = 0x80000000;

// Subfield ids.
inline constexpr std::uint16_t kJamOAddress = 0;
inline constexpr std::uint16_t kJamDAddress = 1;
inline constexpr std::uint16_t kJamSenderName = 2;
inline constexpr std::uint16_t kJamReceiverName = 3;
inline constexpr std::uint16_t kJamMsgId = 4;
inline constexpr std::uint16_t kJamReplyId = 5;
inline constexpr std::uint16_t kJamSubject = 6;
inline constexpr std::uint16_t kJamPid = 7;
inline constexpr std::uint16_t kJamTrace = 8;
inline constexpr std::uint16_t kJamFtsKludge = 2000;
inline constexpr std::uint16_t kJamSeenBy = 2001;
inline constexpr std::uint16_t kJamPath = 2002;
inline constexpr std::uint16_t kJamFlags = 2003;

struct JamBaseHeader {
  std::string signature;  // the first 4 bytes
  std::uint32_t date_created = 0;
  std::uint32_t mod_counter = 0;
  std::uint32_t active_msgs = 0;
  std::uint32_t password_crc = 0;
  std::uint32_t base_msg_num = 0;
};

struct JamIndexRecord {
  std::uint32_t recipient_crc = 0;
  std::uint32_t header_offset = 0;  // FFFFFFFFh: deleted
};

struct JamSubfield {
  std::uint16_t lo_id = 0;
  std::uint16_t hi_id = 0;
  std::string data;
};

struct JamMessage {
  std::string signature;
  std::uint16_t revision = 0;
  std::uint32_t subfield_len = 0;
  std::uint32_t times_read = 0;
  std::uint32_t msgid_crc = 0;
  std::uint32_t reply_crc = 0;
  std::uint32_t reply_to = 0;
  std::uint32_t reply_1st = 0;
  std::uint32_t reply_next = 0;
  std::uint32_t date_written = 0;
  std::uint32_t date_received = 0;
  std::uint32_t date_processed = 0;
  std::uint32_t msg_num = 0;
  std::uint32_t attribute = 0;
  std::uint32_t attribute2 = 0;
  std::uint32_t txt_offset = 0;
  std::uint32_t txt_len = 0;
  std::uint32_t password_crc = 0;
  std::uint32_t cost = 0;
  std::vector<JamSubfield> subfields;
  bool subfields_complete = true;  // false when the records overrun SubfieldLen or the file
  std::string text;
  bool text_in_range = true;  // false when TxtOffset/TxtLen point outside the .jdt file

  // Data of the first subfield with this id.
  std::optional<std::string> Subfield(std::uint16_t id) const;
  // Data of every subfield with this id, in order.
  std::vector<std::string> Subfields(std::uint16_t id) const;
};

// Path of one of the base's files: the base path, a dot and the lower-case
// extension ("jhr"), the names crashmail and jamnntpd use.
std::string JamFilePath(const std::string& base_path, std::string_view extension);

struct JamBaseFiles {
  std::string jhr;
  std::string jdx;
  std::string jdt;

  // Reads the three files (an absent file reads as empty).
  static JamBaseFiles Load(const std::string& base_path);

  // nullopt when the .jhr file is shorter than the base header.
  std::optional<JamBaseHeader> Header() const;
  // The whole records of the .jdx file.
  std::vector<JamIndexRecord> Index() const;
  // nullopt when no whole message header lies at this offset.
  std::optional<JamMessage> MessageAt(std::uint32_t header_offset) const;
};

// The bytes of one subfield record (HiID 0), one index record, one .jlr
// record, for tests that build a base byte by byte.
std::string JamSubfieldBytes(std::uint16_t id, std::string_view data);
std::string JamIndexRecordBytes(std::uint32_t recipient_crc, std::uint32_t header_offset);
std::string JamLastReadRecordBytes(std::uint32_t user_crc, std::uint32_t user_id,
                                   std::uint32_t last_read, std::uint32_t high_read);

// True when no byte of the value is 80h or more: the Debian 64-bit builds of
// crashmail read JAM's 32-bit fields with sign-extended bytes and get only
// such values right.
bool HasNoHighBytes(std::uint32_t value);

// The fields of the base that those crashmail builds would misread, each as
// "message 2: SubfieldLen B4h" (empty when crashmail can read the base):
// ActiveMsgs and BaseMsgNum, every index record's header offset, and each
// message's SubfieldLen, TxtOffset, TxtLen and subfield DatLen. A message with
// such a field is skipped by crashmail SCAN ("Failed to read message") and
// its header is written back damaged by crashmaint MAINT. Tests that hand a
// JAM base to crashmail assert that this list is empty.
std::vector<std::string> FieldsCrashmailMisreads(const JamBaseFiles& files);

}  // namespace kestrel::testing
