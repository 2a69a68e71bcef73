// Creating and storing messages: kludge lines become subfields, the body
// goes to the .JDT file, the header is appended and the index record points
// at it.
#include <algorithm>
#include <limits>
#include <string_view>

#include "msgbase/fido/date_time.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/jam/jam_attributes.h"
#include "msgbase/jam/jam_base.h"
#include "msgbase/jam/jam_body_writer.h"
#include "msgbase/jam/jam_kludge_lines.h"
#include "msgbase/jam/name_crc.h"
#include "msgbase/text/text_characters.h"

namespace kestrel {
namespace {

using namespace jam;

constexpr std::int64_t kLargestOffset = std::numeric_limits<std::int32_t>::max();
// The text is read in pieces of this size.
constexpr std::size_t kTextPieceSize = 65536;
constexpr std::uint32_t kTypeBits = kAttrTypeLocal | kAttrTypeEcho | kAttrTypeNet;

// Lines not stored at all: the addresses travel in the address subfields.
constexpr std::string_view kAddressKludges[] = {kKludgeIntl, kKludgeFmpt, kKludgeTopt};

bool BeginsWith(std::string_view line, std::string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool JamBase::CreateMsg() {
  if (!BaseIsOpen()) return Fail(kErrorMessageIo);
  ResetFiles();
  if (!created_pending_) {
    SetActiveMsgs(ActiveMsgs() + 1);
    created_pending_ = true;
  }
  SetMsgNum(GetHighMsgNum());

  msg_header_ = JamMessageHeader::New();
  subfield_bytes_ = 0;
  subfields_full_ = false;
  ClearAddress(orig_addr_);
  ClearAddress(dest_addr_);
  from_.clear();
  to_.clear();
  subject_.clear();
  index_record_ = JamIndexRecord();
  index_pos_ = index_file_->GetSize();
  // The number the base's own numbering gives the new record.
  msg_header_.msg_num =
      static_cast<std::uint32_t>(static_cast<std::int64_t>(BaseMsgNum()) + ActiveMsgs() - 1);
  SetTextStream(NewMemStream(MemStreamHint));
  SetDatesNow();
  stored_message_ = false;
  header_only_ = false;
  return true;
}

// A kludge line (its first 255 characters) becomes a subfield; INTL, FMPT and
// TOPT lines are dropped. False for a body line.
bool JamBase::AddLineSubfield(const std::string& line) {
  for (const KludgeLine& kind : kKludgeLines) {
    if (!kind.stored || !BeginsWith(line, kind.prefix)) continue;
    const std::string rest = line.substr(kind.prefix.size());
    if (AddSubfield(kind.id, rest)) {
      if (kind.id == kSubMsgId) msg_header_.msg_id_crc = NameCrc(rest);
      if (kind.id == kSubReplyId) msg_header_.reply_crc = NameCrc(rest);
    }
    return true;
  }
  for (const std::string_view name : kAddressKludges) {
    if (BeginsWith(line, name)) return true;
  }
  if (!line.empty() && line[0] == kKludgeMark) {
    AddSubfield(kSubFtsKludge, line.substr(1));
    return true;
  }
  return false;
}

bool JamBase::StoreTextAsSubfields(std::int64_t& body_length) {
  BodyWriter writer([this](const std::string& line) { return AddLineSubfield(line); }, *text_file_);
  const auto size = static_cast<std::int64_t>(std::max(GetTextSize(), 0));
  std::string piece(static_cast<std::size_t>(std::min<std::int64_t>(size, kTextPieceSize)), '\0');
  SetTextPos(0);
  bool written = true;
  for (std::int64_t done = 0; written && done < size;) {
    const auto length = static_cast<std::size_t>(std::min<std::int64_t>(size - done, piece.size()));
    ReadBlock(*GetTextStream(), piece.data(), length);
    done += static_cast<std::int64_t>(length);
    written = writer.Feed(std::string_view(piece.data(), length));
  }
  written = written && writer.Finish();
  body_length = writer.body_length();
  return written;
}

bool JamBase::WriteMsg() {
  // A killed message has no index record of its own any more, and a message
  // loaded without its body would be stored without it.
  if (!BaseIsOpen() || GetTextStream() == nullptr || header_only_) return Fail(kErrorMessageIo);
  if (!created_pending_ && !stored_message_) return Fail(kErrorMessageIo);
  ResetFiles();
  if (!BeginChange()) return false;
  if (!created_pending_ && !LocateStoredMessage()) {
    EndChange();
    return Fail(kErrorMessageIo);  // another program deleted it meanwhile
  }
  const bool stored = StoreMessage();
  const bool ended = EndChange();
  return (stored && ended) || Fail(kErrorMessageIo);
}

bool JamBase::StoreMessage() {
  // A store that fails leaves the message as it was in memory: the header
  // must keep describing the stored subfields and text, or a later
  // RewriteHeader would write a header that matches neither.
  const JamMessageHeader saved_header = msg_header_;
  const auto saved_subfields = header_record_;
  const std::size_t saved_subfield_bytes = subfield_bytes_;
  const JamIndexRecord saved_index_record = index_record_;
  auto fail = [&] {
    msg_header_ = saved_header;
    header_record_ = saved_subfields;
    subfield_bytes_ = saved_subfield_bytes;
    index_record_ = saved_index_record;
    return false;
  };

  AddHeaderSubfields();
  const std::int32_t text_at = text_file_->GetSize();
  const std::int32_t header_at = header_file_->GetSize();
  const std::int32_t index_size = index_file_->GetSize();
  // The body is never longer than the text and one closing carriage return.
  if (text_at < 0 || header_at < 0 || index_size < 0 ||
      static_cast<std::int64_t>(text_at) + std::max(GetTextSize(), 0) + 1 > kLargestOffset) {
    return fail();
  }
  NoteTextFileWritten();
  text_file_->Seek(text_at);
  std::int64_t body_length = 0;
  if (!StoreTextAsSubfields(body_length)) return fail();
  msg_header_.attribute = (msg_header_.attribute & ~kTypeBits) | TypeBitsForMailFlags(mail_flags());
  const std::size_t header_length = kMsgHeaderSize + msg_header_.subfield_len;
  if (static_cast<std::int64_t>(header_at) + static_cast<std::int64_t>(header_length) >
      kLargestOffset) {
    return fail();
  }
  msg_header_.txt_offset = static_cast<std::uint32_t>(text_at);
  msg_header_.txt_len = static_cast<std::uint32_t>(body_length);
  const std::int32_t record_at = NumberStoredRecord(index_size);
  if (!WriteHeaderRecord(header_at, header_length)) return fail();
  if (!WriteStoredIndexRecord(record_at, header_at)) return fail();
  return CountStoredMessage();
}

void JamBase::AddHeaderSubfields() {
  msg_header_.subfield_len = 0;
  subfield_bytes_ = 0;
  subfields_full_ = false;
  msg_header_.msg_id_crc = kNoCrc;
  msg_header_.reply_crc = kNoCrc;
  GetOrigDestAddr(orig_addr_, dest_addr_);
  AddSubfield(kSubSenderName, from_);
  AddSubfield(kSubOAddress, FormatAddress4D(orig_addr_));
  AddSubfield(kSubReceiverName, to_);
  AddSubfield(kSubDAddress, FormatAddress4D(IsZeroAddress(dest_addr_) ? orig_addr_ : dest_addr_));
  if (!subject_.empty()) AddSubfield(kSubSubject, subject_);
  if (GetAttr(AttrFileAttached)) AddSubfield(kSubEnclosedFile, subject_);
  if (GetAttr(AttrFileRequest)) AddSubfield(kSubEnclosedFreq, subject_);
}

std::int32_t JamBase::NumberStoredRecord(std::int32_t index_size) {
  if (!created_pending_) return index_pos_;
  // A new message's record is appended after the last whole record, and
  // takes the number that record has (another program may have added
  // messages since CreateMsg).
  const auto record_size = static_cast<std::int32_t>(kIndexRecordSize);
  const std::int32_t record_at = index_size / record_size * record_size;
  const std::int32_t number = BaseMsgNum() + record_at / record_size;
  msg_header_.msg_num = static_cast<std::uint32_t>(number);
  SetMsgNum(number + 1);
  return record_at;
}

bool JamBase::WriteHeaderRecord(std::int32_t header_at, std::size_t header_length) {
  msg_header_.EncodeTo(header_record_.data());
  NoteHeaderFileWritten();
  header_file_->Seek(header_at);
  if (!WriteBlock(*header_file_, header_record_.data(), header_length)) return false;
  // The text and header are durable before the index record that points at
  // them is written.
  return FlushFiles({text_file_.get(), header_file_.get()});
}

bool JamBase::WriteStoredIndexRecord(std::int32_t record_at, std::int32_t header_at) {
  index_record_ = {NameCrc(to_), header_at};
  const JamIndexRecord::Bytes bytes = index_record_.Encode();
  index_file_->Seek(record_at);
  const bool record_written = WriteBlock(*index_file_, bytes.data(), bytes.size());
  NoteIndexRecordWritten(record_at, index_record_, record_written);
  // The record is durable before the caller deletes the original.
  if (!record_written || !FlushFiles({index_file_.get()})) return false;
  header_offset_ = header_at;
  index_pos_ = record_at;
  return true;
}

bool JamBase::CountStoredMessage() {
  ++base_header_.mod_counter;
  const bool was_new = created_pending_;
  created_pending_ = false;
  stored_message_ = true;
  // The counters come last, once the text, header and index record of a new
  // message are all in place: until then ActiveMsgs on disk differs from
  // the number of index records, which is how opening tells a base whose
  // update was cut off (it then recounts).
  return !was_new || WriteBaseHeader();
}

bool JamBase::RewriteHeader() {
  if (!BaseIsOpen() || !stored_message_) return Fail(kErrorMessageIo);
  ResetFiles();
  if (!BeginChange()) return false;
  NoteHeaderFileWritten();
  header_file_->Seek(header_offset_);
  const JamMessageHeader::Bytes bytes = msg_header_.Encode();
  const bool written = WriteBlock(*header_file_, bytes.data(), bytes.size());
  header_file_->Flush();
  const bool ended = EndChange();
  return (written && ended) || Fail(kErrorMessageIo);
}

}  // namespace kestrel
