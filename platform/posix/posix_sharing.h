// The DOS sharing classes on POSIX. Internal to the POSIX platform layer.
//
// Every open through this layer takes open-file-description locks
// (F_OFD_SETLK) in reserved regions far beyond any real file data: one region
// per access right it holds (read, write) and one per access it denies to
// others (deny read, deny write). Each open locks its own byte within a
// region, so holders never get in each other's way; a test lock over a whole
// region shows whether any other open holds that right or denial. An open
// first takes its own locks and then tests: it fails when another open denies
// an access it asks for, or holds an access it denies. Of two conflicting opens
// racing each other at least one sees the other. An open that denies both
// read and write conflicts with every other open; when it can read, it takes
// one shared lock over all four regions instead of a byte in each.
//
// These locks belong to the open file description: they hold between opens in
// one process as between processes, and go away when the descriptor is
// closed. Software that does not use this layer takes no such locks and is not
// excluded by them. On a file system that refuses locks, files are opened
// without the exclusion.
#pragma once

#include "platform/dos_error.h"
#include "platform/file_system.h"

namespace kestrel::platform::posix {

// Takes the sharing locks for an open of `fd` with this access and sharing
// class (compatibility counts as deny all) and checks them against every
// other open. kSharingViolation on a conflict; the caller then closes `fd`.
// `readable` tells whether `fd` was opened for reading.
DosError TakeSharingLocks(int fd, bool readable, FileAccess access, FileShare share);

// Whether any other open through this layer holds the file open.
bool IsOpenElsewhere(int fd);

}  // namespace kestrel::platform::posix
