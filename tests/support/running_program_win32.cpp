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
  process_handle_ = program.process;
  output_pipe_ = program.output;
}

RunningProgram::~RunningProgram() {
  if (pid_ > 0) {
    TerminateProcess(process_handle_, 128 + 9);
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
  return TerminateProcess(process_handle_, static_cast<UINT>(128 + signal_number)) != 0;
}

bool RunningProgram::AwaitOutput(std::string_view text, std::chrono::milliseconds bound) {
  const auto give_up = std::chrono::steady_clock::now() + bound;
  while (output_.find(text) == std::string::npos) {
    if (pid_ <= 0 || std::chrono::steady_clock::now() >= give_up) return false;
    DWORD available = 0;
    if (!PeekNamedPipe(output_pipe_, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) {
      Sleep(10);
      continue;
    }
    char buffer[4096];
    DWORD n = 0;
    if (!ReadFile(output_pipe_, buffer, sizeof buffer, &n, nullptr) || n == 0) return false;
    output_.append(buffer, n);
  }
  return true;
}

ProgramResult RunningProgram::Wait() {
  if (pid_ <= 0) return ProgramResult{};
  win32::SpawnedProgram program;
  program.id = static_cast<unsigned long>(pid_);
  program.output = output_pipe_;
  program.process = process_handle_;
  pid_ = -1;
  process_handle_ = output_pipe_ = nullptr;
  std::string already_read;
  already_read.swap(output_);
  return win32::Finish(program, already_read);
}

}  // namespace kestrel::testing
