// Console-only messages, for the moments before the log exists and for the
// log's own failures.
#pragma once

#include <string_view>

namespace kestrel {

// The exit code of every failure the mover reports itself.
inline constexpr int kFatalErrorExitCode = 255;

// "Error: " + message on the console, then the process ends with exit code 255.
[[noreturn]] void ConsoleError(std::string_view message);

// "Warning: " + message on the console.
void ConsoleWarning(std::string_view message);

// The message on the console, then the process ends with `code`.
[[noreturn]] void ConsoleAbort(int code, std::string_view message);

}  // namespace kestrel
