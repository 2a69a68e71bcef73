// Runs a program to the end and collects what it printed: the end-to-end
// tests drive the real kestrel binary this way.
#pragma once

#include <string>
#include <vector>

namespace kestrel::testing {

struct ProgramResult {
  int exit_code = -1;  // the exit code, or 128 + signal number when killed
  std::string output;  // standard output and standard error, interleaved
};

// Runs `argv[0]` with the arguments in `working_dir` (the current directory
// when empty). Standard input is /dev/null; standard output is a pipe, not a
// terminal.
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& working_dir = "");

// As RunProgram, but standard output and standard error are a terminal (a
// pseudo-terminal that passes the bytes through unchanged: no line-end
// translation), as when a sysop runs the program by hand.
ProgramResult RunProgramOnTerminal(const std::vector<std::string>& argv,
                                   const std::string& working_dir = "");

// The kestrel binary under test (from the build, passed by CMake).
std::string KestrelBinary();

}  // namespace kestrel::testing
