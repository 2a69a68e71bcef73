// What kind of file an open handle reads: a regular file, or something that
// only looks like one to a read (a device such as /dev/zero, a FIFO, a
// socket), which may never end or never answer.
#pragma once

#include "platform/dos_error.h"
#include "platform/file_system.h"

namespace kestrel::platform {

// Sets `regular` to whether the open file is a regular file.
DosError IsRegularFile(FileHandle handle, bool& regular);

}  // namespace kestrel::platform
