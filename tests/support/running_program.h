// A program started in the background, for tests that act on it while it
// runs (signal it once it has reached a point, run two at once).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
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
  // Reads the program's output until it holds `text` (true), the program
  // closes its output or `bound` has passed (false): a test waits for the
  // program to reach a point instead of guessing how long that takes. What is
  // read stays part of the output Wait returns.
  bool AwaitOutput(std::string_view text, std::chrono::milliseconds bound);
  // Waits for the end; the exit code is 128 + the signal number when killed.
  ProgramResult Wait();

 private:
  int pid_ = -1;
  int output_fd_ = -1;
  std::string output_;  // read by AwaitOutput before Wait
};

}  // namespace kestrel::testing
