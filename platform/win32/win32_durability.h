// What makes written data durable on Windows: FlushFileBuffers of the file
// for its data and size, and of its directory (opened as a directory handle)
// for a name added or removed. Internal to the Win32 platform layer.
//
// A file created through this layer is noted (platform/new_names.h);
// FlushFileBuffers of its handle flushes the directory as well, once, as
// the POSIX build syncs the directory of a new file. Where the file system
// offers no flush of a directory (it refuses the call, as FAT and many
// network redirectors do), there is nothing more a program can ask for: the
// file system's own journal or write-through decides, and the flush counts as
// done.
//
// Built with KESTREL_NO_SYNC (for benchmark comparison only), nothing is
// ever flushed.
#pragma once

#include <string>

#include "platform/dos_error.h"
#include "platform/file_system.h"

namespace kestrel::platform::win32 {

// Flushes the entries of the directory at `directory`.
DosError SyncDirectory(const std::string& directory);

}  // namespace kestrel::platform::win32
