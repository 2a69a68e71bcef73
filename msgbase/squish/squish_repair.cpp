// Crash safety of a Squish base: the mark that an update is under way, and
// the repair of a base whose update was cut off (a crash, a kill, a power
// cut).
//
// The chains of the data file and the index file cannot be changed together
// in one write, so a run cut off between two writes leaves a base whose
// chains, index and header counts disagree (a frame taken out of the
// message chain but not yet in the free chain, an index rewrite not yet cut
// to size, header counts one off). Before the first change of a session the
// base header on disk is marked (its reserved word, offset 2, holds
// kUpdateMark); closing the base writes the header back without the mark. A
// base opened with the mark still set was not closed after a change: it is
// rebuilt from what cannot be half written, the index (the list of messages,
// written only after their frames) and the frames lying end to end in the
// data file.
#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "msgbase/io/little_endian.h"
#include "msgbase/squish/squish_base.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel {

using namespace squish;

namespace {

// "UP" in the reserved word: an update is under way.
constexpr std::uint16_t kUpdateMark = 0x5055;

struct FoundFrame {
  std::uint32_t offset;
  SquishFrameHeader header;
};

// The records of the index, each unique id once: an index rewrite cut off
// before the file was cut to size repeats the records after the one taken
// out.
std::vector<SquishIndexRecord> RecordsOncePerId(const std::vector<SquishIndexRecord>& index) {
  std::vector<SquishIndexRecord> records;
  for (const SquishIndexRecord& record : index) {
    if (!records.empty() && records.back().unique_id == record.unique_id) continue;
    records.push_back(record);
  }
  return records;
}

// The frames end to end from the base header on; `end` receives where the
// last whole frame ends. A frame that does not fit in the file was cut off
// while it was appended, and never indexed (a record is written only after
// its frame): the file ends before it. False when a read failed.
bool WalkFrames(SquishDataFile& file, std::vector<FoundFrame>& frames, std::int64_t& end) {
  std::int64_t at = kBaseHeaderSize;
  const std::int64_t size = file.Size();
  while (at + kFrameHeaderSize <= size) {
    SquishFrameHeader frame;
    if (!file.ReadFrameHeader(static_cast<std::uint32_t>(at), frame)) return false;
    const std::int64_t frame_end = at + kFrameHeaderSize + frame.frame_length;
    if (!frame.HasValidId() || frame_end > size || frame.message_length > frame.frame_length) break;
    frames.push_back({static_cast<std::uint32_t>(at), frame});
    at = frame_end;
  }
  end = at;
  return true;
}

// Whether the walk reached the frame of every record.
bool WalkReachesEveryRecord(const std::vector<FoundFrame>& frames,
                            const std::vector<SquishIndexRecord>& records) {
  std::set<std::uint32_t> walked;
  for (const FoundFrame& found : frames)
    walked.insert(found.offset);
  return std::all_of(records.begin(), records.end(), [&walked](const SquishIndexRecord& record) {
    return walked.count(record.frame_offset) != 0;
  });
}

// The message chain follows the index; every other frame is free, in file
// order. Each frame header that differs from its place in its chain is
// written; the two chains are returned in order.
void Relink(SquishDataFile& file, const std::vector<FoundFrame>& frames,
            const std::vector<SquishIndexRecord>& records,
            std::vector<std::uint32_t>& message_frames, std::vector<std::uint32_t>& free_frames) {
  std::map<std::uint32_t, std::size_t> message_position;
  for (const SquishIndexRecord& record : records) {
    message_position[record.frame_offset] = message_frames.size();
    message_frames.push_back(record.frame_offset);
  }
  std::map<std::uint32_t, std::size_t> free_position;
  for (const FoundFrame& found : frames) {
    if (message_position.count(found.offset) != 0) continue;
    free_position[found.offset] = free_frames.size();
    free_frames.push_back(found.offset);
  }
  auto link = [](const std::vector<std::uint32_t>& chain, std::size_t i, bool next) {
    if (next) return i + 1 < chain.size() ? chain[i + 1] : 0u;
    return i > 0 ? chain[i - 1] : 0u;
  };
  for (const FoundFrame& found : frames) {
    SquishFrameHeader wanted = found.header;
    const auto message = message_position.find(found.offset);
    const bool is_message = message != message_position.end();
    const std::vector<std::uint32_t>& chain = is_message ? message_frames : free_frames;
    const std::size_t i = is_message ? message->second : free_position[found.offset];
    wanted.frame_type = is_message ? kFrameTypeMessage : kFrameTypeFree;
    wanted.prev = link(chain, i, false);
    wanted.next = link(chain, i, true);
    if (!(wanted == found.header)) file.WriteFrameHeader(found.offset, wanted);
  }
}

ChainEnds EndsOf(const std::vector<std::uint32_t>& chain) {
  return chain.empty() ? ChainEnds{} : ChainEnds{chain.front(), chain.back()};
}

}  // namespace

bool SquishBase::UpdateMarked() const {
  return GetLe16(base_header_.bytes().data(), kBaseReservedOffset) == kUpdateMark;
}

bool SquishBase::MarkUpdating(SquishBaseHeader& working) {
  if (update_marked_) return true;
  std::uint8_t* header = base_header_.bytes().data();
  reserved_before_mark_ = GetLe16(header, kBaseReservedOffset);
  PutLe16(header, kBaseReservedOffset, kUpdateMark);
  WriteBaseHeader(base_header_);
  // The mark is durable before any part of the update is written: whatever
  // part of it a power cut keeps, the next open sees the mark and repairs.
  if (data_file_->Ok()) data_file_->stream().Flush();
  if (!data_file_->Ok()) {
    PutLe16(header, kBaseReservedOffset, reserved_before_mark_);
    return false;
  }
  PutLe16(working.bytes().data(), kBaseReservedOffset, kUpdateMark);
  update_marked_ = true;
  return true;
}

void SquishBase::ClearUpdateMark() {
  if (!update_marked_) return;
  PutLe16(base_header_.bytes().data(), kBaseReservedOffset, reserved_before_mark_);
  update_marked_ = false;
}

bool SquishBase::RepairCutOffUpdate() {
  const std::vector<SquishIndexRecord> records = RecordsOncePerId(index_);
  const bool index_changed = records.size() != index_.size();
  std::vector<FoundFrame> frames;
  std::int64_t end = 0;
  if (!WalkFrames(*data_file_, frames, end)) return false;
  // A message the walk did not reach lies beyond damage this repair does
  // not understand: the base is left as it is.
  if (!WalkReachesEveryRecord(frames, records)) return false;
  if (end < data_file_->Size()) data_file_->CutBackTo(end);
  std::vector<std::uint32_t> message_frames;
  std::vector<std::uint32_t> free_frames;
  Relink(*data_file_, frames, records, message_frames, free_frames);

  SquishBaseHeader& header = base_header_;
  const auto count = static_cast<std::uint32_t>(records.size());
  header.SetNumMessages(count);
  header.SetHighMessage(count);
  header.SetMessageChain(EndsOf(message_frames));
  header.SetFreeChain(EndsOf(free_frames));
  header.SetEndOfData(static_cast<std::uint32_t>(end));
  std::uint32_t highest = 0;
  for (const SquishIndexRecord& record : records)
    highest = std::max(highest, record.unique_id);
  if (header.NextUniqueId() <= highest) header.SetNextUniqueId(highest + 1);
  PutLe16(header.bytes().data(), kBaseReservedOffset, 0);
  WriteBaseHeader(header);

  if (index_changed ||
      index_file_->GetSize() != static_cast<std::int32_t>(records.size() * kIndexRecordSize)) {
    index_ = records;
    WriteIndexFrom(0);
  }
  return data_file_->Ok() && IndexOk();
}

bool SquishBase::RepairBrokenLinks() {
  if (!data_file_->Ok() || !IndexOk()) return false;
  const bool repaired = RepairCutOffUpdate();
  // The rebuilt header went to the file without this session's mark: the
  // next change marks it again.
  update_marked_ = false;
  return repaired;
}

}  // namespace kestrel
