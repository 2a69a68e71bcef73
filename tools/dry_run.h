// What a run would do to each message, found without changing anything.
#pragma once

#include <ostream>

#include "tools/config_check.h"

namespace kestrel::check {

// Opens each netmail area read-only (InstallReadOnlyFiles must have been
// called), tests every message with Kestrel's rule matcher and writes one
// line per message (the rule that matches and the action: copy to, move to,
// kill, not touched, no rule) and the totals of the area. Every message of
// the area is tested, as a run without resume state would. An area or a
// message that cannot be read is an error finding.
void DryRun(const CheckedConfig& checked, Findings& findings, std::ostream& out);

}  // namespace kestrel::check
