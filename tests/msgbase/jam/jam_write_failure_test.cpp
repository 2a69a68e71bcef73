// Writes that fail (a full disk, an I/O error) are reported, and leave the
// base sound: a message that was not stored is never reported as stored.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/jam/jam_base.h"
#include "tests/support/jam_checker.h"
#include "tests/support/jam_test_support.h"

namespace kestrel::testing {
namespace {

// The code a JAM base records when a read or write of a message failed.
constexpr std::int32_t kJamMessageIoError = 0x2006;

// A file stream whose writes (and truncations) fail while its extension is
// listed in FailingExtensions.
std::map<std::string, bool>& FailingExtensions() {
  static std::map<std::string, bool> extensions;
  return extensions;
}

class FailingStream : public BaseStream {
 public:
  FailingStream(const std::string& name, std::unique_ptr<BaseStream> inner)
      : BaseStream(name, inner->Mode()), inner_(std::move(inner)) {
    std::string extension = name.substr(name.rfind('.') + 1);
    for (char& c : extension)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    extension_ = extension;
    SetStatus(inner_->Status());
  }
  void Read(void* buffer, std::uint16_t count) override {
    inner_->Read(buffer, count);
    Take();
  }
  void Write(const void* buffer, std::uint16_t count) override {
    if (Failing()) return SetStatus(StWriteError);
    inner_->Write(buffer, count);
    Take();
  }
  void Seek(std::int32_t position) override {
    inner_->Seek(position);
    Take();
  }
  std::int32_t GetPos() override { return Status() == StOk ? inner_->GetPos() : -1; }
  std::int32_t GetSize() override { return Status() == StOk ? inner_->GetSize() : -1; }
  void Flush() override {}
  void Truncate() override {
    if (Failing()) return SetStatus(StError);
    inner_->Truncate();
    Take();
  }
  void Reset() override {
    inner_->Reset();
    SetStatus(StOk);
  }

 private:
  bool Failing() const { return FailingExtensions()[extension_]; }
  void Take() {
    if (Status() == StOk) SetStatus(inner_->Status());
  }
  std::unique_ptr<BaseStream> inner_;
  std::string extension_;
};

class JamWriteFailureTest : public JamBaseTest {
 protected:
  void SetUp() override {
    JamBaseTest::SetUp();
    FailingExtensions().clear();
    NewFile = [](const std::string& name, std::uint32_t mode) -> std::unique_ptr<BaseStream> {
      std::unique_ptr<BaseStream> inner = MakeFileStream(name, mode);
      if (!inner) return nullptr;
      return std::make_unique<FailingStream>(name, std::move(inner));
    };
  }
  void TearDown() override {
    FailingExtensions().clear();
    InstallStreamFactories();
  }
};

TEST_F(JamWriteFailureTest, WriteMsgReportsEveryFailedFile) {
  MakeBase(2);
  for (const char* extension : {"jdt", "jhr", "jdx"}) {
    SCOPED_TRACE(extension);
    std::unique_ptr<JamBase> base = OpenBase();
    // A new message and a copy of an opened one.
    ASSERT_TRUE(base->CreateMsg());
    base->SetSubj("new");
    base->WriteTextBlock("text\r", 5);
    FailingExtensions()[extension] = true;
    base->SetLastError(0);
    EXPECT_FALSE(base->WriteMsg());
    // The failure says why, as every format's does: the write failed.
    EXPECT_EQ(base->GetLastError(), kJamMessageIoError);
    FailingExtensions()[extension] = false;
    base->CloseMsg();
    base->SetMsgNum(1);
    ASSERT_TRUE(base->OpenMsg());
    base->SetSubj("copy");
    FailingExtensions()[extension] = true;
    base->SetLastError(0);
    EXPECT_FALSE(base->WriteMsg());
    EXPECT_EQ(base->GetLastError(), kJamMessageIoError);
    // The header in memory is still the stored one: rewriting it is harmless.
    EXPECT_EQ(base->RewriteHeader(), std::string(extension) != "jhr");
    FailingExtensions()[extension] = false;
    base->CloseMsg();
    EXPECT_EQ(base->GetMsgCount(), 2);
    base->CloseMsgBase();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Subject 1", "Subject 2"}));
    const JamCheck check = CheckJamBase(base_path);
    EXPECT_TRUE(check.ok()) << check.Describe();
  }
}

TEST_F(JamWriteFailureTest, KillMsgReportsAFailedWrite) {
  // Whichever write fails, the message ends up deleted in a form JAM
  // software understands (at worst marked in its header with the record
  // kept), and the next operations work.
  for (const char* extension : {"jhr", "jdx"}) {
    SCOPED_TRACE(extension);
    MakeBase(3);
    std::unique_ptr<JamBase> base = OpenBase();
    base->SetMsgNum(1);
    ASSERT_TRUE(base->OpenMsg());
    FailingExtensions()[extension] = true;
    base->SetLastError(0);
    EXPECT_FALSE(base->KillMsg());
    EXPECT_EQ(base->GetLastError(), kJamMessageIoError);
    FailingExtensions()[extension] = false;
    AddMessage(*base, NewMessage());
    base->CloseMsgBase();
    const JamCheck check = CheckJamBase(base_path, IndexForm::kWithDeleted);
    EXPECT_TRUE(check.ok()) << check.Describe();
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Subject 2", "Subject 3", "Hello"}));
    EXPECT_TRUE(CheckJamBase(base_path).ok());  // the next open compacted it
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directory(dir.path());
  }
}

}  // namespace
}  // namespace kestrel::testing
