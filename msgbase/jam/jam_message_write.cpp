// Creating and storing messages: kludge lines become subfields, the body
// goes to the .JDT file, the header is appended and the index record points
// at it.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "msgbase/date_time.h"
#include "msgbase/jam/jam_attributes.h"
#include "msgbase/jam/jam_base.h"
#include "msgbase/jam/name_crc.h"
#include "msgbase/little_endian.h"
#include "msgbase/stream_blocks.h"
#include "msgbase/stream_hooks.h"

namespace kestrel {
namespace {

using namespace jam;

constexpr std::size_t kKludgeLineLimit = 255;  // a kludge line is taken up to this length
constexpr std::int64_t kLargestOffset = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t kTypeBits = kAttrTypeLocal | kAttrTypeEcho | kAttrTypeNet;

// Kludge lines stored as subfields of their own, by the text after the prefix.
struct LineKind {
  std::string_view prefix;
  std::uint16_t id;
};
constexpr LineKind kLineKinds[] = {
    {"\x01MSGID: ", kSubMsgId},
    {"\x01REPLY: ", kSubReplyId},
    {"\x01PID: ", kSubPid},
    {"\x01"
     "FLAGS: ",
     kSubFlags},
    {"\x01Via ", kSubTrace},
    {"SEEN-BY: ", kSubSeenBy2D},
    {"\x01PATH: ", kSubPath2D},
};
// Lines not stored at all: the addresses travel in the address subfields.
constexpr std::string_view kAddressKludges[] = {"\x01INTL",
                                                "\x01"
                                                "FMPT",
                                                "\x01TOPT"};

bool BeginsWith(std::string_view line, std::string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool JamBase::CreateMsg() {
  if (!BaseIsOpen()) return false;
  ResetFiles();
  if (!created_pending_) {
    SetActiveMsgs(ActiveMsgs() + 1);
    created_pending_ = true;
  }
  SetMsgNum(GetHighMsgNum());

  MsgHeader.fill(0);
  subfield_bytes_ = 0;
  subfields_full_ = false;
  ClearAddress(OrigAddr);
  ClearAddress(DestAddr);
  From.clear();
  To.clear();
  Subject.clear();
  PutLe32(IndexRecord.data(), kIndexRecipientCrcOffset, kNoCrc);
  std::memcpy(MsgHeader.data() + kMsgSignatureOffset, kSignature, sizeof kSignature);
  PutLe16(MsgHeader.data(), kMsgRevisionOffset, kMsgRevision);
  IndexPos = IndexFile->GetSize();
  SetHeaderField(kMsgIdCrcOffset, kNoCrc);
  SetHeaderField(kMsgReplyCrcOffset, kNoCrc);
  SetHeaderField(kMsgPasswordCrcOffset, kNoCrc);
  // The number the base's own numbering gives the new record.
  SetHeaderField(kMsgNumOffset, static_cast<std::uint32_t>(static_cast<std::int64_t>(BaseMsgNum()) +
                                                           ActiveMsgs() - 1));
  SetTextStream(NewMemStream(MemStreamHint));
  SetDatesNow();
  stored_message_ = false;
  header_only_ = false;
  return true;
}

// A kludge line (its first 255 characters) becomes a subfield; INTL, FMPT and
// TOPT lines are dropped. False for a body line.
bool JamBase::AddLineSubfield(const std::string& line) {
  for (const LineKind& kind : kLineKinds) {
    if (!BeginsWith(line, kind.prefix)) continue;
    const std::string rest = line.substr(kind.prefix.size());
    if (AddSubfield(kind.id, rest)) {
      if (kind.id == kSubMsgId) SetHeaderField(kMsgIdCrcOffset, NameCrc(rest));
      if (kind.id == kSubReplyId) SetHeaderField(kMsgReplyCrcOffset, NameCrc(rest));
    }
    return true;
  }
  for (const std::string_view name : kAddressKludges) {
    if (BeginsWith(line, name)) return true;
  }
  if (!line.empty() && line[0] == '\x01') {
    AddSubfield(kSubFtsKludge, line.substr(1));
    return true;
  }
  return false;
}

// Splits the text into lines the way the line reader does (a line ends at a
// carriage return or a zero byte; a line feed right after that is skipped).
// Kludge lines go to subfields; body lines are appended to body whole, each
// ended by a carriage return, however long they are.
void JamBase::StoreTextAsSubfields(std::string& body) {
  const std::int32_t size = std::max(GetTextSize(), 0);
  std::string text(static_cast<std::size_t>(size), '\0');
  SetTextPos(0);
  ReadBlock(*Text, text.data(), text.size());
  constexpr std::string_view kTerminators("\r\0", 2);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of(kTerminators, pos);
    std::size_t next = end;
    if (end == std::string::npos) {
      end = next = text.size();
    } else {
      ++next;
      if (next < text.size() && text[next] == '\n') ++next;
    }
    const std::string_view line(text.data() + pos, end - pos);
    if (!AddLineSubfield(std::string(line.substr(0, kKludgeLineLimit)))) {
      body.append(line);
      body += '\r';
    }
    pos = next;
  }
}

bool JamBase::WriteMsg() {
  // A killed message has no index record of its own any more, and a message
  // loaded without its body would be stored without it.
  if (!BaseIsOpen() || !Text || header_only_) return false;
  if (!created_pending_ && !stored_message_) return false;
  ResetFiles();
  if (!BeginChange()) return false;
  if (!created_pending_ && !LocateStoredMessage()) {
    SetLastError(kErrMsgRead);  // another program deleted it meanwhile
    EndChange();
    return false;
  }
  const bool stored = StoreMessage();
  return EndChange() && stored;
}

bool JamBase::StoreMessage() {
  // A store that fails leaves the message as it was in memory: the header
  // must keep describing the stored subfields and text, or a later
  // RewriteHeader would write a header that matches neither.
  const auto saved_header = MsgHeader;
  const std::size_t saved_subfield_bytes = subfield_bytes_;
  const auto saved_index_record = IndexRecord;
  auto fail = [&] {
    MsgHeader = saved_header;
    subfield_bytes_ = saved_subfield_bytes;
    IndexRecord = saved_index_record;
    return false;
  };

  SetHeaderField(kMsgSubfieldLenOffset, 0);
  subfield_bytes_ = 0;
  subfields_full_ = false;
  SetHeaderField(kMsgIdCrcOffset, kNoCrc);
  SetHeaderField(kMsgReplyCrcOffset, kNoCrc);
  GetOrigDestAddr(OrigAddr, DestAddr);
  AddSubfield(kSubSenderName, From);
  AddSubfield(kSubOAddress, FormatAddress4D(OrigAddr));
  AddSubfield(kSubReceiverName, To);
  AddSubfield(kSubDAddress, FormatAddress4D(IsZeroAddress(DestAddr) ? OrigAddr : DestAddr));
  if (!Subject.empty()) AddSubfield(kSubSubject, Subject);
  if (GetAttr(AttrFileAttached)) AddSubfield(kSubEnclosedFile, Subject);
  if (GetAttr(AttrFileRequest)) AddSubfield(kSubEnclosedFreq, Subject);
  std::string body;
  StoreTextAsSubfields(body);
  SetHeaderField(kMsgAttributeOffset,
                 (HeaderField(kMsgAttributeOffset) & ~kTypeBits) | TypeBitsForMailFlags(MailFlags));

  const std::int32_t text_at = TextFile->GetSize();
  const std::int32_t header_at = HeaderFile->GetSize();
  const std::int32_t index_size = IndexFile->GetSize();
  const std::size_t header_length = kMsgHeaderSize + HeaderField(kMsgSubfieldLenOffset);
  if (text_at < 0 || header_at < 0 || index_size < 0 ||
      static_cast<std::int64_t>(text_at) + static_cast<std::int64_t>(body.size()) >
          kLargestOffset ||
      static_cast<std::int64_t>(header_at) + static_cast<std::int64_t>(header_length) >
          kLargestOffset) {
    return fail();
  }
  WriteTextOffset = text_at;
  WriteTextLength = static_cast<std::int32_t>(body.size());
  SetHeaderField(kMsgTxtOffsetOffset, static_cast<std::uint32_t>(WriteTextOffset));
  SetHeaderField(kMsgTxtLenOffset, static_cast<std::uint32_t>(WriteTextLength));
  // A new message's record is appended after the last whole record, and
  // takes the number that record has (another program may have added
  // messages since CreateMsg).
  const std::int32_t record_at = created_pending_
                                     ? index_size / static_cast<std::int32_t>(kIndexRecordSize) *
                                           static_cast<std::int32_t>(kIndexRecordSize)
                                     : IndexPos;
  if (created_pending_) {
    const std::int32_t number =
        BaseMsgNum() + record_at / static_cast<std::int32_t>(kIndexRecordSize);
    SetHeaderField(kMsgNumOffset, static_cast<std::uint32_t>(number));
    SetMsgNum(number + 1);
  }

  NoteTextFileWritten();
  TextFile->Seek(WriteTextOffset);
  if (!WriteBlock(*TextFile, body.data(), body.size())) return fail();
  NoteHeaderFileWritten();
  HeaderFile->Seek(header_at);
  if (!WriteBlock(*HeaderFile, MsgHeader.data(), header_length)) return fail();
  PutLe32(IndexRecord.data(), kIndexRecipientCrcOffset, NameCrc(To));
  PutLe32(IndexRecord.data(), kIndexHdrOffsetOffset, static_cast<std::uint32_t>(header_at));
  IndexFile->Seek(record_at);
  const bool record_written = WriteBlock(*IndexFile, IndexRecord.data(), IndexRecord.size());
  NoteIndexRecordWritten(record_at, IndexRecord.data(), record_written);
  if (!record_written) return fail();
  HeaderOffset = header_at;
  for (BaseStream* stream :
       {IndexFile.get(), HeaderFile.get(), TextFile.get(), LastReadFile.get()}) {
    if (stream != nullptr) stream->Flush();
  }

  IndexPos = record_at;
  PutLe32(BaseHeader.data(), kBaseModCounterOffset,
          GetLe32(BaseHeader.data(), kBaseModCounterOffset) + 1);
  const bool was_new = created_pending_;
  created_pending_ = false;
  stored_message_ = true;
  // The counters come last, once the text, header and index record of a new
  // message are all in place: until then ActiveMsgs on disk differs from
  // the number of index records, which is how opening tells a base whose
  // update was cut off (it then recounts).
  if (was_new && !WriteBaseHeader()) return false;
  return true;
}

bool JamBase::RewriteHeader() {
  if (!BaseIsOpen() || !stored_message_) return false;
  ResetFiles();
  if (!BeginChange()) return false;
  NoteHeaderFileWritten();
  HeaderFile->Seek(HeaderOffset);
  const bool written = WriteBlock(*HeaderFile, MsgHeader.data(), kMsgHeaderSize);
  HeaderFile->Flush();
  return EndChange() && written;
}

}  // namespace kestrel
