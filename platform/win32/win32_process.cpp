// Ending the process on Windows. The exit code keeps all 32 bits.
#include <cstdlib>

#include "platform/console.h"
#include "platform/process.h"

namespace kestrel::platform {

void ExitProcess(int code) {
  ConsoleRestore();
  std::exit(code);
}

}  // namespace kestrel::platform
