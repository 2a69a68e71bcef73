// Changes of a JAM base under the lock other JAM software takes (the first
// byte of the .JHR), and taking in what such software changed meanwhile.

#include "msgbase/io/peer_lock.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/jam/jam_base.h"

namespace kestrel {

using namespace jam;

JamBaseHeader JamBase::HeaderWithoutPending() const {
  JamBaseHeader header = base_header_;
  if (created_pending_) header.active_msgs = ActiveMsgs() - 1;
  return header;
}

bool JamBase::BeginChange() {
  if (change_depth_ > 0) {
    ++change_depth_;
    return true;
  }
  if (!TakePeerLock(*header_file_)) {
    SetLastError(kErrorLocked);
    return false;
  }
  change_depth_ = 1;
  if (TakeInOtherChanges()) return true;
  ReleasePeerLock(*header_file_);
  change_depth_ = 0;
  SetLastError(kErrorOpenHeaderFile);
  return false;
}

bool JamBase::TakeInOtherChanges() {
  JamBaseHeader::Bytes bytes{};
  header_file_->Seek(0);
  if (!ReadBlock(*header_file_, bytes.data(), bytes.size())) {
    header_file_->Reset();
    return false;
  }
  const JamBaseHeader on_disk = JamBaseHeader::Decode(bytes.data());
  const std::int32_t index_size = index_file_->GetSize();
  if (index_size < 0) {
    index_file_->Reset();
    return false;
  }
  const auto whole_records =
      static_cast<std::size_t>(index_size) / kIndexRecordSize * kIndexRecordSize;
  // The header as this object last left it (a write of ours that failed
  // leaves it as it was before), compared with the file: the counters in
  // memory stay the authority unless somebody else wrote them since.
  if (on_disk == locked_header_ && (!index_loaded_ || whole_records == index_records_.size())) {
    return true;
  }
  // Another program added or deleted messages: its counters hold, and
  // nothing read before is trusted any more.
  locked_header_ = on_disk;
  const bool pending = created_pending_;
  base_header_ = on_disk;
  if (pending) SetActiveMsgs(ActiveMsgs() + 1);
  ForgetFileCopies();
  return true;
}

bool JamBase::EndChange() {
  if (change_depth_ == 0) return true;
  if (--change_depth_ > 0) return true;
  const bool written = HeaderWithoutPending() == locked_header_ || WriteBaseHeader();
  ReleasePeerLock(*header_file_);
  return written;
}

bool JamBase::LocateStoredMessage() {
  JamIndexRecord record;
  if (ReadIndexRecord(index_pos_, record) && record.header_offset == header_offset_) return true;
  // Another program rewrote the index: the message's record is the one that
  // names its header.
  if (!LoadIndexRecords()) return false;
  for (std::size_t at = 0; at + kIndexRecordSize <= index_records_.size(); at += kIndexRecordSize) {
    if (JamIndexRecord::HeaderOffsetOf(index_records_.data() + at) != header_offset_) continue;
    index_pos_ = static_cast<std::int32_t>(at);
    index_record_ = JamIndexRecord::Decode(index_records_.data() + at);
    return true;
  }
  return false;
}

}  // namespace kestrel
