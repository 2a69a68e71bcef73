// The lastread file: one unsigned 16-bit little-endian message number per
// user, user u at byte offset 2u. A missing or short file reads as 0.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "msgbase/io/file_stream.h"
#include "msgbase/io/little_endian.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/msgdir/msgdir_base.h"

namespace kestrel {
namespace {

constexpr char kLastReadName[] = "lastread";
constexpr std::int64_t kEntrySize = 2;
// Users whose entry would lie beyond what 32-bit file offsets reach have no
// entry: they read as 0 and are never written.
constexpr std::int32_t kMaxUser =
    static_cast<std::int32_t>(std::numeric_limits<std::int32_t>::max() / kEntrySize - 1);
// Zeros written in front of a new file's entry, a piece at a time.
constexpr std::uint16_t kZeroChunk = 32768;

bool ValidUser(std::int32_t user) {
  return user >= 0 && user <= kMaxUser;
}

std::unique_ptr<BaseStream> OpenFile(const std::string& name, std::uint32_t mode) {
  std::unique_ptr<BaseStream> file = NewFile(name, mode);
  if (file != nullptr && file->Status() != StOk) file.reset();
  return file;
}

void WriteZeros(BaseStream& file, std::int64_t count) {
  const std::vector<std::uint8_t> zeros(
      static_cast<std::size_t>(std::min<std::int64_t>(count, kZeroChunk)), 0);
  while (count > 0) {
    const auto piece = static_cast<std::uint16_t>(std::min<std::int64_t>(count, kZeroChunk));
    file.Write(zeros.data(), piece);
    count -= piece;
  }
}

}  // namespace

std::int32_t MsgDirBase::GetLastRead(std::int32_t user) {
  if (!ValidUser(user)) return 0;
  std::unique_ptr<BaseStream> file = OpenFile(GetBasePath() + kLastReadName, kFileOpenRead);
  if (file == nullptr) return 0;
  const std::int64_t offset = kEntrySize * user;
  if (offset + kEntrySize > file->GetSize()) return 0;
  file->Seek(static_cast<std::int32_t>(offset));
  std::uint8_t entry[kEntrySize] = {};
  file->Read(entry, kEntrySize);
  if (file->Status() != StOk) return 0;
  return GetLe16(entry, 0);
}

void MsgDirBase::SetLastRead(std::int32_t user, std::int32_t num) {
  if (!ValidUser(user)) return;
  const std::string name = GetBasePath() + kLastReadName;
  std::unique_ptr<BaseStream> file = OpenFile(name, kFileOpenWrite);
  bool created = false;
  if (file == nullptr) {
    // Only a file that is not there is created: one that exists but cannot
    // be opened (another program holds it) keeps every user's pointer
    // instead of being replaced by a new file.
    file = OpenFile(name, kFileCreateNew);
    created = file != nullptr;
  }
  if (file == nullptr) return;
  const std::int64_t offset = kEntrySize * user;
  if (created) WriteZeros(*file, offset);
  file->Seek(static_cast<std::int32_t>(offset));
  std::uint8_t entry[kEntrySize];
  PutLe16(entry, 0, static_cast<std::uint16_t>(num));
  file->Write(entry, kEntrySize);
  file->Flush();
}

}  // namespace kestrel
