// A stream in memory, kept in a chain of blocks of 8192 bytes: the text of an
// open message, and the scratch space for rebuilding index files.
//
// The capacity (the bytes held in blocks) grows and shrinks in whole blocks:
// setting it for N bytes rounds up to the next multiple of 8192 strictly above
// N, grows the tail block to a full block or appends new blocks, and shrinks by
// freeing tail blocks or cutting the last one (which may so stay in the chain
// with length 0). The first block is never freed.
//
// The size is the logical end: the highest position written, or the position
// of the last Truncate. Reads never return bytes beyond the size. A memory
// stream never fails: its status stays StOk, and Reset is not offered.
#pragma once

#include <cstdint>
#include <vector>

#include "msgbase/io/base_stream.h"

namespace kestrel {

inline constexpr std::int32_t kMemBlockSize = 8192;

class MemStream : public BaseStream {
 public:
  // One block of length 0; position, capacity and size 0; no name, mode 0.
  MemStream();
  ~MemStream() override = default;

  // Reserves the room first, then copies as every stream does.
  void CopyFrom(BaseStream& source, std::int32_t count) override;
  // Copies the bytes from the position on, up to the size; the part of the
  // buffer beyond the size is filled with zeros. The position advances by the
  // bytes actually copied.
  void Read(void* buffer, std::uint16_t count) override;
  // Writes at the position, growing the capacity as needed. Writing past the
  // size fills the gap with zeros.
  void Write(const void* buffer, std::uint16_t count) override;
  // A negative position counts as 0.
  void Seek(std::int32_t position) override;
  std::int32_t GetPos() override { return position_; }
  std::int32_t GetSize() override { return size_; }
  void Flush() override {}
  // The size becomes the position; the capacity is set for the position.
  void Truncate() override;
  // Not offered: raises run-time failure 217.
  void Reset() override;

 private:
  // Grows or shrinks the block chain so that it holds room for `n` bytes
  // (rounded up as described above). Memory exhaustion, or a capacity past
  // what 32-bit positions reach, is run-time failure 203.
  void SetCapacity(std::int64_t n);
  // Makes room for `end` bytes and moves the size up to `end`, zeroing the
  // bytes between the old size and `from`.
  void ExtendTo(std::int64_t from, std::int64_t end);
  void Fill(std::int64_t at, std::int64_t count);

  // Every block but a zero-length tail block holds kMemBlockSize bytes, so a
  // position's block is found by division.
  std::vector<std::vector<std::uint8_t>> blocks_;
  std::int32_t position_ = 0;
  std::int32_t capacity_ = 0;
  std::int32_t size_ = 0;
};

}  // namespace kestrel
