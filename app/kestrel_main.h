// The program body, callable from main and from tests.
//
// How failures travel. Nothing below KestrelMain ends the process.
//  - The message-base library answers with bools and error codes
//    (GetLastError, BaseResult after OpenBase), the platform layer with a
//    DosError. The mover looks at them where it made the call: a failure
//    that stops one message or file is a warning or error entry and the run
//    goes on; a failure that ends the run becomes a FatalError
//    (fatal_error.h), an error text or a run-time failure number.
//  - Before a FatalError leaves the scan of an area, the area is closed and,
//    inside the message loop, the resume state (lastread and stored MSGID)
//    names the last message handled and left in place. Every caller returns
//    the FatalError unchanged, up to KestrelMain.
//  - A run-time failure the library raises (RunTimeError: an operation a
//    format does not provide, an unchecked input/output error) and memory
//    exhaustion (failure 203) unwind to KestrelMain, which turns them into a
//    FatalError too; the resume state is not stored for them.
//  - KestrelMain writes the FatalError once: an error goes to the log as an
//    error entry ("! " stamp tag " Error: " text, then the log is closed)
//    when the log exists, and to the console as "Error: " text; a run-time
//    failure is the two-line report on the console (error_report.h) and never
//    a log entry. Then the console is restored and the exit code returned:
//    255 for an error, the failure number for a run-time failure, 0 for a
//    complete run and for the usage line shown without an argument.
#pragma once

namespace kestrel {

// Runs Kestrel with the command line and returns the process exit code.
int KestrelMain(int argc, char** argv);

}  // namespace kestrel
