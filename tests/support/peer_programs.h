// Locating and running the FidoNet peer programs (Debian's crashmail and
// jamnntpd) that the interop tests drive as black boxes.
#pragma once

#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace kestrel::testing {

// Absolute path of an executable found in PATH or in the system binary
// directories (jamnntpd and ip live in /usr/sbin, which a normal user's PATH
// may lack); empty when there is none.
std::string FindProgram(const std::string& name);

// Every peer run is bounded in time so that a hanging peer fails the test
// instead of stopping the suite.
inline constexpr int kPeerTimeoutSeconds = 120;

// Runs a program through `timeout` (when present) so that it is killed after
// kPeerTimeoutSeconds; argv[0] must be an absolute path.
ProgramResult RunPeerProgram(const std::vector<std::string>& argv,
                             const std::string& working_dir = "");

}  // namespace kestrel::testing
