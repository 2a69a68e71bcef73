// The 256-byte base header at the start of a Squish data file.
//
// The header is kept as the bytes of the file, so fields this program never
// uses (skip count, high-water mark, maximum messages, keep days, reserved
// bytes) are written back exactly as they were read. Every field is reached
// through its named offset.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "msgbase/squish/squish_layout.h"

namespace kestrel::squish {

// The two ends of a doubly linked chain of frames, as the base header keeps
// them (0 = none).
struct ChainEnds {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
};

class SquishBaseHeader {
 public:
  using Bytes = std::array<std::uint8_t, kBaseHeaderSize>;

  // All zeros.
  SquishBaseHeader() = default;

  // The header of a new, empty base: header length 256, next unique id 1,
  // end of data 256, maximum messages 65535, keep days 32767, the frame
  // header size 28 at offset 130 (the value other Squish software reads to
  // find a message header), and the base name cut to 79 characters.
  static SquishBaseHeader Fresh(std::string_view base_name);

  Bytes& bytes() { return bytes_; }
  const Bytes& bytes() const { return bytes_; }

  std::uint32_t NumMessages() const { return Get(kNumMessagesOffset); }
  void SetNumMessages(std::uint32_t n) { Put(kNumMessagesOffset, n); }
  std::uint32_t HighMessage() const { return Get(kHighMessageOffset); }
  void SetHighMessage(std::uint32_t n) { Put(kHighMessageOffset, n); }
  std::uint32_t NextUniqueId() const { return Get(kNextUniqueIdOffset); }
  void SetNextUniqueId(std::uint32_t id) { Put(kNextUniqueIdOffset, id); }
  std::uint32_t EndOfData() const { return Get(kEndOfDataOffset); }
  void SetEndOfData(std::uint32_t offset) { Put(kEndOfDataOffset, offset); }

  ChainEnds MessageChain() const;
  void SetMessageChain(const ChainEnds& ends);
  ChainEnds FreeChain() const;
  void SetFreeChain(const ChainEnds& ends);

 private:
  std::uint32_t Get(std::size_t offset) const;
  void Put(std::size_t offset, std::uint32_t value);

  Bytes bytes_{};
};

}  // namespace kestrel::squish
