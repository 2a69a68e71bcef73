// The kestrel binary run under strace, for the tests that stop it at a chosen
// system call: strace delivers a signal (SIGKILL for a crash, SIGTERM and the
// like for an interruption) as the run makes the N-th call of a kind, so the
// point is the same on every machine, whatever its load.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kestrel::testing {

inline constexpr char kStrace[] = "/usr/bin/strace";

bool StraceInstalled();

// strace's command line for "kestrel kestrel.cfg", following forks, tracing
// the calls `traced` (comma-separated) into `trace_file` and, when `inject`
// is not empty, tampering with them as it says ("write:signal=SIGTERM:when=7").
// `options` go to strace as they are (say "-y" to show file names).
std::vector<std::string> TracedKestrel(const std::string& trace_file, const std::string& traced,
                                       const std::string& inject = "",
                                       const std::vector<std::string>& options = {});

// How often each of `calls` occurs in an strace log of them.
std::map<std::string, int> CountCalls(const std::string& trace,
                                      const std::vector<std::string>& calls);

}  // namespace kestrel::testing
