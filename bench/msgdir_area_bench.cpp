// Costs of a *.MSG area as the mover uses it: opening (one directory
// listing), walking every number, reading every message whole or only its
// leading kludges, creating and deleting messages.
//
//   msgdir_area_bench [count [directory]]
//
// count defaults to 10000 messages of about 1 KB. The area is built in the
// directory (default: a new one under $TMPDIR or /tmp, removed afterwards),
// once with count messages and once with four times as many: the per-message
// figures should stay the same.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/msgdir/msgdir_base.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const char* what, int count, double seconds) {
  std::printf("  %-40s %8d %9.3f s %9.2f us each\n", what, count, seconds, seconds * 1e6 / count);
}

// One stored message: the header, a few kludge lines and about 1 KB of body.
std::string MessageBytes(int n) {
  std::string bytes(kestrel::msgdir::kMsgHeaderSize, '\0');
  bytes.replace(0, 12, "Alice Sender");
  bytes.replace(144, 19, "05 Mar 21  07:08:10");
  bytes +=
      "\x01INTL 2:5020/1 1:2/3\r\x01"
      "FMPT 4\r\x01MSGID: 1:2/3.4 " +
      std::to_string(n) + "\r";
  for (int line = 0; line < 16; ++line)
    bytes += std::string(60, 'a' + line % 26) + "\r";
  bytes.push_back('\0');
  return bytes;
}

bool Run(const fs::path& area, int count) {
  fs::create_directories(area);
  for (int n = 1; n <= count; ++n) {
    std::ofstream(area / (std::to_string(n) + ".msg"), std::ios::binary) << MessageBytes(n);
  }
  std::printf("%d messages\n", count);

  kestrel::MsgDirBase base;
  auto start = Clock::now();
  if (!base.OpenMsgBase(area.string())) return false;
  Report("open (directory scan)", count, SecondsSince(start));

  start = Clock::now();
  int visited = 0;
  for (base.SeekFirst(1); base.SeekFound(); base.SeekNext())
    ++visited;
  Report("walk every number", visited, SecondsSince(start));

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

  const int created = count / 4;
  start = Clock::now();
  for (int i = 0; i < created; ++i) {
    if (!base.CreateMsg()) return false;
    base.SetFrom("Kestrel");
    base.PutTextLine("A new message");
    if (!base.WriteMsg()) return false;
    base.CloseMsg();
  }
  Report("CreateMsg + WriteMsg + CloseMsg", created, SecondsSince(start));

  start = Clock::now();
  for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
    if (!base.KillMsg()) return false;
  }
  Report("KillMsg", count + created, SecondsSince(start));
  std::printf("  (%lld text bytes read)\n", static_cast<long long>(text_bytes));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
  if (count <= 0 || count * 5 >= kestrel::kMsgNumberLimit) {
    std::fprintf(stderr, "usage: %s [count (1-12287) [directory]]\n", argv[0]);
    return 2;
  }
  fs::path directory;
  if (argc > 2) {
    directory = argv[2];
  } else {
    const char* base = std::getenv("TMPDIR");
    directory = fs::path(base != nullptr && *base != '\0' ? base : "/tmp") /
                ("kestrel-msgdir-bench-" +
                 std::to_string(Clock::now().time_since_epoch().count() % 1000000007));
  }
  kestrel::InstallStreamFactories();
  bool ok = Run(directory / "small", count) && Run(directory / "large", count * 4);

  // A file named with a huge number makes the highest number huge; walking
  // the area still costs only the numbers that can exist.
  const fs::path huge = directory / "huge";
  fs::create_directories(huge);
  std::ofstream(huge / "1.msg", std::ios::binary) << MessageBytes(1);
  std::ofstream(huge / "2147483646.msg", std::ios::binary) << MessageBytes(2);
  kestrel::MsgDirBase base;
  auto start = Clock::now();
  int visited = 0;
  if (base.OpenMsgBase(huge.string())) {
    for (base.SeekFirst(1); base.SeekFound(); base.SeekNext())
      ++visited;
  }
  std::printf("highest number 2147483646\n");
  Report("open and walk", visited, SecondsSince(start));

  std::error_code ignored;
  if (argc <= 2) fs::remove_all(directory, ignored);
  if (!ok) std::fprintf(stderr, "an operation failed\n");
  return ok ? 0 : 1;
}
