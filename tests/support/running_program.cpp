#include "tests/support/running_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace kestrel::testing {

RunningProgram::RunningProgram(const std::vector<std::string>& argv, const std::string& working_dir,
                               std::uint64_t file_size_limit) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, STDIN_FILENO);
    dup2(pipe_fds[1], STDOUT_FILENO);
    dup2(pipe_fds[1], STDERR_FILENO);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    if (!working_dir.empty() && chdir(working_dir.c_str()) != 0) _exit(126);
    if (file_size_limit > 0) {
      signal(SIGXFSZ, SIG_IGN);  // stays ignored across exec
      const rlimit limit{file_size_limit, file_size_limit};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(125);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv)
      args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  pid_ = pid;
  output_fd_ = pipe_fds[0];
}

RunningProgram::~RunningProgram() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    Wait();
  }
}

bool RunningProgram::Signal(int signal_number) {
  return pid_ > 0 && kill(pid_, signal_number) == 0;
}

bool RunningProgram::AwaitOutput(std::string_view text, std::chrono::milliseconds bound) {
  const auto give_up = std::chrono::steady_clock::now() + bound;
  while (output_.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        give_up - std::chrono::steady_clock::now());
    if (pid_ <= 0 || left.count() <= 0) return false;
    pollfd readable{output_fd_, POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[4096];
    const ssize_t n = read(output_fd_, buffer, sizeof buffer);
    if (n <= 0) return false;  // the program closed its output
    output_.append(buffer, n);
  }
  return true;
}

ProgramResult RunningProgram::Wait() {
  ProgramResult result;
  if (pid_ <= 0) return result;
  result.output = std::move(output_);
  output_.clear();
  char buffer[4096];
  ssize_t n;
  while ((n = read(output_fd_, buffer, sizeof buffer)) > 0)
    result.output.append(buffer, n);
  close(output_fd_);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.exit_code = 128 + WTERMSIG(status);
  return result;
}

}  // namespace kestrel::testing
