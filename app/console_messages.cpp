#include "app/console_messages.h"

#include <string>

#include "platform/console.h"

namespace kestrel {

void ConsoleError(std::string_view message) {
  platform::ConsoleWriteLine("Error: " + std::string(message));
}

void ConsoleWarning(std::string_view message) {
  platform::ConsoleWriteLine("Warning: " + std::string(message));
}

}  // namespace kestrel
