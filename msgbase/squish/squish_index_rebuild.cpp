// A data file whose index file is missing: the index is rebuilt from the
// message frames lying end to end in the data file, so that the messages in
// it can be read, moved and added to. Replacing the base instead would throw
// the messages away.
//
// The rebuild is done only when the frames can be walked from the base
// header to the very end of the file and every message frame carries a
// distinct unique id; otherwise the base is left exactly as it is and the
// open fails.
#include <algorithm>
#include <vector>

#include "msgbase/io/stream_hooks.h"
#include "msgbase/squish/squish_base.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel {

using namespace squish;

bool SquishBase::IndexFromFrames(std::vector<SquishIndexRecord>& records) {
  records.clear();
  std::int64_t at = kBaseHeaderSize;
  const std::int64_t size = data_file_->Size();
  while (at < size) {
    SquishFrameHeader frame;
    if (at + kFrameHeaderSize > size) return false;
    if (!data_file_->ReadFrameHeader(static_cast<std::uint32_t>(at), frame)) return false;
    const std::int64_t end = at + kFrameHeaderSize + frame.frame_length;
    if (!frame.HasValidId() || end > size || frame.message_length > frame.frame_length) {
      return false;
    }
    if (frame.IsMessage()) {
      if (frame.message_length < kMessageHeaderSize) return false;
      SquishMessageHeader header;
      if (!data_file_->ReadAt(at + kFrameHeaderSize, header.bytes().data(), kMessageHeaderSize)) {
        return false;
      }
      const std::uint32_t uid = header.UniqueId();
      if (uid == 0 || uid > kMaxUniqueId) return false;
      records.push_back({static_cast<std::uint32_t>(at), uid, SquishNameHash(header.To())});
    } else if (!frame.IsFree()) {
      return false;
    }
    at = end;
  }
  // The index lists the messages in the order of their unique ids, which is
  // the order they were written in.
  std::sort(records.begin(), records.end(),
            [](const SquishIndexRecord& a, const SquishIndexRecord& b) {
              return a.unique_id < b.unique_id;
            });
  const auto same_id = [](const SquishIndexRecord& a, const SquishIndexRecord& b) {
    return a.unique_id == b.unique_id;
  };
  return std::adjacent_find(records.begin(), records.end(), same_id) == records.end();
}

bool SquishBase::RebuildMissingIndex() {
  std::vector<SquishIndexRecord> records;
  if (!IndexFromFrames(records)) return false;
  index_file_ = NewFile(FileName(kIndexExtension), kModeCreateNew);
  if (index_file_ == nullptr || index_file_->Status() != StOk) return false;
  index_ = records;
  highest_uid_ = 0;
  for (const SquishIndexRecord& record : index_)
    highest_uid_ = HigherUniqueId(highest_uid_, record.unique_id);
  // The index first: should the run stop now, every message is listed.
  // Then the chains, counts and header are made to match it.
  WriteIndexFrom(0);
  if (!IndexOk()) return false;
  return RepairCutOffUpdate();
}

}  // namespace kestrel
