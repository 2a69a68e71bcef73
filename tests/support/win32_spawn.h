// Starting programs on Windows for the test support (CreateProcess), where
// POSIX has fork and exec. Only test support includes this header.
#pragma once

#ifdef _WIN32

#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace kestrel::testing::win32 {

// A started program: its process handle, id, and the reading end of the pipe
// that collects its standard output and standard error.
struct SpawnedProgram {
  void* process = nullptr;
  unsigned long id = 0;
  void* output = nullptr;
};

// Starts argv[0] with the arguments, quoted as the C run-time library
// splits them again, in `working_dir` (the current directory when empty),
// standard input NUL, output to a pipe. With `own_group` the program gets a
// process group of its own, so a Ctrl-Break can be sent to it alone.
SpawnedProgram Spawn(const std::vector<std::string>& argv, const std::string& working_dir,
                     bool own_group);

// Reads the output to its end (CR LF read as a line end, as in text mode),
// waits for the program and closes the handles.
// `already_read` is output taken from the pipe before.
ProgramResult Finish(SpawnedProgram& program, const std::string& already_read = "");

}  // namespace kestrel::testing::win32

#endif
