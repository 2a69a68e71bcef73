// The system's own local clock, as each system layer reads it. Callers use
// GetLocalTime (platform/clock.h), which a test may replace.
#pragma once

#include "platform/clock.h"

namespace kestrel::platform {

LocalTime ReadSystemClock();

}  // namespace kestrel::platform
