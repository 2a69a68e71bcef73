// Running the kestrel binary on a configuration in a scratch directory.
#pragma once

#include <string>
#include <string_view>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {

// The banner and the empty line after it, as every run begins.
inline constexpr std::string_view kBannerOutput =
    "Kestrel/WIN32 1.08b4, written by the Kestrel developers, 15.06.2000.\n\n";

// Writes `config` as "kestrel.cfg" in the directory and runs kestrel on it there.
ProgramResult RunKestrelOn(const TempDir& dir, std::string_view config);
// The same with standard output on a terminal.
ProgramResult RunKestrelOnTerminal(const TempDir& dir, std::string_view config);

// The content of the directory's log file "kestrel.log", whatever the case of
// its name; "" when there is none.
std::string ReadLog(const TempDir& dir);
// Whether the directory holds a log file "kestrel.log" in any case.
bool HasLog(const TempDir& dir);

// Checks one log entry: mark, a stamp of the form "DD Mon YY HH:MM:SS", the
// tag and the message.
bool IsLogEntry(std::string_view line, char mark, std::string_view tag, std::string_view message);

}  // namespace kestrel::testing
