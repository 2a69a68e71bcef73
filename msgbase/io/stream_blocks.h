// Moving blocks larger than one stream call can carry (a Read or Write moves
// at most 65535 bytes), with as few calls as the stream allows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "msgbase/io/base_stream.h"

namespace kestrel {

// The largest count one Read or Write carries.
inline constexpr std::size_t kLargestTransfer = 0xFFFF;

// Reads `count` bytes at the stream's position. False when the stream's
// status is not StOk afterwards (the buffer then holds zeros where the read
// failed).
bool ReadBlock(BaseStream& stream, void* buffer, std::size_t count);

// Writes `count` bytes at the stream's position; nothing at all for a count
// of 0 (a write of 0 bytes would truncate a file). False when the stream's
// status is not StOk afterwards.
bool WriteBlock(BaseStream& stream, const void* buffer, std::size_t count);

}  // namespace kestrel
