// RunProgram on Windows: CreateProcess with the output on a pipe.
#include <stdexcept>

#include "tests/support/run_program.h"
#include "tests/support/win32_spawn.h"

namespace kestrel::testing {

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& working_dir) {
  win32::SpawnedProgram program = win32::Spawn(argv, working_dir, false);
  return win32::Finish(program);
}

ProgramResult RunProgramOnTerminal(const std::vector<std::string>&, const std::string&) {
  // A console cannot be handed to a child and read back byte for byte as a
  // pseudo-terminal can; tests of terminal output skip on Windows.
  throw std::runtime_error("no pseudo-terminal on Windows");
}

}  // namespace kestrel::testing
