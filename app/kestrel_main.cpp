#include "app/kestrel_main.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/banner.h"
#include "app/console_messages.h"
#include "app/error_report.h"
#include "app/fatal_error.h"
#include "app/mover_config.h"
#include "app/read_configuration.h"
#include "app/run_mover.h"
#include "app/version.h"
#include "msgbase/io/run_time_error.h"
#include "platform/console.h"
#include "platform/signals.h"

namespace kestrel {
namespace {

// The console's light grey.
constexpr int kTextColour = 7;

// The run; `log` is created once the configuration has been read.
FatalOutcome RunKestrel(const std::vector<std::string>& arguments, std::unique_ptr<LogFile>& log) {
  // A console that is gone (output piped into a program that has ended) must
  // not end a run that moves mail: its writes fail and are ignored.
  platform::IgnoreBrokenPipe();
  platform::ConsoleInit();
  WriteBanner();
  platform::ConsoleSetTextColor(kTextColour);
  if (arguments.empty()) {
    platform::ConsoleWriteLine("Usage: KESTREL.EXE configname");
    return std::nullopt;
  }
  MoverConfig config;
  if (FatalOutcome fatal = ReadConfiguration(arguments.front(), config, log)) return fatal;
  // Until here nothing has been changed, and SIGINT, SIGTERM and SIGHUP end
  // the run at once. From here on they only leave a note; the scan ends at
  // the next point where ending loses nothing.
  platform::InstallInterruptNotes();
  return RunMover(config, *log);
}

// Writes the failure the run ended with; returns its exit code.
int ReportFatal(const FatalError& fatal, std::unique_ptr<LogFile>& log) {
  if (const auto& failure = fatal.run_time_failure()) {
    log.reset();  // closed as it is: a run-time failure is no log entry
    WriteErrorReport(*failure);
  } else if (log != nullptr) {
    log->Error(kLogTag, fatal.message());
  } else {
    ConsoleError(fatal.message());
  }
  return fatal.exit_code();
}

}  // namespace

int KestrelMain(int argc, char** argv) {
  std::unique_ptr<LogFile> log;
  FatalOutcome fatal;
  try {
    fatal = RunKestrel(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), log);
  } catch (const RunTimeError& failure) {
    fatal = FatalError(failure);
  } catch (const std::bad_alloc&) {
    fatal = FatalError(RunTimeError(kFailureHeapOverflow, SourceLocation()));
  }
  const int exit_code = fatal ? ReportFatal(*fatal, log) : 0;
  platform::ConsoleRestore();
  return exit_code;
}

}  // namespace kestrel
