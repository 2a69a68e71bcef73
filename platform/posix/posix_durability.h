// What makes written data durable on POSIX: fdatasync for a file's data and
// size, fsync of its directory for a name added or removed. Internal to the
// POSIX platform layer.
//
// A file created through this layer has a name that is not yet durable: the
// layer notes the handle and its directory, and FlushFileBuffers of that
// handle syncs the directory as well, once. The note goes away with the
// handle.
//
// Built with KESTREL_NO_SYNC (for benchmark comparison only), nothing is ever
// synced.
#pragma once

#include <string>

#include "platform/dos_error.h"

namespace kestrel::platform::posix {

// Notes that `fd` created its file in `directory` (a native path).
void NoteNewName(int fd, const std::string& directory);

// Forgets what was noted for `fd` (it is being closed).
void ForgetHandle(int fd);

// Syncs the entries of the directory at the native path `directory`.
DosError SyncDirectory(const std::string& directory);

}  // namespace kestrel::platform::posix
