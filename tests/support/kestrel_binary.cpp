#include <cstdlib>
#include <filesystem>

#include "tests/support/run_program.h"

namespace kestrel::testing {

std::string KestrelBinary() {
#ifdef KESTREL_BINARY_PATH
  std::string path = KESTREL_BINARY_PATH;
#else
  const char* given = std::getenv("KESTREL_BINARY");
  std::string path = given != nullptr ? given : "kestrel";
#endif
#ifdef _WIN32
  // The build names it as its host sees it ("/build/app/kestrel.exe" when
  // cross-built); made absolute, it is a name Windows (or Wine) can start.
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) {
    path = std::filesystem::absolute(path).string();
  }
#endif
  return path;
}

}  // namespace kestrel::testing
