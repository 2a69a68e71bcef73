// The work of a run once the configuration has been read and checked: the
// scan of the netmail areas.
#pragma once

#include "app/log_file.h"
#include "app/mover_config.h"

namespace kestrel {

// Installs the message-base library's stream factories, scans every NETMAIL
// area in order (logging "Scanning", then the found count or "Nothing to
// scan !" for each), logs "End work." and returns exit code 0. A fatal error
// in any area ends the process there (exit code 255).
int RunMover(const MoverConfig& config, LogFile& log);

}  // namespace kestrel
