// Changes of a Squish base under the lock other Squish software takes (the
// first byte of the .SQD), and taking in what such software changed.
#include "msgbase/io/peer_lock.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/squish/squish_base.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel {

using namespace squish;

bool SquishBase::BeginChange() {
  if (change_depth_ > 0) {
    ++change_depth_;
    return true;
  }
  if (!TakePeerLock(data_file_->stream())) return Fail(kErrorLocked);
  change_depth_ = 1;
  TakeInOtherChanges();
  return true;
}

void SquishBase::EndChange() {
  if (change_depth_ == 0 || --change_depth_ > 0) return;
  ReleasePeerLock(data_file_->stream());
}

void SquishBase::WriteBaseHeader(const SquishBaseHeader& header) {
  data_file_->WriteAt(0, header.bytes().data(), kBaseHeaderSize);
  if (data_file_->Ok()) disk_header_ = header;
}

void SquishBase::TakeInOtherChanges() {
  // After a failed write of ours the files differ from memory for our own
  // reason; the mark left on the header makes the next open put them right.
  if (!data_file_->Ok() || !IndexOk()) return;
  // The header is read from the file itself, past what was read ahead.
  SquishBaseHeader on_disk;
  BaseStream& stream = data_file_->stream();
  stream.Seek(0);
  if (!ReadBlock(stream, on_disk.bytes().data(), kBaseHeaderSize)) {
    stream.Reset();
    return;
  }
  const std::int32_t index_size = index_file_->GetSize();
  if (on_disk.bytes() == disk_header_.bytes() &&
      index_size == static_cast<std::int32_t>(index_.size() * kIndexRecordSize)) {
    return;
  }
  // Another program changed the base: its header and index hold. Should it
  // have written the header without our mark, the next change marks it
  // again.
  data_file_->Refresh();
  const std::uint32_t highest = highest_uid_;
  base_header_ = on_disk;
  disk_header_ = on_disk;
  if (update_marked_ && !UpdateMarked()) update_marked_ = false;
  LoadIndex();
  highest_uid_ = HigherUniqueId(highest_uid_, highest);
  // A created message not yet written gets an id the other program has not
  // used.
  if (state_ == MessageState::kNew) NumberNewMessage(NextFreeUniqueId());
}

}  // namespace kestrel
