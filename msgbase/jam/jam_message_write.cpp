// Creating and storing messages: kludge lines become subfields, the body
// goes to the .JDT file, the header is appended and the index record points
// at it.
#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "msgbase/fido/date_time.h"
#include "msgbase/jam/jam_attributes.h"
#include "msgbase/jam/jam_base.h"
#include "msgbase/jam/name_crc.h"
#include "msgbase/io/little_endian.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_hooks.h"

namespace kestrel {
namespace {

using namespace jam;

constexpr std::size_t kKludgeLineLimit = 255;  // a kludge line is taken up to this length
constexpr std::int64_t kLargestOffset = std::numeric_limits<std::int32_t>::max();
// The text is read, and the body written, in pieces of this size.
constexpr std::size_t kTextPieceSize = 65536;
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
constexpr std::string_view kAddressKludges[] = {kKludgeIntl, kKludgeFmpt, kKludgeTopt};

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
// Kludge lines go to subfields; body lines are written to the .JDT file at its
// position whole, each ended by a carriage return, however long they are.
// The text is read and the body written a piece at a time, so a large
// message is not held in memory again. `body_length` counts the bytes
// written; false when a write failed.
bool JamBase::StoreTextAsSubfields(std::int64_t& body_length) {
  body_length = 0;
  std::string out;
  auto emit = [&](std::string_view bytes) {
    out.append(bytes);
    body_length += static_cast<std::int64_t>(bytes.size());
    if (out.size() < kTextPieceSize) return true;
    const bool written = WriteBlock(*TextFile, out.data(), out.size());
    out.clear();
    return written;
  };
  const auto size = static_cast<std::int64_t>(std::max(GetTextSize(), 0));
  std::string piece(static_cast<std::size_t>(std::min<std::int64_t>(size, kTextPieceSize)), '\0');
  std::string head;        // the first bytes of the line in hand, until it is decided
  bool decided = false;    // whether the line in hand is known to be body or kludge
  bool body_line = false;  // the line in hand is a body line
  bool skip_feed = false;  // a line feed right here belongs to the last terminator
  bool in_line = false;    // a line has begun and not yet ended
  auto decide = [&]() -> bool {
    decided = true;
    body_line = !AddLineSubfield(head);
    return !body_line || emit(head);
  };
  SetTextPos(0);
  for (std::int64_t done = 0; done < size;) {
    const auto length = static_cast<std::size_t>(std::min<std::int64_t>(size - done, piece.size()));
    ReadBlock(*GetTextStream(), piece.data(), length);
    done += static_cast<std::int64_t>(length);
    for (std::size_t at = 0; at < length;) {
      if (skip_feed) {
        skip_feed = false;
        if (piece[at] == '\n') {
          ++at;
          continue;
        }
      }
      if (!in_line) {
        in_line = true;
        decided = false;
        head.clear();
      }
      std::size_t end = at;
      while (end < length && piece[end] != '\r' && piece[end] != '\0')
        ++end;
      const std::string_view bytes(piece.data() + at, end - at);
      if (!decided) {
        // The first kKludgeLineLimit bytes of a line tell what it is.
        const std::size_t take = std::min(bytes.size(), kKludgeLineLimit - head.size());
        head.append(bytes.substr(0, take));
        if (head.size() == kKludgeLineLimit || end < length) {
          if (!decide()) return false;
          if (body_line && !emit(bytes.substr(take))) return false;
        }
      } else if (body_line && !emit(bytes)) {
        return false;
      }
      if (end < length) {  // the terminator
        if (body_line && !emit("\r")) return false;
        in_line = false;
        skip_feed = true;
        at = end + 1;
      } else {
        at = end;
      }
    }
  }
  if (in_line) {
    if (!decided && !decide()) return false;
    if (body_line && !emit("\r")) return false;
  }
  return out.empty() || WriteBlock(*TextFile, out.data(), out.size());
}

bool JamBase::WriteMsg() {
  // A killed message has no index record of its own any more, and a message
  // loaded without its body would be stored without it.
  if (!BaseIsOpen() || GetTextStream() == nullptr || header_only_) return false;
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
  const std::int32_t text_at = TextFile->GetSize();
  const std::int32_t header_at = HeaderFile->GetSize();
  const std::int32_t index_size = IndexFile->GetSize();
  // The body is never longer than the text and one closing carriage return.
  if (text_at < 0 || header_at < 0 || index_size < 0 ||
      static_cast<std::int64_t>(text_at) + std::max(GetTextSize(), 0) + 1 > kLargestOffset) {
    return fail();
  }
  NoteTextFileWritten();
  TextFile->Seek(text_at);
  std::int64_t body_length = 0;
  if (!StoreTextAsSubfields(body_length)) return fail();
  SetHeaderField(kMsgAttributeOffset,
                 (HeaderField(kMsgAttributeOffset) & ~kTypeBits) | TypeBitsForMailFlags(mail_flags()));

  const std::size_t header_length = kMsgHeaderSize + HeaderField(kMsgSubfieldLenOffset);
  if (static_cast<std::int64_t>(header_at) + static_cast<std::int64_t>(header_length) >
      kLargestOffset) {
    return fail();
  }
  WriteTextOffset = text_at;
  WriteTextLength = static_cast<std::int32_t>(body_length);
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

  NoteHeaderFileWritten();
  HeaderFile->Seek(header_at);
  if (!WriteBlock(*HeaderFile, MsgHeader.data(), header_length)) return fail();
  // The text and header are durable before the index record that points at
  // them is written, and the record before the caller deletes the original.
  if (!FlushFiles({TextFile.get(), HeaderFile.get()})) return fail();
  PutLe32(IndexRecord.data(), kIndexRecipientCrcOffset, NameCrc(To));
  PutLe32(IndexRecord.data(), kIndexHdrOffsetOffset, static_cast<std::uint32_t>(header_at));
  IndexFile->Seek(record_at);
  const bool record_written = WriteBlock(*IndexFile, IndexRecord.data(), IndexRecord.size());
  NoteIndexRecordWritten(record_at, IndexRecord.data(), record_written);
  if (!record_written || !FlushFiles({IndexFile.get()})) return fail();
  HeaderOffset = header_at;

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
