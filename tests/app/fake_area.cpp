#include "tests/app/fake_area.h"

#include <algorithm>
#include <memory>

#include "msgbase/io/mem_stream.h"
#include "msgbase/factory/message_base_factory.h"

namespace kestrel::testing {
namespace {

constexpr std::int32_t kFakeError = 0x7777;

std::string StreamBytes(BaseStream& stream) {
  std::string bytes(static_cast<std::size_t>(stream.GetSize()), '\0');
  stream.Seek(0);
  for (std::size_t at = 0; at < bytes.size(); at += 0x8000) {
    const std::size_t n = std::min<std::size_t>(0x8000, bytes.size() - at);
    stream.Read(bytes.data() + at, static_cast<std::uint16_t>(n));
  }
  return bytes;
}

std::unique_ptr<BaseStream> StreamOf(const std::string& bytes) {
  auto stream = std::make_unique<MemStream>();
  for (std::size_t at = 0; at < bytes.size(); at += 0x8000) {
    const std::string piece = bytes.substr(at, 0x8000);
    stream->Write(piece.data(), static_cast<std::uint16_t>(piece.size()));
  }
  stream->Seek(0);
  return stream;
}

class FakeBase : public MessageBase {
 public:
  explicit FakeBase(FakeAreas& areas) : areas_(areas) {}

  bool OpenMsgBase(const std::string& path) override {
    if (!areas_.Exists(path)) {
      SetLastError(kFakeError);
      return false;
    }
    area_ = &areas_.Area(path);
    SetOpened(true);
    return true;
  }
  bool CreateMsgBase(const std::string& path) override {
    if (path.empty()) return false;
    area_ = &areas_.Area(path);
    SetOpened(true);
    return true;
  }
  bool MsgBaseExists(const std::string& path) override { return areas_.Exists(path); }
  void CloseMsgBase() override {
    CloseMsg();
    area_ = nullptr;
    SetOpened(false);
  }
  bool MsgExists(std::int32_t num) override { return area_->messages.count(num) != 0; }
  std::int32_t GetHighMsgNum() override {
    if (area_->renumber) return static_cast<std::int32_t>(area_->messages.size()) + 1;
    return area_->next_number - 1;
  }
  std::int32_t GetMsgCount() override { return static_cast<std::int32_t>(area_->messages.size()); }

  bool OpenMsg() override {
    CloseMsg();
    auto found = area_->messages.find(GetMsgNum());
    if (found == area_->messages.end() || GetMsgNum() == area_->fail_open_number) {
      SetLastError(kFakeError);
      return false;
    }
    message_ = found->second;
    creating_ = false;
    SetTextStream(StreamOf(message_.text));
    return true;
  }
  bool OpenMsgHeader() override { return OpenMsg(); }
  bool CloseMsg() override {
    if (GetTextStream() == nullptr) return false;
    SetTextStream(nullptr);
    return true;
  }
  std::string GetFrom() override { return message_.from; }
  std::string GetTo() override { return message_.to; }
  std::string GetSubj() override { return message_.subj; }
  void SetFrom(const std::string& s) override { message_.from = s; }
  void SetTo(const std::string& s) override { message_.to = s; }
  void SetSubj(const std::string& s) override { message_.subj = s; }
  void GetOrigAddr(FidoAddress& addr) override {
    ClearAddress(addr);
    MessageBase::GetOrigAddr(addr);
  }
  void GetDestAddr(FidoAddress& addr) override {
    ClearAddress(addr);
    MessageBase::GetDestAddr(addr);
  }
  void GetOrigDestAddr(FidoAddress& orig, FidoAddress& dest) override {
    ClearAddress(orig);
    ClearAddress(dest);
    MessageBase::GetOrigDestAddr(orig, dest);
  }
  bool GetAttr(std::uint32_t code) override { return (message_.attributes & code) != 0; }
  void SetAttr(std::uint32_t code, bool on) override {
    message_.attributes = on ? message_.attributes | code : message_.attributes & ~code;
  }
  void GetDateWritten(MsgDateTime& dt) override { dt = message_.written; }
  void GetDateArrived(MsgDateTime& dt) override { dt = message_.arrived; }
  void SetDateWritten(const MsgDateTime& dt) override { message_.written = dt; }
  void SetDateArrived(const MsgDateTime& dt) override { message_.arrived = dt; }

  bool CreateMsg() override {
    CloseMsg();
    if (area_->fail_create) {
      SetLastError(kFakeError);
      return false;
    }
    message_ = FakeMessage{};
    creating_ = true;
    SetTextStream(StreamOf(""));
    return true;
  }
  bool WriteMsg() override {
    if (area_->fail_write) return false;
    message_.text = StreamBytes(*GetTextStream());
    if (creating_) {
      SetMsgNum(area_->Add(message_));
      creating_ = false;
    } else {
      area_->messages[GetMsgNum()] = message_;
    }
    return true;
  }
  bool RewriteHeader() override { return WriteMsg(); }
  bool KillMsg() override {
    if (area_->fail_kill || !MsgExists(GetMsgNum())) return false;
    area_->messages.erase(GetMsgNum());
    if (area_->renumber) {
      std::map<std::int32_t, FakeMessage> renumbered;
      std::int32_t n = 1;
      for (auto& entry : area_->messages)
        renumbered[n++] = std::move(entry.second);
      area_->messages = std::move(renumbered);
      area_->next_number = n;
      SetMsgNum(GetMsgNum() - 1);
    }
    return true;
  }
  std::int32_t GetLastRead(std::int32_t user) override {
    auto found = area_->lastread.find(user);
    return found == area_->lastread.end() ? 0 : found->second;
  }
  void SetLastRead(std::int32_t user, std::int32_t num) override { area_->lastread[user] = num; }
  std::int32_t GetMsgUid() override { return GetMsgNum(); }
  void SeekMsgUid(std::int32_t uid) override { SetMsgNum(uid); }

 private:
  FakeAreas& areas_;
  FakeArea* area_ = nullptr;
  FakeMessage message_;
  bool creating_ = false;
};

}  // namespace

std::int32_t FakeArea::Add(FakeMessage message) {
  const std::int32_t number = next_number++;
  messages[number] = std::move(message);
  return number;
}

FakeAreas::FakeAreas() {
  InstallStreamFactories();
  SetBaseConstructorOverride([this](AreaKind) { return std::make_unique<FakeBase>(*this); });
}

std::string FakeAreas::Key(std::string path) {
  for (char& c : path) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return path;
}

FakeAreas::~FakeAreas() {
  SetBaseConstructorOverride(nullptr);
}

std::string TextOf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text += line;
    text += '\r';
  }
  return text;
}

}  // namespace kestrel::testing
