// Interrupt notes on POSIX: sigaction handlers that store the signal number
// in a sig_atomic_t and nothing else (all a handler may safely do).
#include <csignal>

#include "platform/signals.h"

namespace kestrel::platform {
namespace {

volatile std::sig_atomic_t noted_signal = 0;

extern "C" void NoteSignal(int number) {
  if (noted_signal == 0) noted_signal = number;
}

}  // namespace

void InstallInterruptNotes() {
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  // A read or write under way goes on after the handler instead of failing
  // with EINTR: the signal must not turn into a write error.
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGINT, SIGTERM, SIGHUP})
    sigaction(number, &action, nullptr);
}

void IgnoreBrokenPipe() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  sigaction(SIGPIPE, &action, nullptr);
}

std::string_view NotedInterrupt() {
  switch (noted_signal) {
    case 0:
      return "";
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

}  // namespace kestrel::platform
