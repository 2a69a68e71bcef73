// Ending the process.
#pragma once

namespace kestrel::platform {

// Restores the console and ends the process with the exit code.
[[noreturn]] void ExitProcess(int code);

}  // namespace kestrel::platform
