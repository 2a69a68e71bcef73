// Moving bytes between two streams in large pieces: a message file is read
// and written with a few big requests instead of one per kilobyte.
#pragma once

#include <cstdint>

#include "msgbase/io/base_stream.h"

namespace kestrel {

// The largest piece moved by one Read and one Write.
inline constexpr std::uint16_t kMsgCopyChunkSize = 32768;

// Reads `count` bytes from `from` at its position and writes them to `to` at
// its position. Stops early only when `from` reports a failed read; the
// statuses of both streams tell the caller how it went.
void CopyStreamBytes(BaseStream& from, BaseStream& to, std::int64_t count);

}  // namespace kestrel
