// The message numbers of *.MSG directories as this process last listed them,
// so that an area opened again and again (a destination area is opened once
// for every message copied into it) is not listed anew while its directory
// has not changed: without this, filling an area of n messages would read
// n^2/2 directory entries.
//
// A listing is kept with the directory's stamp (identity and time of its last
// change) taken before it was listed, and only when the stamp was the same
// after the listing; it is handed out while the directory's stamp is still
// that one. A file this process creates in the directory is added to the
// kept listing when the listing was current just before; any other change of
// this process drops it. (A change made by another program in the same tick
// of the file system's clock as the directory's last change would leave the
// stamp as it was; systems that give out a finer stamp once one has been
// looked at, as Linux does from 6.13 on for the common file systems, see
// every change.)
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "msgbase/msgdir/msg_number_set.h"
#include "platform/file_system.h"

namespace kestrel {

// What a listing of a *.MSG directory tells.
struct MsgDirListing {
  MsgNumberSet numbers;
  std::int32_t highest = 0;
  // Numbers whose file is named "<n>.msg"; the names of the files named in
  // another case ("<n>.MSG"); numbers with more than one file (names that
  // differ in case only).
  MsgNumberSet lower_case_names;
  std::map<std::int32_t, std::string> other_case_names;
  MsgNumberSet other_spellings;
  // Entries named like a message that are not taken for one: a name that
  // is not the plain "<n>.msg" (00017.msg, +17.msg, 17.5.msg) or an entry
  // that is no regular file (a link, a directory, a device).
  std::int32_t skipped = 0;
  // Message files numbered kMsgNumberLimit or above, which the set cannot
  // hold: they are never visited.
  std::int32_t beyond_limit = 0;
};

// The listing kept for `directory` (its full path) if the directory's stamp
// is still `stamp`; null otherwise.
const MsgDirListing* FindKeptListing(const std::string& directory,
                                     const platform::DirectoryStamp& stamp);

// Keeps a listing of `directory` whose stamp was `stamp` before and after it
// was taken.
void KeepListing(const std::string& directory, const platform::DirectoryStamp& stamp,
                 const MsgDirListing& listing);

// This process created the file "<number>.msg" in `directory`, whose stamp
// was `before` just before and is `after` now.
void NoteMessageFileCreated(const std::string& directory, const platform::DirectoryStamp& before,
                            const platform::DirectoryStamp& after, std::int32_t number);

// This process changed `directory` in another way: its kept listing goes.
void ForgetListing(const std::string& directory);

}  // namespace kestrel
