#include "msgbase/io/file_stream.h"

namespace kestrel {

namespace {

constexpr std::uint32_t kRequestMask = 0xFF;
constexpr std::uint32_t kShareShift = 8;

// A request word that can never be performed: the stream starts failed.
constexpr std::uint16_t kNoRequest = DosRequest(dos_function::kOpen, kOpenAccessMask);

}  // namespace

bool FileStream::IsValidMode(std::uint32_t mode) {
  switch (mode & kRequestMask) {
    case kFileCreate:
    case kFileOpenReadWrite:
    case kFileOpenRead:
    case kFileOpenWrite:
    case kFileCreateNew:
      return true;
    default:
      return false;
  }
}

std::uint16_t FileStream::RequestWord(std::uint32_t mode) {
  const auto share = static_cast<std::uint8_t>((mode >> kShareShift) & kOpenShareMask);
  switch (mode & kRequestMask) {
    case kFileCreate:
      return DosRequest(dos_function::kCreate);
    case kFileCreateNew:
      return DosRequest(dos_function::kCreateNew);
    case kFileOpenReadWrite:
      return DosRequest(dos_function::kOpen, kOpenAccessReadWrite | share);
    case kFileOpenRead:
      return DosRequest(dos_function::kOpen, kOpenAccessRead | share);
    case kFileOpenWrite:
      return DosRequest(dos_function::kOpen, kOpenAccessWrite | share);
    default:
      return kNoRequest;
  }
}

FileStream::FileStream(std::string_view name, std::uint32_t mode)
    : BaseStream(name, mode), file_(Name(), RequestWord(mode)) {
  TakeStatus();
}

void FileStream::Read(void* buffer, std::uint16_t count) {
  file_.Read(buffer, count);
  TakeStatus();
}

void FileStream::Write(const void* buffer, std::uint16_t count) {
  file_.Write(buffer, count);
  TakeStatus();
}

void FileStream::Seek(std::int32_t position) {
  file_.Seek(position);
  TakeStatus();
}

std::int32_t FileStream::GetPos() {
  const std::int32_t position = file_.GetPos();
  TakeStatus();
  return position;
}

std::int32_t FileStream::GetSize() {
  const std::int32_t size = file_.GetSize();
  TakeStatus();
  return size;
}

void FileStream::Flush() {
  file_.Flush();
  TakeStatus();
}

void FileStream::Truncate() {
  file_.Truncate();
  TakeStatus();
}

void FileStream::Reset() {
  file_.SetStatus(StOk, 0);
  TakeStatus();
}

bool FileStream::Lock(std::int32_t position, std::int32_t length) {
  // Only another holder makes the lock wait: where the file system refuses
  // locks altogether, the file is used without them, as the sharing classes
  // are.
  return file_.LockRegion(true, position, length) != platform::dos_error::kLockViolation;
}

void FileStream::Unlock(std::int32_t position, std::int32_t length) {
  file_.LockRegion(false, position, length);
}

}  // namespace kestrel
