// Costs of a JAM base: stream calls (each one system call or more on a file)
// and time for scanning, killing and compacting.
//
//   jam_bench [messages] [kills]      (defaults 10000 and 200)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "msgbase/jam/jam_base.h"
#include "msgbase/factory/message_base_factory.h"
#include "msgbase/io/stream_hooks.h"

namespace {

using namespace kestrel;

// Calls that reach a file stream; every one is at least one system call.
long file_calls = 0;

class CountingStream : public BaseStream {
 public:
  explicit CountingStream(std::unique_ptr<BaseStream> inner)
      : BaseStream(inner->Name(), inner->Mode()), inner_(std::move(inner)) {
    SetStatus(inner_->Status());
  }
  void Read(void* buffer, std::uint16_t count) override {
    Count(), inner_->Read(buffer, count), Take();
  }
  void Write(const void* buffer, std::uint16_t count) override {
    Count(), inner_->Write(buffer, count), Take();
  }
  void Seek(std::int32_t position) override { Count(), inner_->Seek(position), Take(); }
  std::int32_t GetPos() override { return Count(), inner_->GetPos(); }
  std::int32_t GetSize() override { return Count(), inner_->GetSize(); }
  void Flush() override { inner_->Flush(); }
  void Truncate() override { Count(), inner_->Truncate(), Take(); }
  void Reset() override { inner_->Reset(), SetStatus(inner_->Status()); }

 private:
  static void Count() { ++file_calls; }
  void Take() { SetStatus(inner_->Status()); }
  std::unique_ptr<BaseStream> inner_;
};

struct Measure {
  const char* what;
  long calls_before = file_calls;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

  void Report(long units, const char* unit) const {
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const long calls = file_calls - calls_before;
    std::printf("%-34s %8ld file calls %8.2f per %-8s %9.1f ms %8.2f us per %s\n", what, calls,
                static_cast<double>(calls) / units, unit, ms, ms * 1000 / units, unit);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int messages = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int kills = argc > 2 ? std::atoi(argv[2]) : 200;
  InstallStreamFactories();
  NewFile = [](const std::string& name, std::uint32_t mode) -> std::unique_ptr<BaseStream> {
    std::unique_ptr<BaseStream> inner = MakeFileStream(name, mode);
    if (!inner) return nullptr;
    return std::make_unique<CountingStream>(std::move(inner));
  };
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kestrel-jam-bench";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "netmail").string();
  const std::string text =
      "\x01MSGID: 2:5020/1 12345678\rHello, this is a test message.\rSecond line.\r";
  std::printf("JAM base of %d messages, %d kills\n", messages, kills);

  JamBase base;
  base.CreateMsgBase(path);
  base.SetMailType(kMailTypeNetmail);
  {
    Measure m{"write (CreateMsg..WriteMsg)"};
    for (int i = 0; i < messages; ++i) {
      base.CreateMsg();
      base.SetFrom("Sender " + std::to_string(i));
      base.SetTo("Sysop");
      base.SetSubj("Subject " + std::to_string(i));
      base.WriteTextBlock(text.data(), static_cast<std::uint16_t>(text.size()));
      base.WriteMsg();
      base.CloseMsg();
    }
    m.Report(messages, "message");
  }
  base.CloseMsgBase();
  {
    Measure m{"scan (SeekNext, OpenMsg)"};
    base.OpenMsgBase(path);
    base.SetMailType(kMailTypeNetmail);
    for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
      base.OpenMsg();
      base.CloseMsg();
    }
    m.Report(messages, "message");
  }
  {
    Measure m{"kill (OpenMsg, KillMsg)"};
    for (int i = 0; i < kills; ++i) {
      base.SetMsgNum(1 + (i * 7919) % base.GetMsgCount());
      base.OpenMsg();
      base.CloseMsg();
      base.KillMsg();
    }
    m.Report(kills, "kill");
  }
  base.CloseMsgBase();
  std::printf("left %d messages\n", messages - kills);
  std::filesystem::remove_all(dir);
  return 0;
}
