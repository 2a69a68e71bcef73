// Start-up: reading the configuration file named on the command line,
// creating the run's log and checking the configuration.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/config_parser.h"
#include "app/log_file.h"
#include "app/mover_config.h"

namespace kestrel {

// The largest configuration file read: 1 MB. A hundred entries in each list
// take a few tens of kilobytes.
inline constexpr std::int64_t kMaxConfigurationSize = 1024 * 1024;

// Reads the file named by the first argument into `config`, creates the log
// (a file when a LOG line names one, console only otherwise), writes the
// start entry and validates. Returns only with a usable configuration; every
// other outcome ends the process:
//  - no argument: the usage line, exit code 0;
//  - no such file: "Error: Unable to open <name>, rc=00000000", exit code 255;
//  - not a regular file, or larger than kMaxConfigurationSize: an "Error: "
//    line that names the file, exit code 255;
//  - a file that exists but cannot be read: run-time failure with the
//    system's error number;
//  - a list keyword given too often or a failed check: an error entry in the
//    log and on the console, exit code 255.
std::unique_ptr<LogFile> ReadConfiguration(const std::vector<std::string>& arguments,
                                           MoverConfig& config);

// Reads and parses the lines of an existing configuration file. Raises a
// run-time failure with the system's error number when the file cannot be
// opened or read.
void ReadConfigurationFile(const std::string& name, MoverConfig& config, ConfigProblems& problems);

// The largest user number a *.MSG area takes: its lastread file holds two
// bytes for every user number below the one used, so a larger number would
// make a file of megabytes of zeros.
inline constexpr std::int32_t kMaxMsgDirUserNumber = 65535;

// Hands every line of an existing configuration file, as read (before the
// comment is cut and the line upper-cased), to `visit`, with whether bytes
// beyond the 255th were skipped. Raises a run-time failure with the system's
// error number when the file cannot be opened or read.
using ConfigLineVisitor = std::function<void(std::string_view raw_line, bool cut)>;
void ForEachConfigurationLine(const std::string& name, const ConfigLineVisitor& visit);

// The checks of a configuration that has been read, in order: the message of
// the first that fails, or "" when the configuration is usable. The last:
// USERNUMBER above kMaxMsgDirUserNumber while a netmail area is a *.MSG area.
std::string ConfigurationFailure(const MoverConfig& config, const ConfigProblems& problems);

// The first failed check is a fatal log error (exit code 255).
void ValidateConfiguration(const MoverConfig& config, const ConfigProblems& problems, LogFile& log);

}  // namespace kestrel
