// Whether the areas a configuration names are there: a netmail area must
// exist; a destination is created at its first copy.
#pragma once

#include <string>

#include "tools/config_check.h"

namespace kestrel::check {

enum class AreaState { kExists, kMissing, kNoArea };

// Looks the area up through the message-base library, as Kestrel opens it
// (relative paths count from the current directory).
AreaState StateOfArea(const std::string& id);

// An error for each netmail area that does not exist, a note for each
// destination that does not exist yet.
void CheckAreas(CheckedConfig& checked);

}  // namespace kestrel::check
