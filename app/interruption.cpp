#include "app/interruption.h"

namespace kestrel {

std::string InterruptionMessage(std::string_view signal, std::string_view where) {
  return "Interrupted by signal " + std::string(signal) + "; stopped " + std::string(where) + ".";
}

}  // namespace kestrel
