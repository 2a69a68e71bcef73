// Byte-range locks on POSIX, as LockFile/UnlockFile give them on Win32, for
// the conventions other programs follow on shared files (a FidoNet tosser
// locks the first byte of a message base while it changes the base).
// Internal to the POSIX platform layer.
//
// They are classic POSIX record locks (fcntl F_SETLK), the kind those
// programs take and test, not the open-file-description locks of the sharing
// classes. Such locks belong to the process, not to the descriptor, and the
// system drops every one the process holds on a file as soon as the process
// closes any descriptor of that file. So that closing some other handle of a
// file never drops a lock taken through another, every descriptor closed by
// this layer goes through CloseDescriptor: while the process holds a record
// lock on the file through a different descriptor, the close is put off until
// the last such lock is released.
#pragma once

#include <cstdint>

#include "platform/dos_error.h"

namespace kestrel::platform::posix {

// Write-locks `length` bytes from `offset`, without waiting: kLockViolation
// when another process holds a lock on any of them.
DosError LockRecord(int fd, std::int64_t offset, std::int64_t length);

// Releases a lock LockRecord took with the same range; closes the
// descriptors put off for it once the file has no lock left.
DosError UnlockRecord(int fd, std::int64_t offset, std::int64_t length);

// Closes a descriptor, or puts the close off (see above). Closing the
// descriptor that holds locks releases them, as the system does.
void CloseDescriptor(int fd);

}  // namespace kestrel::platform::posix
