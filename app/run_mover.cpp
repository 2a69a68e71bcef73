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

int RunMover(const MoverConfig& config, LogFile& log) {
  InstallStreamFactories();
  for (const std::string& area : config.NetmailAreas) {
    const std::string_view signal = platform::NotedInterrupt();
    if (!signal.empty()) log.Error(kLogTag, InterruptionMessage(signal, kStoppedBeforeArea));
    // The area is shown by its path, without the type letter.
    log.Log(kScanningMark, kLogTag, "Scanning " + (area.empty() ? area : area.substr(1)));
    const AreaScanResult result = ScanArea(area, config, log);
    if (result.nothingToScan) {
      log.Log(kNothingMark, kLogTag, "Nothing to scan !");
    } else {
      log.Log(kFoundMark, kLogTag, IntToStr(result.foundCount) + " message(s) founded");
    }
  }
  log.LogQuiet(kEndMark, kLogTag, "End work.");
  return 0;
}

}  // namespace kestrel
