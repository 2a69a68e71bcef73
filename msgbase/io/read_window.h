// Reads of a file that nobody but its owner writes while it is open, served
// from one window of the file read ahead in a single call. Squish and JAM
// bases hold their files deny-write, so the frames, headers and texts of a
// scan, which lie one after the other, come from a handful of large reads
// instead of a seek and a read each. The owner forgets the window whenever
// it writes to the file. A window starts small and doubles with every read
// past it, up to kSize: a base opened to add one message reads its header,
// not 64 KB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "msgbase/io/base_stream.h"

namespace kestrel {

class ReadWindow {
 public:
  // Windows start at multiples of kAlignment and hold up to kSize bytes.
  static constexpr std::size_t kSize = 65536;
  static constexpr std::size_t kAlignment = 4096;

  // Reads `count` bytes at `offset` of `stream`, whose size is `file_size`.
  // A range inside the file comes from the window, which is read anew
  // around `offset` when it does not hold the range; a range the window
  // cannot hold, or one reaching past `file_size`, is read directly. False
  // when a read failed or came up short (the stream's status tells which).
  bool Read(BaseStream& stream, std::int64_t file_size, std::int64_t offset, void* buffer,
            std::size_t count);
  // Drops what the window holds.
  void Forget() { length_ = 0; }

 private:
  static bool ReadDirect(BaseStream& stream, std::int64_t offset, void* buffer, std::size_t count);

  // The bytes read (kSize, not set until read); the most one read fills.
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t reach_ = kAlignment;
  std::int64_t start_ = 0;
  std::size_t length_ = 0;
};

}  // namespace kestrel
