// The .JLR lastread records: one 16-byte record per user, found by UserID.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "msgbase/jam/jam_base.h"
#include "msgbase/io/little_endian.h"
#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_hooks.h"

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
  if (LastReadFile) return true;
  // Created only where there is none (another program may have made one
  // meanwhile: that one is opened, never replaced), then held exclusively
  // like a .JLR that was there at open.
  const std::string name = FileName(kLastReadExtension);
  std::unique_ptr<BaseStream> created = NewFile(name, kModeCreateNew);
  // A new file's name is made durable at once: the record written next is
  // synced through the other handle.
  if (created != nullptr && created->Status() == StOk) created->Flush();
  created.reset();
  LastReadFile = NewFile(name, kModeOpenExclusive);
  if (LastReadFile && LastReadFile->Status() != StOk) LastReadFile.reset();
  return LastReadFile != nullptr;
}

std::int32_t JamBase::GetLastRead(std::int32_t user) {
  if (!BaseIsOpen() || !LastReadFile) return 0;
  ResetFiles();
  const std::vector<std::uint8_t> records = ReadRecords(*LastReadFile);
  const std::size_t found = FindUser(records, user);
  if (found * kLastReadRecordSize >= records.size()) return 0;
  return GetLeSigned32(records.data() + found * kLastReadRecordSize, kLastReadHighReadOffset);
}

void JamBase::SetLastRead(std::int32_t user, std::int32_t num) {
  if (!BaseIsOpen() || !OpenLastReadFile()) return;
  ResetFiles();
  const std::vector<std::uint8_t> records = ReadRecords(*LastReadFile);
  if (LastReadFile->Status() != StOk) return;  // unreadable: nothing is overwritten
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
  LastReadFile->Seek(static_cast<std::int32_t>(found * kLastReadRecordSize));
  WriteBlock(*LastReadFile, record, sizeof record);
  LastReadFile->Flush();
}

void JamBase::LowerLastReads(const std::vector<std::size_t>& dropped) {
  if (!LastReadFile) return;
  LastReadFile->Reset();
  std::vector<std::uint8_t> records = ReadRecords(*LastReadFile);
  if (LastReadFile->Status() != StOk || records.empty()) {
    LastReadFile->Reset();
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
  LastReadFile->Seek(0);
  WriteBlock(*LastReadFile, records.data(), records.size());
  LastReadFile->Flush();
}

}  // namespace kestrel
