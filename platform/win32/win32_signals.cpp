// Interrupt notes on Windows: a console control handler, which Windows runs
// on a thread of its own, notes the first event and nothing else. Ctrl-C and
// Ctrl-Break are then ignored by Windows, and the run stops at the next
// point where stopping loses nothing. For a closed console window, a logoff
// or a shutdown, Windows ends the process as soon as the handler returns
// (after a few seconds at most): the handler waits instead, so that the run
// can finish the message in hand and end itself first.
#include <atomic>

#include "platform/signals.h"
#include "platform/win32/win32_api.h"

namespace kestrel::platform {
namespace {

enum Noted : int { kNothing, kInterrupt, kBreak, kClose, kShutdown };

std::atomic<int> g_noted{kNothing};

Noted Classify(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      return kInterrupt;
    case CTRL_BREAK_EVENT:
      return kBreak;
    case CTRL_CLOSE_EVENT:
      return kClose;
    default:
      return kShutdown;
  }
}

BOOL WINAPI NoteControlEvent(DWORD event) {
  const Noted noted = Classify(event);
  int expected = kNothing;
  g_noted.compare_exchange_strong(expected, noted);
  if (noted == kInterrupt || noted == kBreak) return TRUE;
  // The process ends when the run does (or when Windows stops waiting).
  ::Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void InstallInterruptNotes() {
  // A process started in a group of its own has Ctrl-C switched off; it is
  // switched on again, to be noted like Ctrl-Break.
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  ::SetConsoleCtrlHandler(NoteControlEvent, TRUE);
}

void IgnoreBrokenPipe() {
  // Windows has no broken-pipe signal: a write to a pipe whose reader has
  // gone fails and is ignored. What a batch program must not meet instead is
  // a dialog box: a drive that is not ready fails the call that reaches it.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::string_view NotedInterrupt() {
  switch (g_noted.load()) {
    case kNothing:
      return "";
    case kInterrupt:
      return "SIGINT";
    case kBreak:
      return "SIGBREAK";
    case kClose:
      return "SIGHUP";
    default:
      return "SIGTERM";
  }
}

}  // namespace kestrel::platform
