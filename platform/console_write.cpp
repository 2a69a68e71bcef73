// Text to the console: standard output, byte for byte, flushed at once so
// that it shows before a long step. The same on every system; colour,
// cursor and terminal detection are each system layer's.
#include <cstdio>

#include "platform/console.h"

namespace kestrel::platform {

void ConsoleWrite(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void ConsoleWriteLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace kestrel::platform
