// The lastread file: one 32-bit unique id per user number, user u at byte
// 4 * u. The file is opened only for one read or one write.
#include <array>
#include <cstdint>
#include <memory>

#include "msgbase/io/little_endian.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/squish/squish_base.h"
#include "msgbase/squish/squish_data_file.h"
#include "msgbase/squish/squish_layout.h"

namespace kestrel {

using namespace squish;

namespace {

// Where user's entry lies, or -1 for a user number whose entry no file
// position reaches.
std::int64_t EntryOffset(std::int32_t user) {
  if (user < 0) return -1;
  const std::int64_t offset = std::int64_t{user} * kLastReadEntrySize;
  return offset + kLastReadEntrySize <= kMaxFileOffset ? offset : -1;
}

}  // namespace

std::int32_t SquishBase::GetLastRead(std::int32_t user) {
  const std::int64_t offset = EntryOffset(user);
  if (offset < 0) return 0;
  std::unique_ptr<BaseStream> file = NewFile(FileName(kLastReadExtension), kModeOpenReadOnly);
  if (file == nullptr || file->Status() != StOk) return 0;
  if (offset + kLastReadEntrySize > file->GetSize()) return 0;
  std::array<std::uint8_t, kLastReadEntrySize> entry{};
  file->Seek(static_cast<std::int32_t>(offset));
  file->Read(entry.data(), kLastReadEntrySize);
  if (file->Status() != StOk) return 0;
  return GetLeSigned32(entry.data(), 0);
}

void SquishBase::SetLastRead(std::int32_t user, std::int32_t num) {
  const std::int64_t offset = EntryOffset(user);
  if (offset < 0) return;
  std::unique_ptr<BaseStream> file = NewFile(FileName(kLastReadExtension), kModeOpenWriteOnly);
  if (file == nullptr || file->Status() != StOk) {
    // Only a file that is not there is made: one that exists but cannot be
    // opened (held by a reader, or a link) keeps every user's pointer.
    file = NewFile(FileName(kLastReadExtension), kModeCreateNew);
    if (file == nullptr || file->Status() != StOk) return;
  }
  std::array<std::uint8_t, kLastReadEntrySize> entry{};
  PutLe32(entry.data(), 0, static_cast<std::uint32_t>(num));
  file->Seek(static_cast<std::int32_t>(offset));
  file->Write(entry.data(), kLastReadEntrySize);
  file->Flush();
}

}  // namespace kestrel
