// Run-time failures: the one exception type of Kestrel.
//
// A run-time failure ends the program with its failure number as exit code and
// a two-line report on the console (see app/error_report.h). It stands for the
// failures no caller checks for: an unchecked input/output error, exhausted
// memory, a call of an operation a message-base format does not provide.
// Thrown where the failure happens, caught once at the top of main.
#pragma once

#include <exception>
#include <source_location>
#include <string>

namespace kestrel {

// Failure numbers raised by the program itself.
inline constexpr int kFailureHeapOverflow = 203;  // memory exhausted
inline constexpr int kFailureAbstractCall = 217;  // operation not provided by this object

class RunTimeError : public std::exception {
 public:
  RunTimeError(int code, std::source_location where) : code_(code), where_(where) {}

  int code() const { return code_; }
  // The source file's base name without extension ("message_base"), or empty.
  std::string module() const;
  // The source line, or 0 when unknown.
  int line() const { return static_cast<int>(where_.line()); }

  const char* what() const noexcept override { return "run-time failure"; }

 private:
  int code_;
  std::source_location where_;
};

[[noreturn]] void RaiseRunTimeError(
    int code, std::source_location where = std::source_location::current());

}  // namespace kestrel
