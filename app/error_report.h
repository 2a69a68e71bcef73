// The two-line console report of a run-time failure.
//
//   Error number 005 in read_configuration, line 1,234
//   DOS ERROR: File access denied.
//
// The first line names the failure number (three digits at least) and where
// it happened: the source module and line when known, else " at " and a code
// address of eight hexadecimal digits. The second line, a category prefix and
// the failure's text, exists only for numbers inside one of the categories
// (1-18 DOS, 100-106 I/O, 150-162 and 200-216 critical).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "msgbase/io/run_time_error.h"

namespace kestrel {

// A decimal number with "," between groups of three digits counted from the
// right: 1234567 gives "1,234,567", -1234 gives "-1,234".
std::string FormatThousands(std::int64_t value);

// The category prefix ("DOS ERROR: ", ...) of a failure number; "" outside
// every category.
std::string_view FailureCategory(int code);

// The text of a failure number inside a category; "Unknown Error." for a
// number there without one of its own, "" outside every category.
std::string_view FailureText(int code);

// The lines of the report. The location is the module and line when both are
// known (module not empty, line not 0), else the address.
std::vector<std::string> FormatErrorReport(int code, std::string_view module, std::int64_t line,
                                           std::uint32_t address);

// Writes the report of a failure to the console.
void WriteErrorReport(const RunTimeError& failure);
// Writes the report of a failure without a known location (address 0).
void WriteErrorReport(int code);

}  // namespace kestrel
