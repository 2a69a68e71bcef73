#include "msgbase/io/dos_file.h"

#include <cstring>
#include <iterator>
#include <limits>

namespace kestrel {

namespace {

using platform::DosError;
namespace dos_error = platform::dos_error;

constexpr std::uint8_t kSeekFromStart = 0;
constexpr std::uint8_t kSeekFromCurrent = 1;
constexpr std::uint8_t kSeekFromEnd = 2;

constexpr std::uint8_t kLockMode = 0;
constexpr std::uint8_t kUnlockMode = 1;

// Positions and sizes are 32-bit signed numbers; a file past 2 GiB cannot be
// described and counts as a failed request.
constexpr std::int64_t kLargestPosition = std::numeric_limits<std::int32_t>::max();

platform::SeekOrigin OriginOf(std::uint8_t method) {
  switch (method) {
    case kSeekFromCurrent:
      return platform::SeekOrigin::kCurrent;
    case kSeekFromEnd:
      return platform::SeekOrigin::kEnd;
    default:
      return platform::SeekOrigin::kBegin;
  }
}

}  // namespace

DosFile::DosFile(std::string_view name, std::uint16_t request) {
  Request open;
  open.function = static_cast<std::uint8_t>(request >> 8);
  open.mode = static_cast<std::uint8_t>(request & 0xFF);
  open.name = name;
  const DosError error = Dispatch(open);
  if (error != dos_error::kNone) {
    SetStatus(StInitError, static_cast<std::int32_t>(error));
    handle_ = platform::kInvalidFileHandle;
    return;
  }
  handle_ = static_cast<platform::FileHandle>(open.result);
  position_ = 0;
  // A created file's name is new (or its old content gone): the first flush
  // makes that durable even when nothing is written.
  unflushed_ = open.function == dos_function::kCreate || open.function == dos_function::kCreateNew;
}

DosFile::~DosFile() {
  if (handle_ == platform::kInvalidFileHandle) return;
  Request close;
  close.function = dos_function::kClose;
  Dispatch(close);
}

void DosFile::SetStatus(std::int32_t code, std::int32_t info) {
  status_ = code;
  error_info_ = info;
}

void DosFile::Flush() {
  if (status_ != StOk || !unflushed_) return;
  const DosError error = platform::FlushFileBuffers(handle_);
  if (error != dos_error::kNone) {
    SetStatus(StError, static_cast<std::int32_t>(error));
    return;
  }
  unflushed_ = false;
}

std::int32_t DosFile::GetPos() {
  if (status_ != StOk) return -1;
  if (position_ >= 0) return static_cast<std::int32_t>(position_);
  return static_cast<std::int32_t>(SeekRequest(0, kSeekFromCurrent));
}

std::int32_t DosFile::GetSize() {
  if (status_ != StOk) return -1;
  // What a seek to the end and back would tell, in one query.
  std::int64_t size = -1;
  DosError error = platform::GetFileSize(handle_, size);
  if (error == dos_error::kNone && size > kLargestPosition) error = dos_error::kSeekError;
  if (error != dos_error::kNone) {
    SetStatus(StError, static_cast<std::int32_t>(error));
    return -1;
  }
  return static_cast<std::int32_t>(size);
}

void DosFile::Read(void* buffer, std::uint16_t count) {
  if (status_ == StOk) {
    Request read;
    read.function = dos_function::kRead;
    read.buffer = buffer;
    read.count = count;
    const DosError error = Dispatch(read);
    Advance(error, read.result);
    if (error != dos_error::kNone) {
      SetStatus(StError, static_cast<std::int32_t>(error));
    } else if (read.result < count) {
      SetStatus(StReadError, 0);
    } else {
      return;
    }
  }
  if (count > 0) std::memset(buffer, 0, count);
}

void DosFile::Seek(std::int32_t position) {
  if (status_ != StOk) return;
  if (position_ == (position < 0 ? 0 : position)) return;
  SeekRequest(position < 0 ? 0 : position, kSeekFromStart);
}

void DosFile::Truncate() {
  Write(nullptr, 0);
}

void DosFile::Write(const void* buffer, std::uint16_t count) {
  if (status_ != StOk) return;
  unflushed_ = true;
  Request write;
  write.function = dos_function::kWrite;
  write.data = buffer;
  write.count = count;
  const DosError error = Dispatch(write);
  if (count > 0) Advance(error, write.result);
  if (error != dos_error::kNone) {
    SetStatus(StError, static_cast<std::int32_t>(error));
  } else if (write.result < count) {
    SetStatus(StWriteError, 0);
  }
}

std::int64_t DosFile::SeekRequest(std::int64_t distance, std::uint8_t method) {
  Request seek;
  seek.function = dos_function::kSeek;
  seek.mode = method;
  seek.distance = distance;
  DosError error = Dispatch(seek);
  if (error == dos_error::kNone && seek.result > kLargestPosition) error = dos_error::kSeekError;
  if (error != dos_error::kNone) {
    position_ = -1;
    SetStatus(StError, static_cast<std::int32_t>(error));
    return -1;
  }
  position_ = seek.result;
  return seek.result;
}

void DosFile::Advance(DosError error, std::int64_t done) {
  if (error != dos_error::kNone || position_ < 0) {
    position_ = -1;
  } else {
    position_ += done;
  }
}

DosError DosFile::LockRegion(bool lock, std::int32_t position, std::int32_t length) {
  if (handle_ == platform::kInvalidFileHandle) return dos_error::kInvalidHandle;
  Request region;
  region.function = dos_function::kLockRegion;
  region.mode = lock ? kLockMode : kUnlockMode;
  region.distance = position;
  region.length = length;
  return Dispatch(region);
}

DosError DosFile::Dispatch(Request& request) {
  request.result = 0;
  switch (request.function) {
    case dos_function::kClose:
      platform::CloseFile(handle_);
      handle_ = platform::kInvalidFileHandle;
      return dos_error::kNone;
    case dos_function::kRead: {
      std::uint32_t done = 0;
      const DosError error = platform::ReadFile(handle_, request.buffer, request.count, done);
      request.result = done;
      return error;
    }
    case dos_function::kWrite: {
      if (request.count == 0) return platform::SetEndOfFile(handle_);
      std::uint32_t done = 0;
      const DosError error = platform::WriteFile(handle_, request.data, request.count, done);
      request.result = done;
      return error;
    }
    case dos_function::kSeek:
      return platform::SeekFile(handle_, request.distance, OriginOf(request.mode), request.result);
    case dos_function::kLockRegion:
      if (request.mode == kLockMode)
        return platform::LockFile(handle_, request.distance, request.length);
      return platform::UnlockFile(handle_, request.distance, request.length);
    default:
      return OpenRequest(request);
  }
}

DosError DosFile::OpenRequest(Request& request) {
  // The open mode's access field (bits 0-1) and sharing field (bits 4-6), in
  // DOS order; other values are invalid.
  static constexpr platform::FileAccess kAccess[] = {
      platform::FileAccess::kRead, platform::FileAccess::kWrite, platform::FileAccess::kReadWrite};
  static constexpr platform::FileShare kShare[] = {
      platform::FileShare::kCompatibility, platform::FileShare::kDenyAll,
      platform::FileShare::kDenyWrite, platform::FileShare::kDenyRead,
      platform::FileShare::kDenyNone};
  platform::FileHandle handle = platform::kInvalidFileHandle;
  DosError error = dos_error::kNone;
  if (request.function == dos_function::kCreate) {
    error = platform::CreateFile(request.name, handle);
  } else if (request.function == dos_function::kCreateNew) {
    error = platform::CreateNewFile(request.name, handle);
  } else {
    const std::size_t access = request.mode & kOpenAccessMask;
    const std::size_t share = (request.mode & kOpenShareMask) >> 4;
    if (access >= std::size(kAccess) || share >= std::size(kShare)) {
      return dos_error::kInvalidAccess;
    }
    error = platform::OpenFile(request.name, kAccess[access], kShare[share], handle);
  }
  request.result = handle;
  return error;
}

}  // namespace kestrel
