// System calls that a signal may interrupt before they have done anything.
#pragma once

#include <cerrno>

namespace kestrel::platform::posix {

// Calls `call` again for as long as it fails (a negative result) with EINTR:
// a signal noted for later must not turn into an I/O error.
template <typename Call>
auto RetryOnInterrupt(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

}  // namespace kestrel::platform::posix
