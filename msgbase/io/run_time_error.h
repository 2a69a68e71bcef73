// Run-time failures: the one exception type of Kestrel.
//
// A run-time failure ends the program with its failure number as exit code and
// a two-line report on the console (see app/error_report.h). It stands for the
// failures no caller checks for: an unchecked input/output error, exhausted
// memory, a call of an operation a message-base format does not provide.
// Thrown where the failure happens, caught once at the top of main.
#pragma once

#include <exception>
#include <string>

namespace kestrel {

// Where a failure was raised: the file and line of the call, filled in by the
// compiler as default arguments. The same builtins stand behind
// std::source_location, which clang 14 with libstdc++ (the fuzzing
// toolchain) does not offer.
class SourceLocation {
 public:
  static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                          unsigned line = __builtin_LINE()) noexcept {
    return SourceLocation(file, line);
  }
  constexpr SourceLocation() noexcept = default;

  constexpr const char* file_name() const noexcept { return file_; }
  constexpr unsigned line() const noexcept { return line_; }

 private:
  constexpr SourceLocation(const char* file, unsigned line) noexcept : file_(file), line_(line) {}

  const char* file_ = "";
  unsigned line_ = 0;
};

// Failure numbers raised by the program itself.
inline constexpr int kFailureHeapOverflow = 203;  // memory exhausted
inline constexpr int kFailureAbstractCall = 217;  // operation not provided by this object

class RunTimeError : public std::exception {
 public:
  RunTimeError(int code, SourceLocation where) : code_(code), where_(where) {}

  int code() const { return code_; }
  // The source file's base name without extension ("message_base"), or empty.
  std::string module() const;
  // The source line, or 0 when unknown.
  int line() const { return static_cast<int>(where_.line()); }

  const char* what() const noexcept override { return "run-time failure"; }

 private:
  int code_;
  SourceLocation where_;
};

[[noreturn]] void RaiseRunTimeError(int code, SourceLocation where = SourceLocation::current());

}  // namespace kestrel
