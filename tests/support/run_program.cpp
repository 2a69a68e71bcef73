#include "tests/support/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace kestrel::testing {
namespace {

[[noreturn]] void ExecIn(const std::vector<std::string>& argv, const std::string& working_dir) {
  if (!working_dir.empty() && chdir(working_dir.c_str()) != 0) _exit(126);
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

ProgramResult Collect(int fd, pid_t pid) {
  ProgramResult result;
  char buffer[4096];
  ssize_t n;
  // A terminal's reading side reports EIO once the program's side is closed.
  while ((n = read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) result.output.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.exit_code = 128 + WTERMSIG(status);
  return result;
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& working_dir) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, STDIN_FILENO);
    dup2(pipe_fds[1], STDOUT_FILENO);
    dup2(pipe_fds[1], STDERR_FILENO);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    ExecIn(argv, working_dir);
  }
  close(pipe_fds[1]);
  return Collect(pipe_fds[0], pid);
}

ProgramResult RunProgramOnTerminal(const std::vector<std::string>& argv,
                                   const std::string& working_dir) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  const std::string terminal = ptsname(master);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    setsid();
    const int slave = open(terminal.c_str(), O_RDWR);
    if (slave < 0) _exit(125);
    termios modes;
    if (tcgetattr(slave, &modes) == 0) {
      modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
      tcsetattr(slave, TCSANOW, &modes);
    }
    const int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, STDIN_FILENO);
    dup2(slave, STDOUT_FILENO);
    dup2(slave, STDERR_FILENO);
    close(slave);
    close(master);
    ExecIn(argv, working_dir);
  }
  return Collect(master, pid);
}

}  // namespace kestrel::testing
