#include "tests/crash/traced_kestrel.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/run_program.h"

namespace kestrel::testing {

bool StraceInstalled() {
  return std::filesystem::exists(kStrace);
}

std::vector<std::string> TracedKestrel(const std::string& trace_file, const std::string& traced,
                                       const std::string& inject,
                                       const std::vector<std::string>& options) {
  // No --seccomp-bpf: with it, strace 6.1 does not inject. A sanitized
  // binary's leak checker cannot run under ptrace: it is switched off there.
  const char* asan_options = std::getenv("ASAN_OPTIONS");
  const std::string leak_check_off = std::string("ASAN_OPTIONS=") +
                                     (asan_options != nullptr ? asan_options : "") +
                                     ":detect_leaks=0";
  std::vector<std::string> argv = {kStrace, "-f", "-qq"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.insert(argv.end(), {"-E", leak_check_off, "-o", trace_file, "-e", "trace=" + traced});
  if (!inject.empty()) {
    argv.push_back("-e");
    argv.push_back("inject=" + inject);
  }
  argv.push_back(KestrelBinary());
  argv.push_back("kestrel.cfg");
  return argv;
}

std::map<std::string, int> CountCalls(const std::string& trace,
                                      const std::vector<std::string>& calls) {
  std::map<std::string, int> counts;
  std::istringstream lines(trace);
  std::string line;
  while (std::getline(lines, line)) {
    for (const std::string& call : calls) {
      if (line.find(" " + call + "(") != std::string::npos || line.rfind(call + "(", 0) == 0) {
        ++counts[call];
      }
    }
  }
  return counts;
}

}  // namespace kestrel::testing
