// The scan of a netmail area, in process: each source format, moving every
// message (one rule, MOVE YES) into a destination of each format, and a scan
// that matches nothing. Prints the time per message for growing areas; a
// figure that grows with the area shows a cost that is not linear.
//
//   mover_scan_bench [largest-count]
//
// largest-count defaults to 4000; the areas go to a new directory under
// $TMPDIR or /tmp, removed afterwards.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/log_file.h"
#include "app/mover_config.h"
#include "app/scan_area.h"
#include "msgbase/factory/message_base_factory.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

void FillArea(const std::string& id, int count) {
  std::unique_ptr<kestrel::MessageBase> base;
  if (!kestrel::OpenOrCreateBase(id, base)) std::exit(1);
  base->SetMailType(kestrel::kMailTypeNetmail);
  for (int i = 1; i <= count; ++i) {
    base->CreateMsg();
    base->SetFrom("Sender " + std::to_string(i));
    base->SetTo(i % 2 == 0 ? "Sysop" : "Somebody");
    base->SetSubj("Subject " + std::to_string(i));
    base->SetOrigDestAddr({2, 5020, static_cast<std::uint16_t>(i % 1000), 0}, {2, 5020, 1, 0},
                          true);
    base->SetTextPos(base->GetTextSize());
    for (int line = 0; line < 20; ++line)
      base->PutTextLine("A line of text of a message body.");
    base->WriteMsg();
    base->CloseMsg();
  }
  kestrel::CloseBase(base);
}

double Scan(const std::string& id, const std::string& rule_action) {
  kestrel::MoverConfig config;
  config.Priority[0] = "TO";
  config.MoveSource = true;
  if (!rule_action.empty()) config.ToRules.push_back({"*", rule_action});
  kestrel::LogFile log("", false, false);
  const Clock::time_point start = Clock::now();
  kestrel::AreaScanResult result;
  if (const kestrel::FatalOutcome fatal = kestrel::ScanArea(id, config, log, result)) {
    std::fprintf(stderr, "Error: %s\n", fatal->message().c_str());
    std::exit(fatal->exit_code());
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int largest = argc > 1 ? std::atoi(argv[1]) : 4000;
  if (largest <= 0) {
    std::fprintf(stderr, "usage: %s [largest-count]\n", argv[0]);
    return 2;
  }
  const char* tmp = std::getenv("TMPDIR");
  const fs::path root =
      fs::path(tmp != nullptr ? tmp : "/tmp") /
      ("kestrel-scan-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
  fs::create_directories(root);
  kestrel::InstallStreamFactories();
  const char kinds[] = {'M', 'S', 'J'};
  int round = 0;
  for (int count = largest / 4; count <= largest; count *= 2) {
    for (char from : kinds) {
      const std::string scan_only =
          std::string(1, from) + (root / ("scan" + std::to_string(++round))).string();
      FillArea(scan_only, count);
      const double seconds = Scan(scan_only, "");
      std::printf("%c scan, no match           %6d messages %8.3f s %8.1f us per message\n", from,
                  count, seconds, seconds * 1e6 / count);
      for (char to : kinds) {
        const std::string source =
            std::string(1, from) + (root / ("src" + std::to_string(++round))).string();
        const std::string dest =
            std::string(1, to) + (root / ("dst" + std::to_string(round))).string();
        FillArea(source, count);
        const double moved = Scan(source, dest);
        std::printf("%c -> %c, move every message %6d messages %8.3f s %8.1f us per message\n",
                    from, to, count, moved, moved * 1e6 / count);
      }
    }
  }
  fs::remove_all(root);
  return 0;
}
