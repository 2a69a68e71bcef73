// Reads a configuration file the way Kestrel reads it and notes, line by
// line, what becomes of each line and value, then checks the whole.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/config_parser.h"
#include "app/fatal_error.h"
#include "app/mover_config.h"
#include "tools/findings.h"

namespace kestrel::check {

struct CheckedConfig {
  // The tables exactly as Kestrel builds them.
  MoverConfig config;
  ConfigProblems problems;
  // The line of each stored list entry, by keyword ("NETMAIL", "TO", ...),
  // in list order.
  std::map<std::string, std::vector<int>, std::less<>> entry_lines;
  // The line that gave each scalar keyword its value.
  std::map<std::string, int, std::less<>> scalar_lines;
  Findings findings;
};

// Reads and checks the file: every line that is ignored or not read as it
// looks, what Kestrel's start-up checks would refuse, lists that PRIORITY
// never reaches, netmail areas that do not exist and destinations that do
// not exist yet. Nothing when the file was read, else the failure Kestrel's
// reader returns (ForEachConfigurationLine), and nothing is checked.
[[nodiscard]] FatalOutcome CheckConfiguration(const std::string& name, CheckedConfig& checked);

// The line of the `index`-th entry (from 0) of a list; 0 when unknown.
int EntryLine(const CheckedConfig& checked, std::string_view keyword, std::size_t index);

}  // namespace kestrel::check
