#ifdef _WIN32

#include "tests/support/win32_spawn.h"

#include <windows.h>

#include <stdexcept>

namespace kestrel::testing::win32 {
namespace {

// One argument as the C run-time library reads it back: in quotes when it
// holds a space, a tab or a quote; backslashes doubled before a quote.
std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string CommandLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& argument : argv) {
    if (!line.empty()) line += ' ';
    line += Quote(argument);
  }
  return line;
}

HANDLE OpenNulInput() {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     OPEN_EXISTING, 0, nullptr);
}

}  // namespace

SpawnedProgram Spawn(const std::vector<std::string>& argv, const std::string& working_dir,
                     bool own_group) {
  // Ctrl-Break reaches a process group through the console it shares with
  // the sender: a test run without one (under CTest, say) makes its own.
  if (own_group && GetConsoleWindow() == nullptr) AllocConsole();
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) throw std::runtime_error("pipe failed");
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  const HANDLE input = OpenNulInput();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION info{};
  std::string line = CommandLine(argv);
  const BOOL started =
      CreateProcessA(argv[0].c_str(), line.data(), nullptr, nullptr, TRUE,
                     own_group ? CREATE_NEW_PROCESS_GROUP : 0, nullptr,
                     working_dir.empty() ? nullptr : working_dir.c_str(), &startup, &info);
  CloseHandle(write_end);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!started) {
    CloseHandle(read_end);
    throw std::runtime_error("cannot start " + argv[0]);
  }
  CloseHandle(info.hThread);
  return SpawnedProgram{info.hProcess, info.dwProcessId, read_end};
}

ProgramResult Finish(SpawnedProgram& program, const std::string& already_read) {
  ProgramResult result;
  result.output = already_read;
  if (program.process == nullptr) return result;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(program.output, buffer, sizeof buffer, &n, nullptr) && n > 0)
    result.output.append(buffer, n);
  CloseHandle(program.output);
  // Read as text, as a Windows program reads a pipe in text mode: the tools
  // written with C++ streams end their lines with CR LF there.
  std::string::size_type at = 0;
  while ((at = result.output.find("\r\n", at)) != std::string::npos)
    result.output.erase(at, 1);
  WaitForSingleObject(program.process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(program.process, &code);
  result.exit_code = static_cast<int>(code);
  CloseHandle(program.process);
  program = SpawnedProgram{};
  return result;
}

}  // namespace kestrel::testing::win32

namespace kestrel::testing {

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace kestrel::testing

#endif
