// Console-only messages, for the moments before the log exists and for the
// log's own failures.
#pragma once

#include <string_view>

namespace kestrel {

// "Error: " + message on the console.
void ConsoleError(std::string_view message);

// "Warning: " + message on the console.
void ConsoleWarning(std::string_view message);

}  // namespace kestrel
