#include "app/run_mover.h"

#include "app/interruption.h"
#include "app/scan_area.h"
#include "app/version.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/fido/string_functions.h"
#include "platform/signals.h"

namespace kestrel {
namespace {

constexpr char kScanningMark = 's';
constexpr char kNothingMark = ' ';
constexpr char kFoundMark = 'f';
constexpr char kEndMark = 'e';

}  // namespace

FatalOutcome RunMover(const MoverConfig& config, LogFile& log) {
  InstallStreamFactories();
  for (const std::string& area : config.NetmailAreas) {
    const std::string_view signal = platform::NotedInterrupt();
    if (!signal.empty()) return FatalError(InterruptionMessage(signal, kStoppedBeforeArea));
    // The area is shown by its path, without the type letter.
    log.Log(kScanningMark, kLogTag, "Scanning " + (area.empty() ? area : area.substr(1)));
    AreaScanResult result;
    if (FatalOutcome fatal = ScanArea(area, config, log, result)) return fatal;
    if (result.nothingToScan) {
      log.Log(kNothingMark, kLogTag, "Nothing to scan !");
    } else {
      log.Log(kFoundMark, kLogTag, IntToStr(result.foundCount) + " message(s) founded");
    }
  }
  log.LogQuiet(kEndMark, kLogTag, "End work.");
  return std::nullopt;
}

}  // namespace kestrel
