// What makes written data durable on POSIX: fdatasync for a file's data and
// size, fsync of its directory for a name added or removed. Internal to the
// POSIX platform layer.
//
// A file created through this layer has a name that is not yet durable: the
// layer notes it (platform/new_names.h), and FlushFileBuffers of its handle
// syncs the directory as well, once.
//
// Built with KESTREL_NO_SYNC (for benchmark comparison only), nothing is ever
// synced.
#pragma once

#include <string>

#include "platform/dos_error.h"

namespace kestrel::platform::posix {

// Syncs the entries of the directory at the native path `directory`.
DosError SyncDirectory(const std::string& directory);

}  // namespace kestrel::platform::posix
