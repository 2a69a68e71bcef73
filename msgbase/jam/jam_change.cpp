// Changes of a JAM base under the lock other JAM software takes (the first
// byte of the .JHR), and taking in what such software changed meanwhile.
#include <cstring>

#include "msgbase/jam/jam_base.h"
#include "msgbase/io/little_endian.h"
#include "msgbase/io/peer_lock.h"
#include "msgbase/io/stream_blocks.h"

namespace kestrel {

using namespace jam;

JamBase::BaseHeaderBytes JamBase::HeaderWithoutPending() const {
  BaseHeaderBytes header = BaseHeader;
  if (created_pending_) {
    PutLe32(header.data(), kBaseActiveMsgsOffset, static_cast<std::uint32_t>(ActiveMsgs() - 1));
  }
  return header;
}

bool JamBase::BeginChange() {
  if (change_depth_ > 0) {
    ++change_depth_;
    return true;
  }
  if (!TakePeerLock(*HeaderFile)) {
    SetLastError(kErrLocked);
    return false;
  }
  change_depth_ = 1;
  if (TakeInOtherChanges()) return true;
  ReleasePeerLock(*HeaderFile);
  change_depth_ = 0;
  SetLastError(kErrHeaderOpen);
  return false;
}

bool JamBase::TakeInOtherChanges() {
  BaseHeaderBytes on_disk{};
  HeaderFile->Seek(0);
  if (!ReadBlock(*HeaderFile, on_disk.data(), on_disk.size())) {
    HeaderFile->Reset();
    return false;
  }
  const std::int32_t index_size = IndexFile->GetSize();
  if (index_size < 0) {
    IndexFile->Reset();
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
  BaseHeader = on_disk;
  if (pending) SetActiveMsgs(ActiveMsgs() + 1);
  ForgetFileCopies();
  return true;
}

bool JamBase::EndChange() {
  if (change_depth_ == 0) return true;
  if (--change_depth_ > 0) return true;
  const bool written = HeaderWithoutPending() == locked_header_ || WriteBaseHeader();
  ReleasePeerLock(*HeaderFile);
  return written;
}

bool JamBase::LocateStoredMessage() {
  std::uint8_t record[kIndexRecordSize] = {};
  if (ReadIndexRecord(IndexPos, record) &&
      GetLeSigned32(record, kIndexHdrOffsetOffset) == HeaderOffset) {
    return true;
  }
  // Another program rewrote the index: the message's record is the one that
  // names its header.
  if (!LoadIndexRecords()) return false;
  for (std::size_t at = 0; at + kIndexRecordSize <= index_records_.size(); at += kIndexRecordSize) {
    if (GetLeSigned32(index_records_.data() + at, kIndexHdrOffsetOffset) != HeaderOffset) continue;
    IndexPos = static_cast<std::int32_t>(at);
    std::memcpy(IndexRecord.data(), index_records_.data() + at, kIndexRecordSize);
    return true;
  }
  return false;
}

}  // namespace kestrel
