// The lock other FidoNet software takes while it changes a message base: a
// lock on the first byte of one of the base's files (the .JHR of a JAM base,
// the .SQD of a Squish base). A tosser that finds it taken waits until it is
// free, so a base changed only under it is never changed by two programs at
// once.
//
// The formats hold it for one change at a time (a message written, a message
// deleted, the counters written back), never while the base is merely open,
// which would keep a tosser waiting for the whole run.
#pragma once

#include <cstdint>

#include "msgbase/io/base_stream.h"

namespace kestrel {

// How long a change waits for the lock before it gives up, in milliseconds,
// and how long it sleeps between two tries.
inline constexpr std::int32_t kPeerLockWaitMs = 4000;
inline constexpr std::int32_t kPeerLockRetryMs = 10;

// The LastError of a base whose change gave up waiting for the lock.
inline constexpr std::int32_t kJamBaseLocked = 0x2010;
inline constexpr std::int32_t kSquishBaseLocked = 0x300B;

// Whether a LastError says that another program kept the base locked.
bool IsPeerLockRefusal(std::int32_t last_error);

// Takes the lock on the first byte of `stream`, trying again every
// kPeerLockRetryMs for at most kPeerLockWaitMs while another program holds
// it. False when it is still held then.
bool TakePeerLock(BaseStream& stream);

// Releases the lock TakePeerLock took.
void ReleasePeerLock(BaseStream& stream);

}  // namespace kestrel
