// The copier: writes a full copy of the open source message into the area a
// rule names.
#pragma once

#include <string>

#include "app/current_header.h"
#include "app/fatal_error.h"
#include "app/log_file.h"
#include "msgbase/message_base.h"

namespace kestrel {

// The error for an area another program kept locked longer than a change
// waits for it.
std::string LockedAreaError(const std::string& area);

// The log mark of the copy entry.
inline constexpr char kCopyMark = '+';

// Copies the open message of `source` into the area named by `destination`
// (an area identifier): the area is opened, or created when it does not
// exist, for this one message and closed again. The copy gets the names and
// subject of `header`, the addresses read again from the source, both dates,
// the attributes private to update request one by one (without Sent when
// `mark_unsent`), and the source text byte for byte, kludge lines included.
// `header.msgOrig` and `header.msgDest` are refreshed. The source's text is
// handed over to the copy: afterwards the source message has no text (its
// header is still there, and it can be closed and deleted).
//
// Nothing when the copy is stored, else the fatal error: the area cannot be
// opened or created, the message cannot be created, or it was not stored,
// or another program kept the area locked (LockedAreaError). The caller
// ends the run with it; the source is untouched.
[[nodiscard]] FatalOutcome CopyToDestination(MessageBase& source, const std::string& destination,
                                             CurrentHeader& header, bool mark_unsent, LogFile& log);

}  // namespace kestrel
