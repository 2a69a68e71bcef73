// Loading a message: header and subfields in one read, the subfields turned
// into names, addresses and kludge lines, the body from the .JDT file.
#include <algorithm>
#include <vector>

#include "msgbase/fido/field_widths.h"
#include "msgbase/fido/string_functions.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/jam/jam_base.h"
#include "msgbase/jam/jam_kludge_lines.h"
#include "msgbase/jam/jam_subfields.h"
#include "msgbase/text/text_characters.h"

namespace kestrel {
namespace {

using namespace jam;

// The body goes into the text in pieces of this size.
constexpr std::int64_t kBodyPieceSize = 65536;

// The kludge line a subfield stands for before the body; empty for the ids
// that give no such line.
std::string LineBeforeBody(const Subfield& field) {
  if (field.id == kSubFtsKludge) return kKludgeMark + field.data;
  const KludgeLine* line = KludgeLineOf(field.id);
  if (line == nullptr || line->after_body) return "";
  return std::string(line->prefix) + field.data;
}

// Whether text ending in these bytes leaves a line open (no carriage return
// or zero byte at its end, a line feed after one of them included).
bool EndsInOpenLine(char before_last, char last, std::int64_t length) {
  if (length == 0) return false;
  if (IsLineTerminator(last)) return false;
  return !(last == kLineFeed && length >= 2 && IsLineTerminator(before_last));
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
  if (!ReadCurrentIndexRecord() || !ReadHeaderWithSubfields()) return false;
  const auto text_offset = static_cast<std::int32_t>(msg_header_.txt_offset);
  const std::int32_t text_file_size = TextFileSize();
  if (text_offset < 0 || text_file_size < 0 || text_offset > text_file_size) {
    return FailLoad(kErrorBadTextOffset);
  }

  // One walk over the subfields; the passes below run over its result.
  const std::vector<Subfield> fields =
      ReadSubfields(Subfields(), subfield_bytes_, msg_header_.subfield_len);
  TakeHeaderFields(fields);
  SetTextStream(NewMemStream(MemStreamHint));
  SetTextPos(0);
  PutLinesBeforeBody(fields);
  // The lines after the body belong to the full message only.
  const bool lines_after_body =
      with_body && std::any_of(fields.begin(), fields.end(), [](const Subfield& field) {
        return field.id == kSubTrace || field.id == kSubSeenBy2D || field.id == kSubPath2D;
      });
  if (with_body && !ReadBody(text_file_size, lines_after_body)) return false;
  if (lines_after_body) PutLinesAfterBody(fields);

  RegenerateAddressKludges();
  SetTextPos(0);
  stored_message_ = true;
  header_only_ = !with_body;
  return true;
}

bool JamBase::FailLoad(std::int32_t code) {
  SetTextStream(nullptr);
  ResetFiles();
  return Fail(code);
}

bool JamBase::ReadCurrentIndexRecord() {
  // A number without an index record fails here instead of reading past
  // the index.
  const std::int64_t index_offset = IndexOffsetOf(GetMsgNum());
  if (index_offset < 0) return FailLoad(kErrorMessageIo);
  index_pos_ = static_cast<std::int32_t>(index_offset);
  if (!ReadIndexRecord(index_offset, index_record_)) return FailLoad(kErrorMessageIo);
  return true;
}

bool JamBase::ReadHeaderWithSubfields() {
  // The whole fixed header must lie inside the file; what follows it is read
  // up to the end of the file or of what SubfieldLen covers, and only those
  // bytes are ever taken as subfields (never the previous message's leftovers).
  const std::int32_t header_offset = index_record_.header_offset;
  const std::int32_t header_file_size = HeaderFileSize();
  if (header_offset < 0 || header_file_size < 0 ||
      static_cast<std::int64_t>(header_offset) + static_cast<std::int64_t>(kMsgHeaderSize) >
          header_file_size) {
    return FailLoad(kErrorBadHeaderOffset);
  }
  header_offset_ = header_offset;
  if (!header_window_.Read(*header_file_, header_file_size, header_offset_, header_record_.data(),
                           kMsgHeaderSize)) {
    return FailLoad(kErrorMessageIo);
  }
  msg_header_ = JamMessageHeader::Decode(header_record_.data());
  // Of the subfield area only what SubfieldLen covers is ever looked at (every
  // walk stops at the smallest of the bytes read, SubfieldLen and the area's
  // size), so no more is read; the bytes behind it are never taken.
  const std::uint64_t wanted =
      kMsgHeaderSize + std::min<std::uint64_t>(msg_header_.subfield_len, kSubfieldAreaSize);
  const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(
      static_cast<std::uint64_t>(header_file_size - header_offset), wanted));
  if (length > kMsgHeaderSize &&
      !header_window_.Read(*header_file_, header_file_size, header_offset_ + kMsgHeaderSize,
                           Subfields(), length - kMsgHeaderSize)) {
    return FailLoad(kErrorMessageIo);
  }
  subfield_bytes_ = length - kMsgHeaderSize;
  subfields_full_ = false;
  // Deleted in place by other JAM software: as good as gone.
  if (msg_header_.IsDeleted()) {
    deleted_headers_.Insert(header_offset_);
    NoteRecordToDrop(index_pos_);
    return FailLoad(kErrorBadHeaderOffset);
  }
  return true;
}

void JamBase::PutLinesBeforeBody(const std::vector<Subfield>& fields) {
  for (const Subfield& field : fields) {
    const std::string line = LineBeforeBody(field);
    if (!line.empty()) PutTextLine(line);
  }
}

bool JamBase::ReadBody(std::int32_t text_file_size, bool close_last_line) {
  // A TxtLen reaching past the .JDT file (or negative) gives the bytes
  // that are there: a hostile length must not become a huge allocation.
  const auto text_offset = static_cast<std::int32_t>(msg_header_.txt_offset);
  const std::int64_t stored_length = static_cast<std::int32_t>(msg_header_.txt_len);
  const std::int64_t body_length =
      std::clamp<std::int64_t>(stored_length, 0, text_file_size - text_offset);
  if (body_length > kMaxTextSize) {
    SetTextTooLarge(true);
    return FailLoad(kErrorMessageIo);
  }
  // The body goes from the file into the text a piece at a time, so it is
  // held in memory once.
  std::vector<std::uint8_t> piece(
      static_cast<std::size_t>(std::min<std::int64_t>(body_length, kBodyPieceSize)));
  for (std::int64_t done = 0; done < body_length;) {
    const auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(body_length - done, static_cast<std::int64_t>(piece.size())));
    if (!text_window_.Read(*text_file_, text_file_size, text_offset + done, piece.data(), length)) {
      return FailLoad(kErrorMessageIo);
    }
    WriteBlock(*GetTextStream(), piece.data(), length);
    done += static_cast<std::int64_t>(length);
  }
  // Via, SEEN-BY and PATH lines start lines of their own even when the
  // stored text does not end its last line.
  if (close_last_line && TextEndsInOpenLine(body_length)) WriteTextBlock(&kCarriageReturn, 1);
  return true;
}

bool JamBase::TextEndsInOpenLine(std::int64_t body_length) {
  if (body_length == 0) return false;
  const auto tail_length = static_cast<std::int32_t>(std::min<std::int64_t>(body_length, 2));
  SetTextPos(GetTextPos() - tail_length);
  char tail[2] = {0, 0};
  ReadTextBlock(tail, static_cast<std::uint16_t>(tail_length));
  const char last = tail[tail_length - 1];
  const char before_last = tail_length > 1 ? tail[0] : 0;
  return EndsInOpenLine(before_last, last, body_length);
}

void JamBase::PutLinesAfterBody(const std::vector<Subfield>& fields) {
  // Via lines first, then SEEN-BY, then PATH, whatever order they were stored in.
  for (const KludgeLine& line : kKludgeLines) {
    if (!line.after_body) continue;
    for (const Subfield& field : fields) {
      if (field.id == line.id) PutTextLine(std::string(line.prefix) + field.data);
    }
  }
}

// Names, subject and addresses from the subfields; later ones overwrite
// earlier ones. The files of a file attach (one ENCLOSEDFILE subfield each,
// as crashmail stores them) make up the subject together: their names in
// order, separated by single spaces, as the FidoNet file-attach subject
// lists them.
void JamBase::TakeHeaderFields(const std::vector<jam::Subfield>& fields) {
  ClearAddress(orig_addr_);
  ClearAddress(dest_addr_);
  from_.clear();
  to_.clear();
  subject_.clear();
  const bool attach = GetAttr(AttrFileAttached);
  std::string files;
  int file_count = 0;
  for (const Subfield& field : fields) {
    switch (field.id) {
      case kSubOAddress:
        ParseAddress(field.data, orig_addr_);
        break;
      case kSubDAddress:
        ParseAddress(field.data, dest_addr_);
        break;
      case kSubSenderName:
        from_ = field.data;
        break;
      case kSubReceiverName:
        to_ = field.data;
        break;
      case kSubSubject:
        subject_ = field.data;
        break;
      case kSubEnclosedFile:
        if (!attach) break;
        files += (file_count++ == 0 ? "" : " ") + field.data;
        subject_ = file_count == 1 ? files : files.substr(0, kSubjectWidth);
        break;
      case kSubEnclosedFreq:
        if (GetAttr(AttrFileRequest)) subject_ = field.data;
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
  if (orig_addr_.zone != 0 && HasMailFlag(kMailFlagNetmail)) SetOrigNetmailKludges(orig_addr_);
  if (dest_addr_.zone != 0) SetDestAddr(dest_addr_);
}

}  // namespace kestrel
