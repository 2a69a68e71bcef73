// Tests that need what only POSIX has (fork, signals such as SIGHUP, file
// permissions and owners, resource limits, pseudo-terminals, strace and the
// Debian FidoNet peers) skip on Windows with the reason; their Windows
// counterparts run there instead.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
namespace kestrel::testing {
// Whether the tests run under Wine rather than on Windows itself.
bool RunningUnderWine();
}  // namespace kestrel::testing

#define KESTREL_SKIP_ON_WINDOWS(reason) GTEST_SKIP() << "not on Windows: " << (reason)
#else
#define KESTREL_SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif
