// The open data file (.SQD) of a Squish base: reads and writes at offsets in
// as few system calls as the stream allows, with every read checked against
// the real size of the file first, so damaged offsets and lengths are found
// before any byte is read rather than through a failed read. The base holds
// the file deny-write, so reads are served from a window read ahead in large
// pieces (the frames of a scan lie one after the other); every write drops
// it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "msgbase/io/base_stream.h"
#include "msgbase/io/read_window.h"
#include "msgbase/squish/squish_frame_header.h"

namespace kestrel::squish {

// The largest offset a stream position reaches (positions are signed 32-bit).
inline constexpr std::int64_t kMaxFileOffset = 0x7FFFFFFF;

class SquishDataFile {
 public:
  // Takes an open stream and learns its size.
  explicit SquishDataFile(std::unique_ptr<BaseStream> stream);

  BaseStream& stream() { return *stream_; }
  // False once a seek, read or write of the file has failed, or a write was
  // refused because it would reach past the largest offset.
  bool Ok() const { return !refused_ && stream_->Status() == 0; }

  // The size of the file as this object knows it: the size at open, grown by
  // every write past it.
  std::int64_t Size() const { return size_; }

  // Whether [offset, offset + length) lies inside the file. When it seems
  // not to, the size is asked of the file once more (another program may
  // have appended).
  bool Holds(std::int64_t offset, std::int64_t length);

  // Drops what was read ahead and asks the size again: another program may
  // have changed the file.
  void Refresh();

  // Reads `length` bytes at `offset`; false, leaving the buffer undefined,
  // when the range is not inside the file or the read failed.
  bool ReadAt(std::int64_t offset, std::uint8_t* buffer, std::size_t length);
  // Reads on from where the last successful read ended, as ReadAt.
  bool ReadOn(std::uint8_t* buffer, std::size_t length);
  // Writes at `offset` (positions up to kMaxFileOffset); the stream status
  // tells whether it worked.
  void WriteAt(std::int64_t offset, const std::uint8_t* data, std::size_t length);
  // Continues writing where the last write ended.
  void WriteMore(const std::uint8_t* data, std::size_t length);
  // Cuts the file back to `size` after a write past its end failed (a full
  // disk), so that no piece of that write stays behind the last frame. The
  // status stays failed: the failure is still to be reported.
  void CutBackTo(std::int64_t size);

  // The frame header at `offset`; false when the offset cannot hold one
  // (below the base header, or not inside the file) or the read failed.
  bool ReadFrameHeader(std::uint32_t offset, SquishFrameHeader& header);
  void WriteFrameHeader(std::uint32_t offset, const SquishFrameHeader& header);

 private:
  std::unique_ptr<BaseStream> stream_;
  ReadWindow window_;
  std::int64_t size_ = 0;
  std::int64_t write_end_ = 0;
  std::int64_t read_end_ = -1;
  bool refused_ = false;
};

}  // namespace kestrel::squish
