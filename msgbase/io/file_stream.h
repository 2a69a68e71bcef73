// A stream over a file on disk: every operation is forwarded to the owned
// DosFile, whose status the stream then takes over. Nothing is buffered: each
// Read and Write is one system call.
//
// The mode word (32-bit) chooses the request:
//   low byte   01h create (replacing an existing file), 02h open for reading
//              and writing, 04h open for reading only, 08h open for writing
//              only, 10h create a new file (fails when the file exists);
//   second byte the sharing class of an open, in DOS form: 00h compatibility
//              (exclusive), 10h deny all, 20h deny write, 30h deny read,
//              40h deny none. Creation ignores it.
#pragma once

#include <cstdint>
#include <string_view>

#include "msgbase/io/base_stream.h"
#include "msgbase/io/dos_file.h"

namespace kestrel {

// Low byte of the mode word.
inline constexpr std::uint32_t kFileCreate = 0x01;
inline constexpr std::uint32_t kFileOpenReadWrite = 0x02;
inline constexpr std::uint32_t kFileOpenRead = 0x04;
inline constexpr std::uint32_t kFileOpenWrite = 0x08;
inline constexpr std::uint32_t kFileCreateNew = 0x10;
// Second byte of the mode word.
inline constexpr std::uint32_t kFileShareCompatibility = 0x0000;
inline constexpr std::uint32_t kFileShareDenyAll = 0x1000;
inline constexpr std::uint32_t kFileShareDenyWrite = 0x2000;
inline constexpr std::uint32_t kFileShareDenyRead = 0x3000;
inline constexpr std::uint32_t kFileShareDenyNone = 0x4000;

class FileStream : public BaseStream {
 public:
  // Whether the low byte of `mode` names a request at all.
  static bool IsValidMode(std::uint32_t mode);
  // The DosFile request word for a valid mode word (3C00h, 3D02h, ... 5B00h).
  static std::uint16_t RequestWord(std::uint32_t mode);

  // Opens or creates the file; Status() is StInitError when that failed (also
  // for a mode word that names no request: use MakeFileStream, which refuses
  // such a mode).
  FileStream(std::string_view name, std::uint32_t mode);
  // Closes the file.
  ~FileStream() override = default;

  void Read(void* buffer, std::uint16_t count) override;
  void Write(const void* buffer, std::uint16_t count) override;
  void Seek(std::int32_t position) override;
  std::int32_t GetPos() override;
  std::int32_t GetSize() override;
  void Flush() override;
  void Truncate() override;
  void Reset() override;
  bool Lock(std::int32_t position, std::int32_t length) override;
  void Unlock(std::int32_t position, std::int32_t length) override;

  const DosFile& File() const { return file_; }

 private:
  void TakeStatus() { SetStatus(file_.Status()); }

  DosFile file_;
};

}  // namespace kestrel
