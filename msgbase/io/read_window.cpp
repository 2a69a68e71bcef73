#include "msgbase/io/read_window.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "msgbase/io/stream_blocks.h"
#include "msgbase/io/stream_status.h"

namespace kestrel {

bool ReadWindow::ReadDirect(BaseStream& stream, std::int64_t offset, void* buffer,
                            std::size_t count) {
  // As the plain stream reads it: errors and short reads show alike.
  stream.Seek(static_cast<std::int32_t>(offset));
  if (stream.Status() != StOk) return false;
  return ReadBlock(stream, buffer, count);
}

bool ReadWindow::Read(BaseStream& stream, std::int64_t file_size, std::int64_t offset, void* buffer,
                      std::size_t count) {
  const std::int64_t end = offset + static_cast<std::int64_t>(count);
  const bool inside =
      offset >= 0 && end <= file_size && file_size <= std::numeric_limits<std::int32_t>::max();
  const std::int64_t aligned = offset - offset % static_cast<std::int64_t>(kAlignment);
  if (!inside || end - aligned > static_cast<std::int64_t>(kSize))
    return ReadDirect(stream, offset, buffer, count);
  if (offset < start_ || end > start_ + static_cast<std::int64_t>(length_)) {
    length_ = 0;
    // At least the range, rounded up to whole alignment units; then twice as
    // much as the last read, up to kSize.
    const std::int64_t needed = (end - aligned + kAlignment - 1) / kAlignment * kAlignment;
    const std::int64_t want = std::max<std::int64_t>(needed, static_cast<std::int64_t>(reach_));
    const auto fill = static_cast<std::size_t>(std::min<std::int64_t>(file_size - aligned, want));
    reach_ = std::min(kSize, static_cast<std::size_t>(want) * 2);
    if (bytes_ == nullptr) bytes_ = std::make_unique_for_overwrite<std::uint8_t[]>(kSize);
    stream.Seek(static_cast<std::int32_t>(aligned));
    if (stream.Status() != StOk || !ReadBlock(stream, bytes_.get(), fill)) {
      // The file is not what its size said: the range alone is read, and
      // fails or succeeds as a plain read would.
      stream.Reset();
      return ReadDirect(stream, offset, buffer, count);
    }
    start_ = aligned;
    length_ = fill;
  }
  if (count > 0) std::memcpy(buffer, bytes_.get() + (offset - start_), count);
  return true;
}

}  // namespace kestrel
