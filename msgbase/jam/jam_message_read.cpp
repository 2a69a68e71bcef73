// Loading a message: header and subfields in one read, the subfields turned
// into names, addresses and kludge lines, the body from the .JDT file.
#include <algorithm>
#include <vector>

#include "msgbase/fido/field_widths.h"
#include "msgbase/jam/jam_base.h"
#include "msgbase/jam/jam_subfields.h"
#include "msgbase/io/little_endian.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/fido/string_functions.h"
#include "msgbase/text/text_characters.h"

namespace kestrel {
namespace {

using namespace jam;

// The body goes into the text in pieces of this size.
constexpr std::int64_t kBodyPieceSize = 65536;

// The kludge line a subfield stands for before the body; empty for the ids
// that give no such line.
std::string LineBeforeBody(const Subfield& field) {
  switch (field.id) {
    case kSubMsgId:
      return "\x01MSGID: " + field.data;
    case kSubReplyId:
      return "\x01REPLY: " + field.data;
    case kSubPid:
      return "\x01PID: " + field.data;
    case kSubFtsKludge:
      return "\x01" + field.data;
    case kSubFlags:
      return "\x01"
             "FLAGS: " +
             field.data;
    case kSubTzUtcInfo:
      return "\x01TZUTC: " + field.data;
    default:
      return "";
  }
}

// Whether text ending in these bytes leaves a line open (no carriage return
// or zero byte at its end, a line feed after one of them included).
bool EndsInOpenLine(char before_last, char last, std::int64_t length) {
  if (length == 0) return false;
  if (last == kCarriageReturn || last == '\0') return false;
  return !(last == kLineFeed && length >= 2 &&
           (before_last == kCarriageReturn || before_last == '\0'));
}

}  // namespace

bool JamBase::OpenMsg() {
  return LoadMessage(true);
}

bool JamBase::OpenMsgHeader() {
  return LoadMessage(false);
}

bool JamBase::CloseMsg() {
  if (created_pending_) {
    // Created and never written: it must not stay counted.
    SetActiveMsgs(ActiveMsgs() - 1);
    created_pending_ = false;
  }
  if (GetTextStream() == nullptr) return false;
  SetTextStream(nullptr);
  return true;
}

bool JamBase::LoadMessage(bool with_body) {
  CloseMsg();
  SetTextTooLarge(false);
  stored_message_ = false;
  header_only_ = false;
  if (!BaseIsOpen()) return false;
  ResetFiles();
  auto fail = [this](std::int32_t code) {
    SetLastError(code);
    SetTextStream(nullptr);
    ResetFiles();
    return false;
  };

  // A number without an index record fails here instead of reading past
  // the index.
  const std::int64_t index_offset = IndexOffsetOf(GetMsgNum());
  if (index_offset < 0) return fail(kErrMsgRead);
  IndexPos = static_cast<std::int32_t>(index_offset);
  if (!ReadIndexRecord(index_offset, IndexRecord.data())) return fail(kErrMsgRead);

  // The whole fixed header must lie inside the file; what follows it is read
  // up to the end of the file or of what SubfieldLen covers, and only those
  // bytes are ever taken as subfields (never the previous message's leftovers).
  const std::int32_t header_offset = GetLeSigned32(IndexRecord.data(), kIndexHdrOffsetOffset);
  const std::int32_t header_file_size = HeaderFileSize();
  if (header_offset < 0 || header_file_size < 0 ||
      static_cast<std::int64_t>(header_offset) + static_cast<std::int64_t>(kMsgHeaderSize) >
          header_file_size) {
    return fail(kErrMsgHeaderOffset);
  }
  HeaderOffset = header_offset;
  if (!header_window_.Read(*HeaderFile, header_file_size, HeaderOffset, MsgHeader.data(),
                           kMsgHeaderSize)) {
    return fail(kErrMsgRead);
  }
  // Of the subfield area only what SubfieldLen covers is ever looked at (every
  // walk stops at the smallest of the bytes read, SubfieldLen and the area's
  // size), so no more is read; the bytes behind it are never taken.
  const std::uint64_t wanted =
      kMsgHeaderSize +
      std::min<std::uint64_t>(HeaderField(kMsgSubfieldLenOffset), kSubfieldAreaSize);
  const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(
      static_cast<std::uint64_t>(header_file_size - header_offset), wanted));
  if (length > kMsgHeaderSize &&
      !header_window_.Read(*HeaderFile, header_file_size, HeaderOffset + kMsgHeaderSize,
                           Subfields(), length - kMsgHeaderSize)) {
    return fail(kErrMsgRead);
  }
  subfield_bytes_ = length - kMsgHeaderSize;
  subfields_full_ = false;

  // Deleted in place by other JAM software: as good as gone.
  if ((HeaderField(kMsgAttributeOffset) & kAttrDeleted) != 0) {
    deleted_headers_.Insert(HeaderOffset);
    NoteRecordToDrop(IndexPos);
    return fail(kErrMsgHeaderOffset);
  }
  const std::int32_t text_offset = static_cast<std::int32_t>(HeaderField(kMsgTxtOffsetOffset));
  const std::int32_t text_file_size = TextFileSize();
  if (text_offset < 0 || text_file_size < 0 || text_offset > text_file_size) {
    return fail(kErrMsgTextOffset);
  }

  // One walk over the subfields; the passes below run over its result.
  const std::vector<Subfield> fields =
      ReadSubfields(Subfields(), subfield_bytes_, HeaderField(kMsgSubfieldLenOffset));
  TakeHeaderFields(fields);

  SetTextStream(NewMemStream(MemStreamHint));
  SetTextPos(0);
  for (const Subfield& field : fields) {
    const std::string line = LineBeforeBody(field);
    if (!line.empty()) PutTextLine(line);
  }

  // The lines after the body belong to the full message only.
  const bool has_trailing_lines =
      with_body && std::any_of(fields.begin(), fields.end(), [](const Subfield& field) {
        return field.id == kSubTrace || field.id == kSubSeenBy2D || field.id == kSubPath2D;
      });
  if (with_body) {
    // A TxtLen reaching past the .JDT file (or negative) gives the bytes
    // that are there: a hostile length must not become a huge allocation.
    const std::int64_t stored_length = static_cast<std::int32_t>(HeaderField(kMsgTxtLenOffset));
    const std::int64_t body_length =
        std::clamp<std::int64_t>(stored_length, 0, text_file_size - text_offset);
    if (body_length > kMaxTextSize) {
      SetTextTooLarge(true);
      return fail(kErrMsgRead);
    }
    // The body goes from the file into the text a piece at a time, so it is
    // held in memory once.
    std::vector<std::uint8_t> piece(
        static_cast<std::size_t>(std::min<std::int64_t>(body_length, kBodyPieceSize)));
    for (std::int64_t done = 0; done < body_length;) {
      const auto length = static_cast<std::size_t>(
          std::min<std::int64_t>(body_length - done, static_cast<std::int64_t>(piece.size())));
      if (!text_window_.Read(*TextFile, text_file_size, text_offset + done, piece.data(), length)) {
        return fail(kErrMsgRead);
      }
      WriteBlock(*GetTextStream(), piece.data(), length);
      done += static_cast<std::int64_t>(length);
    }
    // Via, SEEN-BY and PATH lines start lines of their own even when the
    // stored text does not end its last line.
    char last = 0;
    char before_last = 0;
    if (body_length > 0) {
      const auto tail_length = static_cast<std::int32_t>(std::min<std::int64_t>(body_length, 2));
      SetTextPos(GetTextPos() - tail_length);
      char tail[2] = {0, 0};
      ReadTextBlock(tail, static_cast<std::uint16_t>(tail_length));
      last = tail[tail_length - 1];
      before_last = tail_length > 1 ? tail[0] : 0;
    }
    if (has_trailing_lines && EndsInOpenLine(before_last, last, body_length)) {
      WriteTextBlock(&kCarriageReturn, 1);
    }
  }
  if (has_trailing_lines) {
    for (const Subfield& field : fields) {
      if (field.id == kSubTrace) PutTextLine("\x01Via " + field.data);
    }
    for (const Subfield& field : fields) {
      if (field.id == kSubSeenBy2D) PutTextLine("SEEN-BY: " + field.data);
    }
    for (const Subfield& field : fields) {
      if (field.id == kSubPath2D) PutTextLine("\x01PATH: " + field.data);
    }
  }

  RegenerateAddressKludges();
  SetTextPos(0);
  stored_message_ = true;
  header_only_ = !with_body;
  return true;
}

// Names, subject and addresses from the subfields; later ones overwrite
// earlier ones. The files of a file attach (one ENCLOSEDFILE subfield each,
// as crashmail stores them) make up the subject together: their names in
// order, separated by single spaces, as the FidoNet file-attach subject
// lists them.
void JamBase::TakeHeaderFields(const std::vector<jam::Subfield>& fields) {
  ClearAddress(OrigAddr);
  ClearAddress(DestAddr);
  From.clear();
  To.clear();
  Subject.clear();
  const bool attach = GetAttr(AttrFileAttached);
  std::string files;
  int file_count = 0;
  for (const Subfield& field : fields) {
    switch (field.id) {
      case kSubOAddress:
        ParseAddress(field.data, OrigAddr);
        break;
      case kSubDAddress:
        ParseAddress(field.data, DestAddr);
        break;
      case kSubSenderName:
        From = field.data;
        break;
      case kSubReceiverName:
        To = field.data;
        break;
      case kSubSubject:
        Subject = field.data;
        break;
      case kSubEnclosedFile:
        if (!attach) break;
        files += (file_count++ == 0 ? "" : " ") + field.data;
        Subject = file_count == 1 ? files : files.substr(0, kSubjectWidth);
        break;
      case kSubEnclosedFreq:
        if (GetAttr(AttrFileRequest)) Subject = field.data;
        break;
      default:
        break;
    }
  }
}

// INTL, FMPT and TOPT lines from the address subfields, for a netmail base,
// written the way SetOrigAddr and SetDestAddr write them. The MSGID line is
// left exactly as stored: rewriting it from the origin address would drop a
// domain or a non-FidoNet MSGID, and give a message without one a new random
// MSGID on every read, so that a copy would change the message's identity.
void JamBase::RegenerateAddressKludges() {
  if (OrigAddr.zone != 0 && HasMailFlag(kMailFlagNetmail)) SetOrigNetmailKludges(OrigAddr);
  if (DestAddr.zone != 0) SetDestAddr(DestAddr);
}

}  // namespace kestrel
