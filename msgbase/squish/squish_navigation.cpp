// Message numbers and positions: the index records in file order, their
// unique ids as message numbers and their byte positions as unique ids of
// the interface.
//
// The index is kept in memory (the file cannot change under an open base:
// others may only read it), so searching and stepping cost no file access.
// Changes are written through to the index file at once.
#include <algorithm>
#include <vector>

#include "msgbase/io/stream_blocks.h"
#include "msgbase/squish/squish_base.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel {

using namespace squish;

namespace {

// Whole records that one stream call moves.
constexpr std::size_t kIndexWriteChunk = (kLargestTransfer / kIndexRecordSize) * kIndexRecordSize;

}  // namespace

void SquishBase::SelectSlot(std::int64_t slot) {
  if (slot < 0 || slot >= static_cast<std::int64_t>(index_.size())) {
    SelectNothing();
    return;
  }
  current_record_ = index_[static_cast<std::size_t>(slot)];
  index_pos_ = static_cast<std::int32_t>(slot * kIndexRecordSize);
  SetMsgNum(static_cast<std::int32_t>(current_record_.unique_id));
}

void SquishBase::SelectNothing() {
  current_record_ = {};
  index_pos_ = 0;
  SetMsgNum(0);
}

std::int64_t SquishBase::CurrentSlot() const {
  if (index_pos_ < 0 || index_pos_ % kIndexRecordSize != 0) return -1;
  const std::int64_t slot = index_pos_ / kIndexRecordSize;
  return slot < static_cast<std::int64_t>(index_.size()) ? slot : -1;
}

std::int64_t SquishBase::FindSlot(std::uint32_t uid, std::int64_t hint) const {
  if (hint >= 0 && hint < static_cast<std::int64_t>(index_.size()) &&
      index_[static_cast<std::size_t>(hint)].unique_id == uid)
    return hint;
  const auto found = std::find_if(index_.begin(), index_.end(),
                                  [uid](const SquishIndexRecord& r) { return r.unique_id == uid; });
  return found == index_.end() ? -1 : found - index_.begin();
}

bool SquishBase::MsgExists(std::int32_t num) {
  return IsOpened() && FindSlot(static_cast<std::uint32_t>(num), -1) >= 0;
}

void SquishBase::SeekFirst(std::int32_t num) {
  const auto found = std::find_if(index_.begin(), index_.end(), [num](const SquishIndexRecord& r) {
    return static_cast<std::int32_t>(r.unique_id) >= num;
  });
  SelectSlot(found == index_.end() ? -1 : found - index_.begin());
}

void SquishBase::SeekNext() {
  SelectSlot((std::int64_t{index_pos_} + kIndexRecordSize) / kIndexRecordSize);
}

void SquishBase::SeekPrior() {
  const std::int64_t pos = std::int64_t{index_pos_} - kIndexRecordSize;
  SelectSlot(pos < 0 ? -1 : pos / kIndexRecordSize);
}

std::int32_t SquishBase::GetMsgUid() {
  return index_pos_;
}

void SquishBase::SeekMsgUid(std::int32_t pos) {
  // Only the start of a record is a position: anything else would read a
  // unique id out of two records.
  if (pos < 0 || pos % kIndexRecordSize != 0) {
    SelectNothing();
    return;
  }
  SelectSlot(pos / kIndexRecordSize);
}

std::int32_t SquishBase::GetHighMsgNum() {
  // A damaged header whose next unique id lags behind the index would hide
  // the newest messages from a caller that compares numbers with this.
  const auto from_header = static_cast<std::int32_t>(base_header_.NextUniqueId() - 1);
  return std::max(from_header, static_cast<std::int32_t>(highest_uid_));
}

std::int32_t SquishBase::GetMsgCount() {
  return static_cast<std::int32_t>(base_header_.NumMessages());
}

void SquishBase::WriteIndexRecord(std::int64_t slot, const SquishIndexRecord& record) {
  const SquishIndexRecord::Bytes bytes = record.Encode();
  index_file_->Seek(static_cast<std::int32_t>(slot * kIndexRecordSize));
  index_file_->Write(bytes.data(), kIndexRecordSize);
}

void SquishBase::WriteIndexFrom(std::int64_t slot) {
  index_file_->Seek(static_cast<std::int32_t>(slot * kIndexRecordSize));
  std::vector<std::uint8_t> chunk;
  auto at = static_cast<std::size_t>(slot);
  while (at < index_.size()) {
    const std::size_t records = std::min(index_.size() - at, kIndexWriteChunk / kIndexRecordSize);
    chunk.resize(records * kIndexRecordSize);
    for (std::size_t i = 0; i < records; ++i)
      index_[at + i].EncodeTo(chunk.data() + i * kIndexRecordSize);
    index_file_->Write(chunk.data(), static_cast<std::uint16_t>(chunk.size()));
    at += records;
  }
  index_file_->Truncate();
}

bool SquishBase::IndexOk() const {
  return index_file_ != nullptr && index_file_->Status() == StOk;
}

bool SquishBase::FlushFiles() {
  data_file_->stream().Flush();
  if (!data_file_->Ok()) return false;
  index_file_->Flush();
  return IndexOk();
}

}  // namespace kestrel
