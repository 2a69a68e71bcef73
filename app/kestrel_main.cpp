#include "app/kestrel_main.h"

#include "platform/console.h"

namespace kestrel {

int KestrelMain(int /*argc*/, char** /*argv*/) {
  platform::ConsoleInit();
  platform::ConsoleRestore();
  return 0;
}

}  // namespace kestrel
