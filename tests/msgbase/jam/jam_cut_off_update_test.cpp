// Bases left by a run cut off in the middle of a message update (a kill, a
// power cut): every state that the writes of WriteMsg and KillMsg can leave
// opens, shows each message once, and is put right (compacted, recounted)
// when the base is closed again.
#include <gtest/gtest.h>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/jam/jam_base.h"
#include "tests/support/jam_checker.h"
#include "tests/support/jam_test_support.h"

namespace kestrel::testing {
namespace {

constexpr std::uint32_t kDeleted = 0x80000000;
constexpr std::size_t kRecord = 8;

class JamCutOffUpdateTest : public JamBaseTest {
 protected:
  RawJamBase FourMessages() {
    std::vector<RawMessage> messages;
    for (int n = 1; n <= 4; ++n) {
      RawMessage message;
      message.subfields = {{kJamSubject, "Subject " + std::to_string(n)}};
      message.text = "Text " + std::to_string(n) + "\r";
      messages.push_back(message);
    }
    return RawJamBase::Build(messages);
  }

  std::string Record(const RawJamBase& raw, std::size_t i) {
    return raw.jdx.substr(i * kRecord, kRecord);
  }

  // Opens and closes the base once (as any run would), then checks it.
  void ExpectPutRight(const std::vector<std::string>& subjects) {
    EXPECT_EQ(Subjects(), subjects);
    std::unique_ptr<JamBase> base = OpenBase();
    ASSERT_NE(base, nullptr);
    base->CloseMsgBase();
    const JamCheck check = CheckJamBase(base_path, IndexForm::kCompact);
    EXPECT_TRUE(check.ok()) << check.Describe();
    EXPECT_EQ(Subjects(), subjects);
  }

  // The first two steps of killing the second of four messages: ActiveMsgs
  // lowered and its header marked deleted.
  RawJamBase SecondMarkedDeleted() {
    RawJamBase raw = FourMessages();
    raw.SetActiveMsgs(3);
    raw.SetMessageField(1, kJamMsgAttributeOffset, 0x02000000 | kDeleted);
    return raw;
  }
};

TEST_F(JamCutOffUpdateTest, KillCutOffAtEachStepLeavesABaseThatOpensRight) {
  const std::vector<std::string> all = {"Subject 1", "Subject 2", "Subject 3", "Subject 4"};
  const std::vector<std::string> without_second = {"Subject 1", "Subject 3", "Subject 4"};
  {
    SCOPED_TRACE("ActiveMsgs lowered, nothing else written: the message stays");
    RawJamBase raw = FourMessages();
    raw.SetActiveMsgs(3);
    raw.Write(base_path);
    ExpectPutRight(all);
  }
  {
    SCOPED_TRACE("header marked deleted, index untouched");
    SecondMarkedDeleted().Write(base_path);
    ExpectPutRight(without_second);
  }
  {
    SCOPED_TRACE("index record set to -1, not yet compacted");
    RawJamBase raw = SecondMarkedDeleted();
    raw.jdx.replace(kRecord + 4, 4, std::string(4, '\xFF'));
    raw.Write(base_path);
    ExpectPutRight(without_second);
  }
  {
    SCOPED_TRACE("records moved down, the index not yet cut: the last record twice");
    RawJamBase raw = SecondMarkedDeleted();
    raw.jdx = Record(raw, 0) + Record(raw, 2) + Record(raw, 3) + Record(raw, 3);
    raw.Write(base_path);
    ExpectPutRight(without_second);
  }
}

TEST_F(JamCutOffUpdateTest, WriteCutOffBeforeTheCountsLeavesTheNewMessageCounted) {
  MakeBase(2);
  // A third message whose text, header and index record were written, and
  // whose base header (ActiveMsgs 2) was not.
  const std::string jhr_before = File("jhr");
  {
    std::unique_ptr<JamBase> base = OpenBase();
    NewMessage message;
    message.subject = "Subject 3";
    AddMessage(*base, message);
    base->CloseMsgBase();
  }
  std::string jhr = File("jhr");
  jhr.replace(0, kJamBaseHeaderSize, jhr_before.substr(0, kJamBaseHeaderSize));
  WriteJamFile(base_path, "jhr", jhr);
  ExpectPutRight({"Subject 1", "Subject 2", "Subject 3"});
}

TEST_F(JamCutOffUpdateTest, TheCountsAreOnDiskAsSoonAsAnUpdateIsComplete) {
  MakeBase(3);
  std::unique_ptr<JamBase> base = OpenBase();
  base->SetMsgNum(2);
  ASSERT_TRUE(base->OpenMsg());
  base->CloseMsg();
  ASSERT_TRUE(base->KillMsg());
  // Not closed: what is on disk already counts two messages.
  EXPECT_EQ(GetLe32(File("jhr"), kJamActiveMsgsOffset), 2u);
  AddMessage(*base, NewMessage{});
  EXPECT_EQ(GetLe32(File("jhr"), kJamActiveMsgsOffset), 3u);
  const JamCheck check = CheckJamBase(base_path, IndexForm::kCompact);
  EXPECT_TRUE(check.ok()) << check.Describe();
  base->CloseMsgBase();
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

class JamCutOffCreationTest : public JamBaseTest {
 protected:
  // Opens the base through the factory (creating it when it is not one),
  // adds a message and closes it; the base must then be sound.
  void AddThroughTheFactoryAndCheck() {
    std::unique_ptr<MessageBase> base;
    ASSERT_TRUE(OpenOrCreateBase("J" + base_path, base));
    AddMessage(static_cast<JamBase&>(*base), NewMessage{});
    CloseBase(base);
    const JamCheck check = CheckJamBase(base_path, IndexForm::kCompact);
    EXPECT_TRUE(check.ok()) << check.Describe();
  }
};

TEST_F(JamCutOffCreationTest, FilesLeftBeforeTheBaseHeaderAreReplacedByANewBase) {
  for (const std::string& header : {std::string(), std::string(100, 'J')}) {
    SCOPED_TRACE(header.size());
    for (const char* extension : {"jhr", "jdx", "jdt", "jlr"})
      WriteJamFile(base_path, extension, "");
    WriteJamFile(base_path, "jhr", header);
    JamBase probe;
    EXPECT_FALSE(probe.MsgBaseExists(base_path));

    AddThroughTheFactoryAndCheck();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Hello"});
  }
}

TEST_F(JamCutOffCreationTest, SomeFilesLeftBeforeTheOthersWereCreatedAreReplacedToo) {
  WriteJamFile(base_path, "jhr", "");
  WriteJamFile(base_path, "jdx", "");
  AddThroughTheFactoryAndCheck();
}

TEST_F(JamCutOffCreationTest, ABaseHoldingAnythingIsNeverTakenForOne) {
  // A damaged header file next to stored texts, or lastread records: the
  // base exists (and fails to open) rather than being replaced.
  for (const char* extension : {"jdx", "jdt", "jlr"}) {
    SCOPED_TRACE(extension);
    for (const char* other : {"jhr", "jdx", "jdt", "jlr"})
      WriteJamFile(base_path, other, "");
    WriteJamFile(base_path, extension, "stored bytes");
    JamBase probe;
    EXPECT_TRUE(probe.MsgBaseExists(base_path));
    std::unique_ptr<MessageBase> base;
    EXPECT_FALSE(OpenOrCreateBase("J" + base_path, base));
    CloseBase(base);
    EXPECT_EQ(ReadJamFile(base_path, extension), "stored bytes");
  }
}

}  // namespace
}  // namespace kestrel::testing
