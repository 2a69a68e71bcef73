// Costs of a Squish base as the mover uses it: appending messages, opening
// the base (reading the index), a scan that reads every message, a scan that
// deletes every other message, new messages placed into the freed frames,
// and deleting the rest.
//
//   squish_base_bench [count [directory]]
//
// count defaults to 20000 messages of about 1 KB. The base is built in the
// directory (default: a new one under $TMPDIR or /tmp, removed afterwards),
// once with count messages and once with four times as many: the
// per-message figures should stay the same.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/squish/squish_base.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const char* what, int count, double seconds) {
  std::printf("  %-44s %8d %9.3f s %9.2f us each\n", what, count, seconds, seconds * 1e6 / count);
}

bool AddMessage(kestrel::SquishBase& base, int n, int body_lines) {
  if (!base.CreateMsg()) return false;
  base.SetFrom("Alice Sender");
  base.SetTo("Bob Receiver");
  base.SetSubj("Message " + std::to_string(n));
  base.PutTextLine("\x01INTL 2:5020/1 1:2/3");
  base.PutTextLine(
      "\x01"
      "FMPT 4");
  base.PutTextLine("\x01MSGID: 1:2/3.4 " + std::to_string(10000000 + n));
  for (int line = 0; line < body_lines; ++line)
    base.PutTextLine(std::string(60, static_cast<char>('a' + line % 26)));
  const bool written = base.WriteMsg();
  base.CloseMsg();
  return written;
}

bool Run(const fs::path& directory, int count) {
  fs::create_directories(directory);
  const std::string path = (directory / ("area" + std::to_string(count))).string();
  std::printf("%d messages\n", count);

  auto start = Clock::now();
  {
    kestrel::SquishBase base;
    if (!base.CreateMsgBase(path)) return false;
    for (int n = 1; n <= count; ++n)
      if (!AddMessage(base, n, 16)) return false;
  }
  Report("CreateMsg + WriteMsg (append)", count, SecondsSince(start));

  kestrel::SquishBase base;
  start = Clock::now();
  if (!base.OpenMsgBase(path)) return false;
  Report("OpenMsgBase (index read)", count, SecondsSince(start));

  start = Clock::now();
  std::int64_t text_bytes = 0;
  for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
    if (!base.OpenMsg()) return false;
    text_bytes += base.GetTextSize();
    base.CloseMsg();
  }
  Report("OpenMsg + CloseMsg", count, SecondsSince(start));

  start = Clock::now();
  for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
    if (!base.OpenMsgHeader()) return false;
    base.CloseMsg();
  }
  Report("OpenMsgHeader + CloseMsg", count, SecondsSince(start));

  start = Clock::now();
  int killed = 0;
  for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
    if (!base.OpenMsg()) return false;
    base.CloseMsg();
    if (base.GetMsgNum() % 2 == 0) {
      if (!base.KillMsg()) return false;
      ++killed;
    }
  }
  Report("scan, killing every other message", count, SecondsSince(start));

  const int reused = killed / 2;
  start = Clock::now();
  for (int n = 0; n < reused; ++n)
    if (!AddMessage(base, count + n, 12)) return false;
  Report("CreateMsg + WriteMsg (into free frames)", reused, SecondsSince(start));

  const int left = base.GetMsgCount();
  start = Clock::now();
  for (base.SeekFirst(1); base.SeekFound(); base.SeekNext())
    if (!base.KillMsg()) return false;
  Report("KillMsg of all the rest", left, SecondsSince(start));
  std::printf("  (%lld text bytes read)\n", static_cast<long long>(text_bytes));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 20000;
  if (count <= 0 || count > 1000000) {
    std::fprintf(stderr, "usage: %s [count (1-1000000) [directory]]\n", argv[0]);
    return 2;
  }
  fs::path directory;
  const bool own_directory = argc <= 2;
  if (!own_directory) {
    directory = argv[2];
  } else {
    const char* base = std::getenv("TMPDIR");
    directory = fs::path(base != nullptr && *base != '\0' ? base : "/tmp") /
                ("kestrel-squish-bench-" +
                 std::to_string(Clock::now().time_since_epoch().count() % 1000000007));
  }
  kestrel::InstallStreamFactories();
  const bool ok = Run(directory, count) && Run(directory, count * 4);
  if (own_directory) {
    std::error_code ignored;
    fs::remove_all(directory, ignored);
  }
  if (!ok) std::printf("a step failed\n");
  return 0;
}
