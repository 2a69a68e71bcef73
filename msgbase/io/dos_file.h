// A file handle driven by DOS-style requests: the low-level file object under
// every FileStream.
//
// The object is made with a file name and a 16-bit request word whose high
// byte is the DOS function and whose low byte is the DOS open mode:
//   3Ch  create the file, replacing an existing one; opened for reading and
//        writing with sharing class deny none, whatever the low byte says;
//   5Bh  create a new file; fails when the file already exists (nothing that
//        another program created is ever replaced);
//   3Dh  open an existing file (also any other function number). Low byte
//        bits 0-1: access (0 read, 1 write, 2 read and write); bits 4-6:
//        sharing class (0 compatibility, 1 deny all, 2 deny write, 3 deny
//        read, 4 deny none).
// Every request goes through one dispatcher keyed by the DOS function number.
//
// The status is sticky: after the first failure every operation does nothing
// (reads fill the buffer with zeros, GetPos and GetSize return -1) until the
// status is set back to 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "msgbase/io/stream_status.h"
#include "platform/file_system.h"

namespace kestrel {

// DOS function numbers of the requests a DosFile performs.
namespace dos_function {
inline constexpr std::uint8_t kCreate = 0x3C;
inline constexpr std::uint8_t kOpen = 0x3D;
inline constexpr std::uint8_t kClose = 0x3E;
inline constexpr std::uint8_t kRead = 0x3F;
inline constexpr std::uint8_t kWrite = 0x40;  // a count of 0 truncates at the position
inline constexpr std::uint8_t kSeek = 0x42;
inline constexpr std::uint8_t kCreateNew = 0x5B;
inline constexpr std::uint8_t kLockRegion = 0x5C;  // mode 0 locks, 1 unlocks
}  // namespace dos_function

// Fields of the DOS open mode (the low byte of an open request).
inline constexpr std::uint8_t kOpenAccessMask = 0x03;
inline constexpr std::uint8_t kOpenAccessRead = 0x00;
inline constexpr std::uint8_t kOpenAccessWrite = 0x01;
inline constexpr std::uint8_t kOpenAccessReadWrite = 0x02;
inline constexpr std::uint8_t kOpenShareMask = 0x70;
inline constexpr std::uint8_t kOpenShareCompatibility = 0x00;
inline constexpr std::uint8_t kOpenShareDenyAll = 0x10;
inline constexpr std::uint8_t kOpenShareDenyWrite = 0x20;
inline constexpr std::uint8_t kOpenShareDenyRead = 0x30;
inline constexpr std::uint8_t kOpenShareDenyNone = 0x40;

// Builds a request word from a DOS function number and an open mode.
constexpr std::uint16_t DosRequest(std::uint8_t function, std::uint8_t open_mode = 0) {
  return static_cast<std::uint16_t>(function << 8 | open_mode);
}

class DosFile {
 public:
  // Performs the create or open request; on failure Status() is StInitError,
  // ErrorInfo() the system's error code and Handle() invalid.
  DosFile(std::string_view name, std::uint16_t request);
  // Closes the handle if there is one; a failure to close is ignored.
  ~DosFile();
  DosFile(const DosFile&) = delete;
  DosFile& operator=(const DosFile&) = delete;

  // Sets the status (a St* code) and the system's error code behind it.
  void SetStatus(std::int32_t code, std::int32_t info);
  // Makes everything written through this object durable (its data, size
  // and, for a file it created, its name) before returning; the status tells
  // whether that worked. Costs nothing when nothing was written since the
  // last flush and the name is not new.
  void Flush();
  std::int32_t GetPos();
  // The size; the position is kept.
  std::int32_t GetSize();
  // Reads `count` bytes. A failed or short read sets the status and leaves
  // all `count` bytes of the buffer zero; so does any read once the status is
  // not 0.
  void Read(void* buffer, std::uint16_t count);
  // Sets the position from the start; a negative position counts as 0.
  void Seek(std::int32_t position);
  // Ends the file at the position; the position does not move.
  void Truncate();
  // Writes `count` bytes; a count of 0 truncates, as under DOS.
  void Write(const void* buffer, std::uint16_t count);

  // Locks (or unlocks) `length` bytes from `position` against other
  // programs, without waiting (see platform::LockFile). A refused lock is an
  // answer, not a failure of the file: the status does not change.
  platform::DosError LockRegion(bool lock, std::int32_t position, std::int32_t length);

  std::int32_t Status() const { return status_; }
  // The operating system's error code of the failed request (0 for a short
  // read or write).
  std::int32_t ErrorInfo() const { return error_info_; }
  platform::FileHandle Handle() const { return handle_; }

 private:
  // One DOS request: the function number, its arguments and its result.
  struct Request {
    std::uint8_t function = 0;
    std::uint8_t mode = 0;       // open mode (3Dh) or seek method (42h)
    std::string_view name;       // 3Ch, 3Dh, 5Bh
    void* buffer = nullptr;      // 3Fh
    const void* data = nullptr;  // 40h
    std::uint32_t count = 0;     // 3Fh, 40h
    std::int64_t distance = 0;   // 42h; 5Ch: the first byte
    std::int64_t length = 0;     // 5Ch
    std::int64_t result = 0;     // handle, byte count or new position
  };
  platform::DosError Dispatch(Request& request);
  platform::DosError OpenRequest(Request& request);
  // Seeks from `method` (0 start, 1 current, 2 end); on failure sets the
  // status and returns -1.
  std::int64_t SeekRequest(std::int64_t distance, std::uint8_t method);
  // Moves the known position past `done` bytes read or written, or forgets
  // it when the request failed.
  void Advance(platform::DosError error, std::int64_t done);

  std::int32_t status_ = StOk;
  std::int32_t error_info_ = 0;
  platform::FileHandle handle_ = platform::kInvalidFileHandle;
  // Written to (or created) since the last flush.
  bool unflushed_ = false;
  // The handle's position as this object last moved it; -1 when not known
  // (after a failed request). Nothing else moves the handle, so a seek to
  // where it already is, and GetPos, need no system call.
  std::int64_t position_ = -1;
};

}  // namespace kestrel
