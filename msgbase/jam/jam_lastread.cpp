// The .JLR lastread records: one 16-byte record per user, found by UserID.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "msgbase/io/little_endian.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/jam/jam_base.h"

namespace kestrel {
namespace {

using namespace jam;

// All whole records of the file; empty when it cannot be read. Bytes after
// the last whole record belong to no record.
std::vector<std::uint8_t> ReadRecords(BaseStream& file) {
  const std::int32_t size = file.GetSize();
  if (size <= 0) return {};
  std::vector<std::uint8_t> records(static_cast<std::size_t>(size) / kLastReadRecordSize *
                                    kLastReadRecordSize);
  file.Seek(0);
  if (!ReadBlock(file, records.data(), records.size())) return {};
  return records;
}

// Index of the first record of this user, or the number of records.
std::size_t FindUser(const std::vector<std::uint8_t>& records, std::int32_t user) {
  const std::size_t count = records.size() / kLastReadRecordSize;
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t id =
        GetLeSigned32(records.data() + i * kLastReadRecordSize, kLastReadUserIdOffset);
    if (id == user) return i;
  }
  return count;
}

}  // namespace

bool JamBase::OpenLastReadFile() {
  if (last_read_file_) return true;
  // Created only where there is none (another program may have made one
  // meanwhile: that one is opened, never replaced), then held exclusively
  // like a .JLR that was there at open.
  const std::string name = FileName(kLastReadExtension);
  std::unique_ptr<BaseStream> created = NewFile(name, kModeCreateNew);
  // A new file's name is made durable at once: the record written next is
  // synced through the other handle.
  if (created != nullptr && created->Status() == StOk) created->Flush();
  created.reset();
  last_read_file_ = NewFile(name, kModeOpenExclusive);
  if (last_read_file_ && last_read_file_->Status() != StOk) last_read_file_.reset();
  return last_read_file_ != nullptr;
}

std::int32_t JamBase::GetLastRead(std::int32_t user) {
  if (!BaseIsOpen() || !last_read_file_) return 0;
  ResetFiles();
  const std::vector<std::uint8_t> records = ReadRecords(*last_read_file_);
  const std::size_t found = FindUser(records, user);
  if (found * kLastReadRecordSize >= records.size()) return 0;
  return GetLeSigned32(records.data() + found * kLastReadRecordSize, kLastReadHighReadOffset);
}

void JamBase::SetLastRead(std::int32_t user, std::int32_t num) {
  if (!BaseIsOpen() || !OpenLastReadFile()) return;
  ResetFiles();
  const std::vector<std::uint8_t> records = ReadRecords(*last_read_file_);
  if (last_read_file_->Status() != StOk) return;  // unreadable: nothing is overwritten
  const std::size_t found = FindUser(records, user);
  std::uint8_t record[kLastReadRecordSize] = {};
  if (found * kLastReadRecordSize < records.size()) {
    std::copy_n(records.data() + found * kLastReadRecordSize, kLastReadRecordSize, record);
  } else {
    // A new record goes after the last whole one.
    PutLe32(record, kLastReadUserCrcOffset, static_cast<std::uint32_t>(user));
    PutLe32(record, kLastReadUserIdOffset, static_cast<std::uint32_t>(user));
  }
  PutLe32(record, kLastReadLastReadOffset, static_cast<std::uint32_t>(num));
  PutLe32(record, kLastReadHighReadOffset, static_cast<std::uint32_t>(num));
  last_read_file_->Seek(static_cast<std::int32_t>(found * kLastReadRecordSize));
  WriteBlock(*last_read_file_, record, sizeof record);
  last_read_file_->Flush();
}

void JamBase::LowerLastReads(const std::vector<std::size_t>& dropped) {
  if (!last_read_file_) return;
  last_read_file_->Reset();
  std::vector<std::uint8_t> records = ReadRecords(*last_read_file_);
  if (last_read_file_->Status() != StOk || records.empty()) {
    last_read_file_->Reset();
    return;
  }
  // The numbers the dropped records had, ascending.
  std::vector<std::int64_t> numbers;
  numbers.reserve(dropped.size());
  for (const std::size_t position : dropped)
    numbers.push_back(static_cast<std::int64_t>(FirstMsgNum()) +
                      static_cast<std::int64_t>(position));
  bool changed = false;
  for (std::size_t at = 0; at < records.size(); at += kLastReadRecordSize) {
    for (const std::size_t field : {kLastReadLastReadOffset, kLastReadHighReadOffset}) {
      const std::int32_t pointer = GetLeSigned32(records.data() + at, field);
      const auto below =
          std::upper_bound(numbers.begin(), numbers.end(), pointer) - numbers.begin();
      if (below == 0) continue;
      PutLe32(records.data() + at, field, static_cast<std::uint32_t>(pointer - below));
      changed = true;
    }
  }
  if (!changed) return;
  last_read_file_->Seek(0);
  WriteBlock(*last_read_file_, records.data(), records.size());
  last_read_file_->Flush();
}

}  // namespace kestrel
