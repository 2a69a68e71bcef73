#include "tests/support/watched_files.h"

#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "msgbase/io/stream_hooks.h"
#include "platform/open_override.h"

namespace kestrel::testing {

namespace {

class WatchedFile : public BaseStream {
 public:
  WatchedFile(std::unique_ptr<BaseStream> inner, FileCalls& calls)
      : BaseStream(inner->Name(), inner->Mode()), inner_(std::move(inner)), calls_(calls) {
    SetStatus(inner_->Status());
  }

  void Read(void* buffer, std::uint16_t count) override {
    if (Failed()) {
      std::memset(buffer, 0, count);
      return;
    }
    ++calls_.reads;
    inner_->Read(buffer, count);
    Take();
  }
  void Write(const void* buffer, std::uint16_t count) override {
    if (Failed() || CountWriteThatFails()) return;
    inner_->Write(buffer, count);
    Take();
  }
  void Seek(std::int32_t position) override {
    if (Failed()) return;
    ++calls_.seeks;
    inner_->Seek(position);
    Take();
  }
  std::int32_t GetPos() override {
    if (Failed()) return -1;
    ++calls_.sizes;
    const std::int32_t pos = inner_->GetPos();
    Take();
    return pos;
  }
  std::int32_t GetSize() override {
    if (Failed()) return -1;
    ++calls_.sizes;
    const std::int32_t size = inner_->GetSize();
    Take();
    return size;
  }
  void Flush() override {
    if (Failed()) return;
    inner_->Flush();
    Take();
  }
  bool Lock(std::int32_t position, std::int32_t length) override {
    return inner_->Lock(position, length);
  }
  void Unlock(std::int32_t position, std::int32_t length) override {
    inner_->Unlock(position, length);
  }
  void Truncate() override {
    if (Failed() || CountWriteThatFails()) return;
    inner_->Truncate();
    Take();
  }
  void Reset() override {
    inner_->Reset();
    SetStatus(StOk);
  }

 private:
  bool Failed() const { return Status() != StOk; }
  // Counts a write (or truncation); true, with the stream failed, when it is
  // the one chosen to fail.
  bool CountWriteThatFails() {
    ++calls_.writes;
    if (calls_.fail_write == 0 || calls_.writes != calls_.fail_write) return false;
    calls_.failed = true;
    SetStatus(StWriteError);
    return true;
  }
  void Take() { SetStatus(inner_->Status()); }

  std::unique_ptr<BaseStream> inner_;
  FileCalls& calls_;
};

}  // namespace

void InstallWatchedFiles(FileCalls& calls) {
  NewFile = [&calls](const std::string& name, std::uint32_t mode) -> std::unique_ptr<BaseStream> {
    std::unique_ptr<BaseStream> inner = MakeFileStream(name, mode);
    if (inner == nullptr) return nullptr;
    ++calls.opens;
    return std::make_unique<WatchedFile>(std::move(inner), calls);
  };
}

FailingOpens::FailingOpens(std::string path, platform::DosError error) : path_(std::move(path)) {
  platform::SetOpenFailureOverride([this, error](std::string_view opened) {
    return opened == path_ ? error : platform::dos_error::kNone;
  });
}

FailingOpens::~FailingOpens() {
  platform::SetOpenFailureOverride({});
}

}  // namespace kestrel::testing
