// Opens that fail on purpose, for tests: they show what Kestrel does when a
// file it needs exists but cannot be opened, whoever runs them (a process
// running as root opens files whatever their permissions say).
#pragma once

#include <functional>
#include <string_view>

#include "platform/dos_error.h"

namespace kestrel::platform {

// While set, OpenFile asks `fail` first and fails with the error it returns
// for the path; dos_error::kNone lets the open go on. An empty function ends
// it.
void SetOpenFailureOverride(std::function<DosError(std::string_view path)> fail);

// The error the override gives `path`; dos_error::kNone when none is set.
// Every OpenFile asks it before it reaches the system.
DosError OverriddenOpenFailure(std::string_view path);

}  // namespace kestrel::platform
