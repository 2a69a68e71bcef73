// A failure that ends the run, carried back to KestrelMain as a value.
//
// Nothing below KestrelMain ends the process: a function that meets a fatal
// failure first leaves its files as the next run needs them (resume state
// stored, area closed), then returns a FatalError, and every caller returns
// it unchanged. KestrelMain writes it (kestrel_main.h says how) and returns
// its exit code.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "msgbase/io/run_time_error.h"

namespace kestrel {

// The exit code of every failure the mover reports itself.
inline constexpr int kFatalErrorExitCode = 255;

class FatalError {
 public:
  // A failure the mover reports itself: "Error: " + message on the console
  // and, once the log exists, as an error entry in the log. Exit code 255.
  explicit FatalError(std::string message) : message_(std::move(message)) {}
  // A run-time failure: its two-line report on the console, its number as
  // exit code. Never written to the log.
  explicit FatalError(const RunTimeError& failure) : failure_(failure) {}

  int exit_code() const { return failure_ ? failure_->code() : kFatalErrorExitCode; }
  // The text of an error; "" for a run-time failure.
  const std::string& message() const { return message_; }
  // The run-time failure, when it is one.
  const std::optional<RunTimeError>& run_time_failure() const { return failure_; }

 private:
  std::string message_;
  std::optional<RunTimeError> failure_;
};

// What a step of the run returns: nothing when the run may go on.
using FatalOutcome = std::optional<FatalError>;

// The run-time failure of a failed system call, raised at the caller's line
// (the report names the module and line where the call failed).
inline FatalError RunTimeFailure(int code, SourceLocation where = SourceLocation::current()) {
  return FatalError(RunTimeError(code, where));
}

}  // namespace kestrel
