#include "msgbase/msgdir/msg_stream_copy.h"

#include <algorithm>
#include <vector>

namespace kestrel {

void CopyStreamBytes(BaseStream& from, BaseStream& to, std::int64_t count) {
  if (count <= 0) return;
  std::vector<char> buffer(
      static_cast<std::size_t>(std::min<std::int64_t>(count, kMsgCopyChunkSize)));
  while (count > 0) {
    const auto piece = static_cast<std::uint16_t>(std::min<std::int64_t>(count, kMsgCopyChunkSize));
    from.Read(buffer.data(), piece);
    if (from.Status() != StOk) return;
    to.Write(buffer.data(), piece);
    count -= piece;
  }
}

}  // namespace kestrel
