// The work of a run once the configuration has been read and checked: the
// scan of the netmail areas.
#pragma once

#include "app/fatal_error.h"
#include "app/log_file.h"
#include "app/mover_config.h"

namespace kestrel {

// Installs the message-base library's stream factories, scans every NETMAIL
// area in order (logging "Scanning", then the found count or "Nothing to
// scan !" for each) and logs "End work.". The first fatal error ends the
// work there and is returned: the failure of an area, or a signal noted
// before the next area begins.
[[nodiscard]] FatalOutcome RunMover(const MoverConfig& config, LogFile& log);

}  // namespace kestrel
