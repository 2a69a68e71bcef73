// Fills a message area with generated netmail for benchmarks.
//
//   kestrel-make-netmail AREA COUNT [--seed N] [--match-percent P] [--match-to NAME]
//                        [--first-body-bytes B]
// --first-body-bytes makes the first message's body B bytes long (lines of
// text), to time the memory a very large message takes.
//
// AREA is an area identifier as in the configuration (type letter and path:
// Mdir, Sbase, Jbase); the area is created when it does not exist, and the
// messages are appended to what it holds. A share of P percent (default 10)
// is addressed to NAME (default "Kestrel Bench Target"). The same seed gives
// the same messages. Prints how many messages, matching messages and body
// bytes were written.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "bench/netmail_generator.h"
#include "msgbase/factory/message_base_factory.h"
#include "platform/console.h"

namespace {

using kestrel::platform::ConsoleWriteLine;

int Usage() {
  ConsoleWriteLine(
      "Usage: kestrel-make-netmail AREA COUNT [--seed N] [--match-percent P] [--match-to NAME] "
      "[--first-body-bytes B]");
  return 1;
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 19) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  kestrel::platform::ConsoleInit();
  kestrel::InstallStreamFactories();
  if (argc < 3) return Usage();
  const std::string area = argv[1];
  std::uint64_t count = 0;
  if (!ParseNumber(argv[2], count)) return Usage();

  kestrel::bench::GeneratorOptions options;
  std::uint64_t first_body_bytes = 0;
  for (int i = 3; i < argc; i += 2) {
    const std::string_view option = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string_view value = argv[i + 1];
    std::uint64_t number = 0;
    if (option == "--seed" && ParseNumber(value, number)) {
      options.seed = number;
    } else if (option == "--match-percent" && ParseNumber(value, number) && number <= 100) {
      options.match_percent = static_cast<int>(number);
    } else if (option == "--match-to" && !value.empty()) {
      options.match_recipient = std::string(value);
    } else if (option == "--first-body-bytes" && ParseNumber(value, number)) {
      first_body_bytes = number;
    } else {
      return Usage();
    }
  }

  std::unique_ptr<kestrel::MessageBase> base;
  if (!kestrel::OpenOrCreateBase(area, base)) {
    ConsoleWriteLine("Cannot open or create " + area);
    if (base) kestrel::CloseBase(base);
    return 1;
  }
  base->SetMailType(kestrel::kMailTypeNetmail);
  kestrel::bench::NetmailGenerator generator(options);
  std::uint64_t matching = 0;
  std::uint64_t body_bytes = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    kestrel::bench::GeneratedMessage message = generator.Next();
    if (i == 0 && first_body_bytes > 0) {
      const std::string line = "A very large message, line after line of it.\r";
      std::string body;
      body.reserve(first_body_bytes + line.size());
      while (body.size() < first_body_bytes)
        body += line;
      body.resize(first_body_bytes);
      message.text += body;
      message.body_bytes += body.size();
    }
    if (!kestrel::bench::WriteGeneratedMessage(*base, message)) {
      ConsoleWriteLine("Cannot write message " + std::to_string(i + 1) + " into " + area +
                       " (error " + std::to_string(base->GetLastError()) + ")");
      kestrel::CloseBase(base);
      return 1;
    }
    if (message.matches) ++matching;
    body_bytes += message.body_bytes;
  }
  kestrel::CloseBase(base);
  ConsoleWriteLine(std::to_string(count) + " messages, " + std::to_string(matching) +
                   " to the matching recipient, " + std::to_string(body_bytes) + " body bytes");
  return 0;
}
