// The work of a run once the configuration has been read and checked: the
// scan of the netmail areas.
#pragma once

#include "app/log_file.h"
#include "app/mover_config.h"

namespace kestrel {

// Scans the netmail areas by the rules and returns the exit code.
int RunMover(const MoverConfig& config, LogFile& log);

}  // namespace kestrel
