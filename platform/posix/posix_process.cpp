// Ending the process on POSIX.
#include <cstdlib>

#include "platform/console.h"
#include "platform/process.h"

namespace kestrel::platform {

void ExitProcess(int code) {
  ConsoleRestore();
  std::exit(code);
}

}  // namespace kestrel::platform
