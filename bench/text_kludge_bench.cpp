// Times the shared text and kludge operations on message texts of growing
// size. Every figure should grow in step with the text (linear): reading a
// line never copies the whole text, and editing a kludge copies only the
// text behind it.
//
//   build/bench/text_kludge_bench [largest size in MB, default 8]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "msgbase/io/mem_stream.h"
#include "msgbase/plain_message_base.h"

namespace kestrel {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// 500 kludge lines, then body lines of 70 characters up to `bytes`.
std::unique_ptr<MemStream> MakeText(std::int32_t bytes) {
  auto text = std::make_unique<MemStream>();
  for (int i = 0; i < 500; ++i) {
    const std::string line = "\x01VIA 2:5020/" + std::to_string(i) + " 20240101.000000\r";
    text->Write(line.data(), static_cast<std::uint16_t>(line.size()));
  }
  const std::string body(70, 'b');
  const std::string line = body + "\r";
  while (text->GetSize() < bytes)
    text->Write(line.data(), static_cast<std::uint16_t>(line.size()));
  text->Seek(0);
  return text;
}

void Measure(std::int32_t megabytes) {
  PlainMessageBase base;
  base.SetMailType(kMailTypeNetmail);
  base.SetTextStream(MakeText(megabytes << 20));

  Clock::time_point start = Clock::now();
  std::string line;
  int lines = 0;
  base.SetTextPos(0);
  while (!base.EndOfText()) {
    base.GetTextLine(line);
    ++lines;
  }
  const double read_ms = MillisecondsSince(start);

  start = Clock::now();
  FidoAddress orig{}, dest{};
  base.GetOrigDestAddr(orig, dest);
  const double addr_ms = MillisecondsSince(start);

  start = Clock::now();
  base.SetKludge("\x01VIA 2:5020/0 ", "\x01VIA replaced");  // first line: whole tail
  base.AddKludge("\x01NEW line");
  base.DeleteKludge("\x01NEW");
  const double edit_ms = MillisecondsSince(start);

  start = Clock::now();
  base.SetOrigDestAddr({2, 5020, 1, 3}, {1, 2, 3, 4}, true);  // scans and edits
  const double set_addr_ms = MillisecondsSince(start);

  std::printf(
      "%4d MB %8d lines: read lines %8.1f ms  GetOrigDestAddr %8.1f ms  "
      "SetKludge+AddKludge+DeleteKludge %8.1f ms  SetOrigDestAddr %8.1f ms\n",
      megabytes, lines, read_ms, addr_ms, edit_ms, set_addr_ms);
}

}  // namespace
}  // namespace kestrel

int main(int argc, char** argv) {
  const int largest = argc > 1 ? std::atoi(argv[1]) : 8;
  for (int mb = 1; mb <= largest; mb *= 2)
    kestrel::Measure(mb);
  return 0;
}
