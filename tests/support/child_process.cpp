#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace kestrel::testing {

namespace {

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

int RunInChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) _exit(body());
  return WaitFor(pid);
}

bool DropRootPrivileges() {
  constexpr uid_t kNobody = 65534;
  if (geteuid() == 0) {
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0) return false;
  }
  return geteuid() != 0;
}

void LimitFileSize(std::uint64_t bytes) {
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{bytes, bytes};
  setrlimit(RLIMIT_FSIZE, &limit);
}

bool LockFirstByte(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 1;
  return ::fcntl(fd, F_SETLK, &lock) == 0;  // the descriptor stays open
}

HoldingChild::HoldingChild(const std::function<bool()>& setup) {
  int ready[2];
  int finish[2];
  // Close-on-exec: a program the test starts meanwhile must not keep the
  // finish pipe open, or the child would outlive End().
  if (pipe2(ready, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (pipe2(finish, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    close(ready[0]);
    close(finish[1]);
    const char result = setup() ? 1 : 0;
    (void)!write(ready[1], &result, 1);
    char end = 0;
    (void)!read(finish[0], &end, 1);  // returns when the parent closes its end
    _exit(0);
  }
  close(ready[1]);
  close(finish[0]);
  finish_fd_ = finish[1];
  char result = 0;
  succeeded_ = read(ready[0], &result, 1) == 1 && result == 1;
  close(ready[0]);
}

HoldingChild::~HoldingChild() {
  End();
}

void HoldingChild::End() {
  if (pid_ <= 0) return;
  close(finish_fd_);
  WaitFor(pid_);
  pid_ = -1;
}

}  // namespace kestrel::testing
