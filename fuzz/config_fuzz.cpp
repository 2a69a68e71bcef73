// Fuzzes the configuration reader: the input is the configuration file,
// split into lines and applied keyword by keyword as at start-up, fed in
// pieces of a size the input chooses. The rules read are then tried on a
// message header made from the last line of the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/config_line_splitter.h"
#include "app/config_parser.h"
#include "app/current_header.h"
#include "app/log_file.h"
#include "app/match_rules.h"
#include "app/mover_config.h"
#include "fuzz/fuzz_scratch.h"

namespace {

// A log that keeps nothing: found-mail entries would only fill the console.
class SilentLog : public kestrel::LogFile {
 public:
  SilentLog() : LogFile("", false, false) {}
  void Log(char, std::string_view, std::string_view) override {}
  void LogPlain(std::string_view) override {}
  void LogQuiet(char, std::string_view, std::string_view) override {}
  void Warning(std::string_view, std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrel;
  fuzz::InputPieces input(data, size);
  const std::uint8_t piece_size = input.Byte();
  const std::string_view header_line = input.Next();
  const std::string_view file = input.Rest();

  MoverConfig config;
  ConfigProblems problems;
  ConfigLineSplitter splitter(
      [&](std::string_view line) { ApplyConfigLine(PrepareConfigLine(line), config, problems); });
  const std::size_t step = piece_size == 0 ? file.size() + 1 : piece_size;
  for (std::size_t at = 0; at < file.size(); at += step)
    splitter.Feed(file.substr(at, step));
  splitter.Finish();

  CurrentHeader header;
  header.msgFrom = std::string(header_line.substr(0, 36));
  header.msgTo = header.msgFrom;
  header.msgSubj = std::string(header_line.substr(0, 72));
  if (header_line.size() >= 8) {
    auto part = [&](std::size_t i) { return static_cast<std::uint16_t>(header_line[i]); };
    header.msgDest = FidoAddress{part(0), part(1), part(2), part(3)};
    header.msgOrig = FidoAddress{part(4), part(5), part(6), part(7)};
  }
  SilentLog log;
  MatchRules(config, header, log);
  return 0;
}
