// RunningProgram on Windows: CreateProcess in a process group of its own, so
// that a Ctrl-Break reaches the program alone.
#include <windows.h>

#include <csignal>
#include <stdexcept>

#include "tests/support/running_program.h"
#include "tests/support/win32_spawn.h"

namespace kestrel::testing {

RunningProgram::RunningProgram(const std::vector<std::string>& argv, const std::string& working_dir,
                               std::uint64_t file_size_limit) {
  if (file_size_limit > 0) throw std::runtime_error("no file-size limit on Windows");
  win32::SpawnedProgram program = win32::Spawn(argv, working_dir, true);
  pid_ = static_cast<int>(program.id);
  process_ = program.process;
  output_ = program.output;
}

RunningProgram::~RunningProgram() {
  if (pid_ > 0) {
    TerminateProcess(process_, 128 + 9);
    Wait();
  }
}

bool RunningProgram::Signal(int signal_number) {
  if (pid_ <= 0) return false;
  if (signal_number == SIGINT || signal_number == SIGBREAK) {
    // Ctrl-C cannot be aimed at one process group; Ctrl-Break can.
    return GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(pid_)) != 0;
  }
  // Anything else ends the program at once, as an uncaught signal would.
  return TerminateProcess(process_, static_cast<UINT>(128 + signal_number)) != 0;
}

ProgramResult RunningProgram::Wait() {
  if (pid_ <= 0) return ProgramResult{};
  win32::SpawnedProgram program;
  program.id = static_cast<unsigned long>(pid_);
  program.output = output_;
  program.process = process_;
  pid_ = -1;
  process_ = output_ = nullptr;
  return win32::Finish(program);
}

}  // namespace kestrel::testing
