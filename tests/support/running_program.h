// A program started in the background, for tests that signal it while it
// runs (interruption) or run two at once (exclusion).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace kestrel::testing {

class RunningProgram {
 public:
  // Starts `argv[0]` with the arguments in `working_dir`, as RunProgram does
  // (standard input /dev/null, output collected). A `file_size_limit` above 0
  // limits the size of every file the program writes: a write past it fails
  // (SIGXFSZ is ignored), as on a full disk.
  RunningProgram(const std::vector<std::string>& argv, const std::string& working_dir,
                 std::uint64_t file_size_limit = 0);
  // Kills the program if it still runs, and waits for it.
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Sends the signal (false when the program has already been waited for).
  bool Signal(int signal_number);
  // Waits for the end; the exit code is 128 + the signal number when killed.
  ProgramResult Wait();

 private:
  int pid_ = -1;
  int output_fd_ = -1;
#ifdef _WIN32
  void* process_ = nullptr;  // the process handle
  void* output_ = nullptr;   // the reading end of the output pipe
#endif
};

}  // namespace kestrel::testing
