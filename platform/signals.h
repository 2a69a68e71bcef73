// Requests from outside to end the run (Ctrl-C, a shutdown, a closed
// terminal): noted, never acted on where they arrive. The mover looks at the
// note at points where ending the run loses nothing (between messages, between areas), so
// a signal can never fall between the copy of a message and the deletion of
// its source, nor into the middle of a base update.
#pragma once

#include <string_view>

namespace kestrel::platform {

// Installs handlers for the interrupt, termination and hang-up signals
// (SIGINT, SIGTERM, SIGHUP) that only note the first signal received. System
// calls under way when one arrives are resumed, not failed. Called once, when
// start-up is over and the first area is about to be opened: until then the
// signals end the process at once, as nothing has been changed yet.
void InstallInterruptNotes();

// A write to a closed pipe (the console piped into a program that has ended)
// fails with an error instead of ending the process. Called once, first.
void IgnoreBrokenPipe();

// The name of the first signal noted since the handlers were installed
// ("SIGINT", "SIGTERM", "SIGHUP"), or "" when none has arrived.
std::string_view NotedInterrupt();

}  // namespace kestrel::platform
