// The abstract stream every message-base format programs against: files on
// disk and message text in memory look the same to the formats.
//
// A stream keeps a sticky status: once an operation has failed, the status
// stays non-zero (and a file stream ignores further operations) until Reset.
// Callers test Status() after opening and after the operations that matter.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "msgbase/io/stream_status.h"

namespace kestrel {

// The largest number of bytes CopyFrom moves with one Read and one Write.
inline constexpr std::int32_t kCopyChunkSize = 1024;

class BaseStream {
 public:
  // Keeps a copy of the name and the mode word, then calls OnStreamInit.
  BaseStream(std::string_view name, std::uint32_t mode);
  BaseStream(const BaseStream&) = delete;
  BaseStream& operator=(const BaseStream&) = delete;

  // Calls OnStreamDone and releases everything the stream owns.
  virtual ~BaseStream();
  // Appends `count` bytes read from `source` at its position to this stream at
  // its position, in chunks of at most kCopyChunkSize bytes. Neither status is
  // looked at: a failing source yields zero bytes, and those are written.
  virtual void CopyFrom(BaseStream& source, std::int32_t count);
  // Reads `count` bytes at the position into `buffer` and advances.
  virtual void Read(void* buffer, std::uint16_t count) = 0;
  // Writes `count` bytes from `buffer` at the position and advances.
  virtual void Write(const void* buffer, std::uint16_t count) = 0;
  virtual void Seek(std::int32_t position) = 0;
  virtual std::int32_t GetPos() = 0;
  virtual std::int32_t GetSize() = 0;
  // Makes what was written durable: a file stream returns once its data, and
  // the name of a file it created, are on disk (the status tells whether
  // that worked); a memory stream has nothing to do. Formats call it where
  // the order of their changes on disk matters, not after every write.
  virtual void Flush() = 0;
  // Ends the stream at the current position.
  virtual void Truncate() = 0;
  // Clears the status to StOk.
  virtual void Reset() = 0;
  // Locks `length` bytes from `position` against other programs, without
  // waiting: false when another program holds any of them. The status does
  // not change. A stream with no file behind it, or on a file system that
  // refuses locks, has nothing to lock and succeeds.
  virtual bool Lock(std::int32_t position, std::int32_t length);
  // Releases what Lock locked with the same position and length.
  virtual void Unlock(std::int32_t position, std::int32_t length);

  std::int32_t Status() const { return status_; }
  // The mode word the stream was made with (0 for a memory stream).
  std::uint32_t Mode() const { return mode_; }
  // The file name (empty for a memory stream).
  const std::string& Name() const { return name_; }

 protected:
  void SetStatus(std::int32_t status) { status_ = status; }

 private:
  std::int32_t status_ = StOk;
  std::uint32_t mode_;
  std::string name_;
};

}  // namespace kestrel
