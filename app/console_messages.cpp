#include "app/console_messages.h"

#include <string>

#include "platform/console.h"
#include "platform/process.h"

namespace kestrel {

void ConsoleError(std::string_view message) {
  platform::ConsoleWriteLine("Error: " + std::string(message));
  platform::ExitProcess(kFatalErrorExitCode);
}

void ConsoleWarning(std::string_view message) {
  platform::ConsoleWriteLine("Warning: " + std::string(message));
}

void ConsoleAbort(int code, std::string_view message) {
  platform::ConsoleWriteLine(message);
  platform::ExitProcess(code);
}

}  // namespace kestrel
