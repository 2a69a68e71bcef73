// kestrel-check CONFIG [--dry-run]
//
// Reads a Kestrel configuration with Kestrel's own reader and reports every
// line that is ignored or not read as it looks, what Kestrel would refuse,
// netmail areas that do not exist and destinations that do not exist yet,
// then the effective tables. With --dry-run it also shows, for each message
// of each netmail area, the rule that would match and the action, changing
// nothing. Exit code: 0 when nothing is wrong, 1 on warnings, 2 on errors.
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "app/console_messages.h"
#include "app/fatal_error.h"
#include "msgbase/io/run_time_error.h"
#include "platform/file_system.h"
#include "tools/config_check.h"
#include "tools/dry_run.h"
#include "tools/effective_tables.h"
#include "tools/read_only_files.h"

namespace {

constexpr int kExitErrors = 2;
constexpr char kUsage[] = "Usage: kestrel-check CONFIG [--dry-run]\n";

// Tells why the configuration could not be read, as Kestrel would for a
// file that is no regular file or too large; returns the exit code.
int Unreadable(const std::string& name, const kestrel::FatalError& fatal) {
  if (const auto& failure = fatal.run_time_failure()) {
    std::cerr << "kestrel-check: " << name << ": cannot be read (error " << failure->code()
              << ")\n";
    return kExitErrors;
  }
  kestrel::ConsoleError(fatal.message());
  return fatal.exit_code();
}

int Check(const std::string& name, bool dry_run) {
  using namespace kestrel::check;
  std::uint32_t attributes = 0;
  if (kestrel::platform::GetFileAttributes(name, attributes) !=
      kestrel::platform::dos_error::kNone) {
    std::cerr << "kestrel-check: " << name << ": no such file\n";
    return kExitErrors;
  }
  InstallReadOnlyFiles();
  CheckedConfig checked;
  if (kestrel::FatalOutcome fatal = CheckConfiguration(name, checked))
    return Unreadable(name, *fatal);
  std::ostringstream listing;
  if (dry_run) DryRun(checked, checked.findings, listing);
  const Findings& findings = checked.findings;
  std::cout << findings.Format(name) << EffectiveTables(checked) << listing.str()
            << findings.Count(Severity::kError) << " error(s), "
            << findings.Count(Severity::kWarning) << " warning(s), "
            << findings.Count(Severity::kNote) << " note(s)\n";
  return findings.ExitCode();
}

}  // namespace

int main(int argc, char** argv) {
  std::string name;
  bool dry_run = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--dry-run" && !dry_run) {
      dry_run = true;
    } else if (name.empty() && !argument.empty() && argument.front() != '-') {
      name = argument;
    } else {
      std::cerr << kUsage;
      return kExitErrors;
    }
  }
  if (name.empty()) {
    std::cerr << kUsage;
    return kExitErrors;
  }
  try {
    return Check(name, dry_run);
  } catch (const kestrel::RunTimeError& failure) {
    std::cerr << "kestrel-check: " << name << ": cannot be read (error " << failure.code() << ")\n";
  } catch (const std::bad_alloc&) {
    std::cerr << "kestrel-check: out of memory\n";
  }
  return kExitErrors;
}
