// The names of directories, indexed by their ASCII-folded spelling, so that a
// name given in another case is found without listing its directory on every
// open. Internal to the POSIX platform layer.
//
// A directory's listing is kept with the directory's identity and
// modification time and listed afresh when either has changed. Names found
// in a listing are checked to exist before they are handed out, so a deleted
// file is never resolved to. A name missing from a listing is trusted only
// while the listing is settled, that is, taken well after the directory's
// last change (file systems stamp times coarsely, and a change within the same
// tick would not move the time); otherwise a miss lists the directory again,
// at most once per kRelistInterval, and tries the lower-case spelling
// directly. This process's own creations and deletions update the listing in
// place.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel::platform::posix {

// Finds the entry of `directory` whose name equals `name` ignoring ASCII
// case: the first such entry in byte order. The exact spelling is not looked
// for (callers try it first). `directory` is a native path; "" is the
// current directory.
std::optional<std::string> FindNameIgnoringCase(const std::string& directory,
                                                std::string_view name);

// Tells the cache that this process created or removed an entry.
void NoteNameAdded(const std::string& directory, const std::string& name);
void NoteNameRemoved(const std::string& directory, const std::string& name);

}  // namespace kestrel::platform::posix
