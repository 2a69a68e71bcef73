// Message numbering over the index, its compaction, and deleting a message.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "msgbase/io/little_endian.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/jam/jam_base.h"

namespace kestrel {
namespace {

using namespace jam;

constexpr std::int64_t kLargestNumber = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kSmallestNumber = std::numeric_limits<std::int32_t>::min();

// A hostile BaseMsgNum or ActiveMsgs must not overflow the 32-bit numbers.
std::int32_t ClampToNumber(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp(value, kSmallestNumber, kLargestNumber));
}

std::int32_t RecordHdrOffset(const std::uint8_t* record) {
  return JamIndexRecord::HeaderOffsetOf(record);
}

}  // namespace

std::int32_t JamBase::GetHighMsgNum() {
  return ClampToNumber(static_cast<std::int64_t>(FirstMsgNum()) + ActiveMsgs());
}

std::int32_t JamBase::GetMsgCount() {
  return ActiveMsgs();
}

void JamBase::SeekNext() {
  const std::int32_t before_first = ClampToNumber(static_cast<std::int64_t>(FirstMsgNum()) - 1);
  if (GetMsgNum() < before_first) SetMsgNum(before_first);
  MessageBase::SeekNext();
}

void JamBase::SeekPrior() {
  const std::int32_t high = GetHighMsgNum();
  if (GetMsgNum() > high) SetMsgNum(high);
  while (true) {
    const std::int32_t num = GetMsgNum();
    if (num <= FirstMsgNum()) {
      SetMsgNum(0);
      return;
    }
    SetMsgNum(num - 1);
    if (MsgExists(num - 1)) return;
  }
}

std::int32_t JamBase::GetMsgUid() {
  return GetMsgNum();
}

void JamBase::SeekMsgUid(std::int32_t uid) {
  SetMsgNum(uid);
}

std::int64_t JamBase::IndexOffsetOf(std::int32_t num) {
  const std::int64_t relative = static_cast<std::int64_t>(num) - FirstMsgNum();
  if (relative < 0 || relative >= ActiveMsgs()) return -1;
  const std::int64_t offset = relative * static_cast<std::int64_t>(kIndexRecordSize);
  // Positions of the file layer are 32-bit.
  if (offset > kLargestNumber - static_cast<std::int64_t>(kIndexRecordSize)) return -1;
  return offset;
}

bool JamBase::HeaderMarkedDeleted(std::int32_t header_offset) {
  if (header_offset < 0 ||
      header_offset > kLargestNumber - static_cast<std::int64_t>(kMsgHeaderSize)) {
    return false;
  }
  if (deleted_headers_.Contains(header_offset)) return true;
  std::uint8_t attribute[4] = {};
  const std::int64_t attribute_at =
      static_cast<std::int64_t>(header_offset) + static_cast<std::int64_t>(kMsgAttributeOffset);
  if (!header_window_.Read(*header_file_, HeaderFileSize(), attribute_at, attribute,
                           sizeof attribute)) {
    // No whole header there: not a deletion mark (opening it reports the
    // damage). The failure must not block the next read.
    header_file_->Reset();
    return false;
  }
  if ((GetLe32(attribute, 0) & kAttrDeleted) == 0) return false;
  deleted_headers_.Insert(header_offset);
  return true;
}

bool JamBase::MsgExists(std::int32_t num) {
  if (!BaseIsOpen()) return false;
  const std::int64_t offset = IndexOffsetOf(num);
  if (offset < 0) return false;
  JamIndexRecord record;
  if (!ReadIndexRecord(offset, record)) return false;
  if (record.IsDeleted()) return false;
  if (!HeaderMarkedDeleted(record.header_offset)) return true;
  NoteRecordToDrop(offset);
  return false;
}

void JamBase::NoteRecordToDrop(std::int64_t offset) {
  if (index_swept_) unswept_records_.push_back(static_cast<std::size_t>(offset) / kIndexRecordSize);
}

bool JamBase::LoadIndexRecords() {
  if (index_loaded_) return true;
  index_swept_ = false;
  unswept_records_.clear();
  // A failure left by an earlier read must not make the index unreadable.
  index_file_->Reset();
  const std::int32_t size = index_file_->GetSize();
  if (size < 0) {
    index_file_->Reset();
    return false;
  }
  // Bytes after the last whole record are no record.
  const std::size_t records = static_cast<std::size_t>(size) / kIndexRecordSize;
  index_records_.assign(records * kIndexRecordSize, 0);
  index_file_->Seek(0);
  if (!ReadBlock(*index_file_, index_records_.data(), index_records_.size())) {
    index_file_->Reset();
    index_records_.clear();
    return false;
  }
  index_loaded_ = true;
  return true;
}

bool JamBase::ReadIndexRecord(std::int64_t offset, JamIndexRecord& record) {
  if (offset < 0 || !LoadIndexRecords()) return false;
  if (offset + static_cast<std::int64_t>(kIndexRecordSize) >
      static_cast<std::int64_t>(index_records_.size())) {
    return false;
  }
  record = JamIndexRecord::Decode(index_records_.data() + offset);
  return true;
}

void JamBase::NoteIndexRecordWritten(std::int64_t offset, const JamIndexRecord& record, bool ok) {
  if (!index_loaded_) return;
  const auto at = static_cast<std::size_t>(offset);
  if (!ok || offset < 0 || at % kIndexRecordSize != 0 || at > index_records_.size()) {
    // The file is not what the copy would say: read it again when needed.
    ForgetIndexCopy();
    return;
  }
  if (at == index_records_.size()) index_records_.resize(at + kIndexRecordSize);
  record.EncodeTo(index_records_.data() + at);
  // A record marked deleted is one the next compaction drops; any other
  // record written may name a header another record names too.
  if (record.IsDeleted()) {
    NoteRecordToDrop(offset);
  } else {
    index_swept_ = false;
  }
}

std::int32_t JamBase::HeaderFileSize() {
  if (header_file_size_ < 0) header_file_size_ = header_file_->GetSize();
  return header_file_size_;
}

std::int32_t JamBase::TextFileSize() {
  if (text_file_size_ < 0) text_file_size_ = text_file_->GetSize();
  return text_file_size_;
}

void JamBase::NoteHeaderFileWritten() {
  header_window_.Forget();
  header_file_size_ = -1;
}

void JamBase::NoteTextFileWritten() {
  text_window_.Forget();
  text_file_size_ = -1;
}

void JamBase::ForgetFileCopies() {
  NoteHeaderFileWritten();
  NoteTextFileWritten();
  ForgetIndexCopy();
}

void JamBase::ForgetIndexCopy() {
  index_loaded_ = false;
  index_swept_ = false;
  index_records_.clear();
}

void JamBase::CompactIndex() {
  if (!BaseIsOpen() || !BeginChange()) return;
  CompactIndexRecords(true);
  EndChange();
}

bool JamBase::CompactIndexRecords(bool check_headers, std::size_t from,
                                  std::vector<std::size_t>* removed) {
  // A partly read index is never written back.
  if (!LoadIndexRecords()) return false;
  index_file_->Reset();
  const std::int32_t size = index_file_->GetSize();
  if (size < 0) return false;
  std::vector<std::uint8_t>& index = index_records_;
  const std::size_t records = index.size() / kIndexRecordSize;
  from = std::min(from, records);

  std::size_t kept = 0;
  std::vector<std::size_t> dropped;
  if (!check_headers && index_swept_) {
    // Nothing but the records noted since the last whole walk can go.
    DropNotedRecords(from, kept, dropped);
  } else {
    WalkIndex(check_headers, from, kept, dropped);
  }
  // Notes of records before `from` stay good: those records did not move.
  std::erase_if(unswept_records_, [from](std::size_t i) { return i >= from; });
  if (removed != nullptr) *removed = dropped;
  index.resize(kept * kIndexRecordSize);
  // A created message not yet written is counted without a record.
  SetActiveMsgs(static_cast<std::int32_t>(kept) + (created_pending_ ? 1 : 0));
  if (dropped.empty() && records * kIndexRecordSize == static_cast<std::size_t>(size)) {
    return true;  // nothing to remove: the file stays as it is
  }
  // The records before the first removed one do not move (all of them are
  // kept, so kept >= first_change).
  const std::size_t first_change = dropped.empty() ? records : dropped.front();
  const std::size_t at = first_change * kIndexRecordSize;
  index_file_->Seek(static_cast<std::int32_t>(at));
  WriteBlock(*index_file_, index.data() + at, kept * kIndexRecordSize - at);
  index_file_->Truncate();
  index_file_->Flush();
  const bool written = index_file_->Status() == StOk;
  if (!written) {
    ForgetIndexCopy();
    return false;
  }
  // Every reader's lastread follows the renumbering.
  if (!dropped.empty()) LowerLastReads(dropped);
  return true;
}

void JamBase::WalkIndex(bool check_headers, std::size_t from, std::size_t& kept,
                        std::vector<std::size_t>& dropped) {
  std::vector<std::uint8_t>& index = index_records_;
  const std::size_t records = index.size() / kIndexRecordSize;
  kept = from;
  for (std::size_t i = from; i < records; ++i) {
    const std::uint8_t* record = index.data() + i * kIndexRecordSize;
    const std::int32_t header_offset = RecordHdrOffset(record);
    // A record naming the same header as the one kept before it is the
    // leftover of a compaction cut off before the index was cut to size:
    // the message would otherwise be seen twice.
    const bool repeated =
        kept > 0 && header_offset != kDeletedHdrOffset &&
        RecordHdrOffset(index.data() + (kept - 1) * kIndexRecordSize) == header_offset;
    const bool deleted = header_offset == kDeletedHdrOffset || repeated ||
                         deleted_headers_.Contains(header_offset) ||
                         (check_headers && HeaderMarkedDeleted(header_offset));
    if (deleted) {
      dropped.push_back(i);
      continue;
    }
    if (kept != i) {
      std::memmove(index.data() + kept * kIndexRecordSize, record, kIndexRecordSize);
    }
    ++kept;
  }
  // With no two kept records naming one header, a record can only come to
  // be dropped through a note (NoteRecordToDrop), so the next compaction
  // need look at nothing else.
  std::vector<std::int32_t> headers(kept);
  for (std::size_t i = 0; i < kept; ++i)
    headers[i] = RecordHdrOffset(index.data() + i * kIndexRecordSize);
  std::sort(headers.begin(), headers.end());
  index_swept_ = std::adjacent_find(headers.begin(), headers.end()) == headers.end();
}

void JamBase::DropNotedRecords(std::size_t from, std::size_t& kept,
                               std::vector<std::size_t>& dropped) {
  std::vector<std::uint8_t>& index = index_records_;
  const std::size_t records = index.size() / kIndexRecordSize;
  std::vector<std::size_t>& noted = unswept_records_;
  std::sort(noted.begin(), noted.end());
  noted.erase(std::unique(noted.begin(), noted.end()), noted.end());
  // Each run of kept records between two dropped ones moves down at once.
  kept = records;
  std::size_t run_start = 0;
  for (const std::size_t i : noted) {
    if (i < from) continue;
    if (i >= records) break;
    const std::int32_t header_offset = RecordHdrOffset(index.data() + i * kIndexRecordSize);
    if (header_offset != kDeletedHdrOffset && !deleted_headers_.Contains(header_offset)) continue;
    if (dropped.empty()) {
      kept = i;
    } else {
      std::memmove(index.data() + kept * kIndexRecordSize,
                   index.data() + run_start * kIndexRecordSize, (i - run_start) * kIndexRecordSize);
      kept += i - run_start;
    }
    dropped.push_back(i);
    run_start = i + 1;
  }
  if (dropped.empty()) return;
  std::memmove(index.data() + kept * kIndexRecordSize, index.data() + run_start * kIndexRecordSize,
               (records - run_start) * kIndexRecordSize);
  kept += records - run_start;
}

bool JamBase::KillMsg() {
  if (!BaseIsOpen() || !stored_message_) return Fail(kErrorMessageIo);
  ResetFiles();
  if (!BeginChange()) return false;
  if (!LocateStoredMessage()) {
    // Another program deleted it meanwhile.
    stored_message_ = false;
    EndChange();
    return Fail(kErrorMessageIo);
  }
  const bool killed = KillStoredMessage();
  const bool ended = EndChange();
  return (killed && ended) || Fail(kErrorMessageIo);
}

bool JamBase::KillStoredMessage() {
  // The order of the writes makes every point where a run may be cut off
  // leave a readable base that the next open puts right. ActiveMsgs goes
  // down first: from then until the index is compacted and cut, the index
  // holds one record more than ActiveMsgs says, so the next open compacts
  // and recounts (dropping the killed message if its header is marked, or
  // keeping it if not, and dropping the repeated last record of a compaction
  // that was not cut to size).
  SetActiveMsgs(ActiveMsgs() - 1);
  const bool counted = WriteBaseHeader();
  // The header is marked next: should the run stop before the index is
  // rewritten, the message counts as deleted all the same.
  bool written = MarkHeaderDeleted(counted);
  // The lower count and the mark are durable before the index changes: a
  // power cut that keeps any part of the index rewrite then also keeps the
  // count that makes the next open compact and recount.
  written = FlushFiles({header_file_.get()}) && written;

  index_record_ = JamIndexRecord::Deleted();
  const JamIndexRecord::Bytes record = index_record_.Encode();
  index_file_->Seek(index_pos_);
  const bool record_written = WriteBlock(*index_file_, record.data(), record.size());
  NoteIndexRecordWritten(index_pos_, index_record_, record_written);
  written = record_written && written;
  // Only the killed record and the deleted ones after it go: the messages
  // before it keep their numbers, which the caller may hold already (a
  // scan's lastread).
  const std::size_t killed_record = static_cast<std::size_t>(index_pos_) / kIndexRecordSize;
  const std::int64_t current_record =
      static_cast<std::int64_t>(GetMsgNum()) - static_cast<std::int64_t>(FirstMsgNum());
  std::vector<std::size_t> removed;
  written = CompactIndexRecords(false, killed_record, &removed) && written;
  stored_message_ = false;
  StepBackOverRemoved(current_record, removed);
  return written;
}

bool JamBase::MarkHeaderDeleted(bool counted) {
  bool written = counted;
  std::uint8_t attribute[4] = {};
  const std::int32_t attribute_at = header_offset_ + static_cast<std::int32_t>(kMsgAttributeOffset);
  header_file_->Seek(attribute_at);
  header_file_->Read(attribute, sizeof attribute);
  if (header_file_->Status() == StOk) {
    PutLe32(attribute, 0, GetLe32(attribute, 0) | kAttrDeleted);
    header_file_->Seek(attribute_at);
    written = WriteBlock(*header_file_, attribute, sizeof attribute);
    deleted_headers_.Insert(header_offset_);
    NoteHeaderFileWritten();
  } else {
    header_file_->Reset();  // no header to mark: the index record still goes
  }
  msg_header_.attribute |= kAttrDeleted;
  return written;
}

void JamBase::StepBackOverRemoved(std::int64_t current_record,
                                  const std::vector<std::size_t>& removed) {
  // The current number moves down with the renumbering, by every record
  // dropped at or before it, so that a forward scan's SeekNext comes to the
  // message that followed the killed one (which now has a lower number)
  // instead of passing over it or over the ones after.
  if (current_record < 0) return;
  const auto dropped =
      std::upper_bound(removed.begin(), removed.end(), static_cast<std::size_t>(current_record)) -
      removed.begin();
  SetMsgNum(GetMsgNum() - static_cast<std::int32_t>(dropped));
}

}  // namespace kestrel
