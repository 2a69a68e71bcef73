#include "app/kestrel_main.h"

#include <new>
#include <string>
#include <vector>

#include "app/banner.h"
#include "app/error_report.h"
#include "app/mover_config.h"
#include "app/read_configuration.h"
#include "app/run_mover.h"
#include "msgbase/io/run_time_error.h"
#include "platform/console.h"
#include "platform/signals.h"

namespace kestrel {
namespace {

// The console's light grey.
constexpr int kTextColour = 7;

int RunKestrel(const std::vector<std::string>& arguments) {
  // A console that is gone (output piped into a program that has ended) must
  // not end a run that moves mail: its writes fail and are ignored.
  platform::IgnoreBrokenPipe();
  platform::ConsoleInit();
  WriteBanner();
  platform::ConsoleSetTextColor(kTextColour);
  MoverConfig config;
  std::unique_ptr<LogFile> log = ReadConfiguration(arguments, config);
  // Until here nothing has been changed, and SIGINT, SIGTERM and SIGHUP end
  // the run at once. From here on they only leave a note; the scan stops at
  // the next point where stopping loses nothing.
  platform::InstallInterruptNotes();
  return RunMover(config, *log);
}

}  // namespace

int KestrelMain(int argc, char** argv) {
  // Run-time failures end up here, the one place that reports them: two lines
  // on the console, the failure number as exit code. Every other way out
  // (normal end, usage, fatal errors the mover reports itself) prints no report.
  int exit_code = 0;
  try {
    exit_code = RunKestrel(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  } catch (const RunTimeError& failure) {
    WriteErrorReport(failure);
    exit_code = failure.code();
  } catch (const std::bad_alloc&) {
    WriteErrorReport(kFailureHeapOverflow);
    exit_code = kFailureHeapOverflow;
  }
  platform::ConsoleRestore();
  return exit_code;
}

}  // namespace kestrel
