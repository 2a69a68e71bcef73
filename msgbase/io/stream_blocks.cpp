#include "msgbase/io/stream_blocks.h"

#include <algorithm>

#include "msgbase/io/stream_status.h"

namespace kestrel {

bool ReadBlock(BaseStream& stream, void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    const std::size_t n = std::min(count, kLargestTransfer);
    stream.Read(out, static_cast<std::uint16_t>(n));
    out += n;
    count -= n;
  }
  return stream.Status() == StOk;
}

bool WriteBlock(BaseStream& stream, const void* buffer, std::size_t count) {
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  while (count > 0) {
    const std::size_t n = std::min(count, kLargestTransfer);
    stream.Write(in, static_cast<std::uint16_t>(n));
    in += n;
    count -= n;
  }
  return stream.Status() == StOk;
}

}  // namespace kestrel
