// New files whose names are not yet durable. A file created through the
// platform layer gets its name in a directory that still has to be synced:
// the layer notes the handle and that directory, and the first successful
// FlushFileBuffers of the handle syncs the directory too, once. The note
// goes when the handle is closed. Portable: both layers keep their notes
// here and differ only in how they sync.
//
// Built with KESTREL_NO_SYNC (for benchmark comparison only), nothing is
// noted and nothing is ever synced.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace kestrel::platform {

// Whether this build makes anything durable at all.
bool SyncsEnabled();

// Notes that `handle` created its file in `directory` (a path of the layer).
void NoteNewName(FileHandle handle, const std::string& directory);

// Forgets what was noted for `handle` (it is being closed, or its directory
// has been synced).
void ForgetNewName(FileHandle handle);

// The directory whose sync the new name of `handle` still waits for; false
// when it waits for none.
bool PendingDirectoryOf(FileHandle handle, std::string& directory);

}  // namespace kestrel::platform
