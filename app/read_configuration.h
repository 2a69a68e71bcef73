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
#include "app/fatal_error.h"
#include "app/log_file.h"
#include "app/mover_config.h"

namespace kestrel {

// The largest configuration file read: 1 MB. A hundred entries in each list
// take a few tens of kilobytes.
inline constexpr std::int64_t kMaxConfigurationSize = 1024 * 1024;

// Reads the file `name` into `config`, creates the log (a file when a LOG
// line names one, console only otherwise) into `log`, writes the start entry
// and validates. Nothing when the configuration is usable, else the failure:
//  - no such file: the error "Unable to open <name>, rc=00000000";
//  - not a regular file, or larger than kMaxConfigurationSize: an error that
//    names the file;
//  - a file that exists but cannot be read: the run-time failure with the
//    system's error number;
//  - a list keyword given too often or a failed check: the error of the
//    check (ConfigurationFailure), with `log` already created.
[[nodiscard]] FatalOutcome ReadConfiguration(const std::string& name, MoverConfig& config,
                                             std::unique_ptr<LogFile>& log);

// Reads and parses the lines of an existing configuration file. The failure
// as ForEachConfigurationLine returns it.
[[nodiscard]] FatalOutcome ReadConfigurationFile(const std::string& name, MoverConfig& config,
                                                 ConfigProblems& problems);

// The largest user number a *.MSG area takes: its lastread file holds two
// bytes for every user number below the one used, so a larger number would
// make a file of megabytes of zeros.
inline constexpr std::int32_t kMaxMsgDirUserNumber = 65535;

// Hands every line of an existing configuration file, as read (before the
// comment is cut and the line upper-cased), to `visit`, with whether bytes
// beyond the 255th were skipped. Nothing when every line was read, else the
// failure: the run-time failure with the system's error number when the file
// cannot be opened or read, an error naming the file when it is not a
// regular file or larger than kMaxConfigurationSize.
using ConfigLineVisitor = std::function<void(std::string_view raw_line, bool cut)>;
[[nodiscard]] FatalOutcome ForEachConfigurationLine(const std::string& name,
                                                    const ConfigLineVisitor& visit);

// The checks of a configuration that has been read, in order: the message of
// the first that fails, or "" when the configuration is usable. The last:
// USERNUMBER above kMaxMsgDirUserNumber while a netmail area is a *.MSG area.
std::string ConfigurationFailure(const MoverConfig& config, const ConfigProblems& problems);

}  // namespace kestrel
