// Opening, creating, numbering and compacting JAM bases.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/io/stream_hooks.h"
#include "tests/support/jam_checker.h"
#include "tests/support/jam_test_support.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

RawMessage Numbered(int n) {
  RawMessage message;
  message.subfields = {{kJamSubject, "Subject " + std::to_string(n)}};
  message.text = "Text " + std::to_string(n) + "\r";
  return message;
}

std::vector<RawMessage> NumberedMessages(int count) {
  std::vector<RawMessage> messages;
  for (int n = 1; n <= count; ++n)
    messages.push_back(Numbered(n));
  return messages;
}

class JamBaseFilesTest : public JamBaseTest {};

TEST_F(JamBaseFilesTest, MissingFilesAreReportedInOrderAndNothingStaysOpen) {
  MakeBase(1);
  fs::remove(JamFile(base_path, "jlr"));  // no reason to fail (see below)
  const std::pair<const char*, std::int32_t> steps[] = {
      {"jdt", 0x2002}, {"jdx", 0x2001}, {"jhr", 0x2000}};
  for (const auto& [extension, code] : steps) {
    fs::remove(JamFile(base_path, extension));
    JamBase base;
    EXPECT_FALSE(base.OpenMsgBase(base_path)) << extension;
    EXPECT_EQ(base.GetLastError(), code) << extension;
    EXPECT_FALSE(base.IsOpened());
    EXPECT_EQ(base.GetBasePath(), base_path + ".");  // kept after a missing file
    EXPECT_FALSE(base.MsgBaseExists(base_path));
  }
}

// Other JAM software creates bases without a .jlr file.
TEST_F(JamBaseFilesTest, BaseWithoutLastReadFileWorksAndGetsOneOnTheFirstStore) {
  MakeBase(2);
  fs::remove(JamFile(base_path, "jlr"));
  JamBase probe;
  EXPECT_TRUE(probe.MsgBaseExists(base_path));
  {
    std::unique_ptr<JamBase> base = OpenBase();
    EXPECT_EQ(base->GetLastRead(1), 0);
    EXPECT_TRUE(base->MsgExists(2));
    AddMessage(*base, NewMessage{});
  }
  EXPECT_FALSE(fs::exists(JamFile(base_path, "jlr")));  // nothing stored, nothing made
  EXPECT_EQ(Subjects().size(), 3u);

  std::unique_ptr<JamBase> base = OpenBase();
  // Another program makes the file meanwhile: its records are kept.
  const std::string other = std::string("\x05\0\0\0\x05\0\0\0\x02\0\0\0\x02\0\0\0", 16);
  WriteJamFile(base_path, "jlr", other);
  base->SetLastRead(1, 3);
  EXPECT_EQ(base->GetLastRead(1), 3);
  EXPECT_EQ(base->GetLastRead(5), 2);
  base.reset();
  EXPECT_EQ(File("jlr"), other + std::string("\x01\0\0\0\x01\0\0\0\x03\0\0\0\x03\0\0\0", 16));

  fs::remove(JamFile(base_path, "jlr"));
  base = OpenBase();
  base->SetLastRead(1, 2);
  base.reset();
  EXPECT_EQ(File("jlr"), std::string("\x01\0\0\0\x01\0\0\0\x02\0\0\0\x02\0\0\0", 16));
}

TEST_F(JamBaseFilesTest, LastReadFileThatCannotBeOpenedIsNeverRecreated) {
  MakeBase(1);
  {
    std::unique_ptr<JamBase> base = OpenBase();
    base->SetLastRead(1, 1);
    base->SetLastRead(2, 1);
  }
  const std::string records = File("jlr");
  ASSERT_EQ(records.size(), 32u);
  {
    // Another program holds the .jlr exclusively.
    std::unique_ptr<BaseStream> holder = NewFile(JamFile(base_path, "jlr"), 0x0002);
    ASSERT_EQ(holder->Status(), StOk);
    JamBase base;
    EXPECT_FALSE(base.OpenMsgBase(base_path));
    EXPECT_EQ(base.GetLastError(), 0x200F);
    EXPECT_EQ(base.GetBasePath(), "");
  }
  EXPECT_EQ(File("jlr"), records);

  fs::remove(JamFile(base_path, "jlr"));
  fs::create_directory(base_path + ".jlr");  // exists, cannot be opened as a file
  JamBase base;
  EXPECT_FALSE(base.OpenMsgBase(base_path));
  EXPECT_EQ(base.GetLastError(), 0x200F);
  EXPECT_TRUE(fs::is_directory(base_path + ".jlr"));
}

TEST_F(JamBaseFilesTest, BaseHeldOpenElsewhereIsNotCreatedAnew) {
  MakeBase(2);
  const std::string jhr = File("jhr");
  std::unique_ptr<JamBase> holder = OpenBase();
  std::unique_ptr<MessageBase> base;
  EXPECT_FALSE(OpenOrCreateBase("J" + base_path, base));
  EXPECT_EQ(BaseResult, 257);
  ASSERT_NE(base, nullptr);
  EXPECT_TRUE(CloseBase(base));
  holder->CloseMsgBase();
  EXPECT_EQ(File("jhr"), jhr);
}

TEST_F(JamBaseFilesTest, TrailingDotAndTheFactory) {
  std::unique_ptr<MessageBase> created;
  ASSERT_TRUE(OpenOrCreateBase("J" + base_path + ".", created));
  EXPECT_EQ(created->GetBasePath(), base_path + ".");
  EXPECT_TRUE(CloseBase(created));
  EXPECT_TRUE(JamBase().MsgBaseExists(base_path));
  EXPECT_TRUE(fs::exists(JamFile(base_path, "jhr")));
  EXPECT_FALSE(fs::exists(base_path + "..jhr") || fs::exists(base_path + "..JHR"));

  std::unique_ptr<MessageBase> opened;
  ASSERT_TRUE(kestrel::OpenBase("j" + base_path, opened));
  EXPECT_NE(dynamic_cast<JamBase*>(opened.get()), nullptr);
  CloseBase(opened);
  EXPECT_FALSE(kestrel::OpenBase("J" + dir.Path("none"), opened));
  EXPECT_EQ(BaseResult, 0x2000);
}

TEST_F(JamBaseFilesTest, CreatingNeverReplacesExistingFiles) {
  // A base whose .jdx is missing does not open and does not "exist"; the
  // factory then creates it, which must not wipe the other files.
  MakeBase(2);
  fs::remove(JamFile(base_path, "jdx"));
  const std::string jhr = File("jhr"), jdt = File("jdt"), jlr = File("jlr");
  std::unique_ptr<MessageBase> base;
  EXPECT_FALSE(OpenOrCreateBase("J" + base_path, base));
  EXPECT_EQ(BaseResult, 0x200A);
  EXPECT_EQ(File("jhr"), jhr);
  EXPECT_FALSE(fs::exists(JamFile(base_path, "jdx")));
  EXPECT_EQ(File("jdt"), jdt);
  EXPECT_EQ(File("jlr"), jlr);

  // A leftover .jdt alone: the files made before the failure are removed.
  const std::string other = dir.Path("other");
  WriteWholeFile(other + ".JDT", "stale");
  JamBase fresh;
  EXPECT_FALSE(fresh.CreateMsgBase(other));
  EXPECT_EQ(fresh.GetLastError(), 0x200C);
  EXPECT_FALSE(fs::exists(JamFile(other, "jhr")));
  EXPECT_FALSE(fs::exists(JamFile(other, "jdx")));
  EXPECT_EQ(ReadWholeFile(other + ".JDT"), "stale");
}

TEST_F(JamBaseFilesTest, ShortHeaderFileIsRefusedAndLeftAlone) {
  RawJamBase raw = RawJamBase::Build({});
  raw.jhr.resize(500);
  raw.Write(base_path);
  JamBase base;
  EXPECT_FALSE(base.OpenMsgBase(base_path));
  EXPECT_EQ(base.GetLastError(), 0x2003);
  EXPECT_EQ(File("jhr"), raw.jhr);
}

TEST_F(JamBaseFilesTest, NumberingFollowsBaseMsgNum) {
  RawJamBase::Build(NumberedMessages(3), 100).Write(base_path);
  std::unique_ptr<JamBase> base = OpenBase();
  EXPECT_EQ(base->GetMsgCount(), 3);
  EXPECT_EQ(base->GetHighMsgNum(), 103);
  for (int num : {99, 100, 101, 102, 103, 0, -1, INT_MIN, INT_MAX}) {
    EXPECT_EQ(base->MsgExists(num), num >= 100 && num <= 102) << num;
  }
  base->SetMsgNum(101);
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_EQ(base->GetSubj(), "Subject 2");
  EXPECT_EQ(base->GetMsgUid(), 101);
  // Seeking from 1 reaches 100 at once and walks the existing numbers.
  std::vector<int> seen;
  for (base->SeekFirst(1); base->SeekFound(); base->SeekNext())
    seen.push_back(base->GetMsgNum());
  EXPECT_EQ(seen, (std::vector<int>{100, 101, 102}));
  base->SetMsgNum(INT_MAX);
  base->SeekPrior();
  EXPECT_EQ(base->GetMsgNum(), 102);
}

TEST_F(JamBaseFilesTest, HostileBaseMsgNumEndsSeekingAtOnce) {
  // Numbers past 2^31 - 1 cannot be visited; the rest are. Numbers below 1
  // mean "no message" to every caller, so a BaseMsgNum below 1 (0 is allowed
  // by the format) numbers the records from 1.
  const std::pair<std::uint32_t, int> cases[] = {
      {0x7FFFFFF0u, 16}, {0x80000000u, 20}, {0xFFFFFFFFu, 20}, {0, 20}};
  for (const auto& [base_msg_num, reachable] : cases) {
    RawJamBase raw = RawJamBase::Build(NumberedMessages(20));
    raw.SetBaseMsgNum(base_msg_num);
    raw.Write(base_path);
    std::unique_ptr<JamBase> base = OpenBase();
    int visited = 0;
    for (base->SeekFirst(1); base->SeekFound() && visited < 100; base->SeekNext())
      ++visited;
    EXPECT_EQ(visited, reachable) << base_msg_num;
    base->SetMsgNum(INT_MAX);
    base->SeekPrior();
    EXPECT_EQ(base->SeekFound(), reachable > 0);
    base->CloseMsgBase();
  }
}

TEST_F(JamBaseFilesTest, IndexIsCompactedOnOpenWhenCountsDisagree) {
  RawJamBase raw = RawJamBase::Build(NumberedMessages(6));
  raw.SetHeaderOffset(2, kJamDeletedHeaderOffset);  // message 3 deleted in the index
  raw.SetActiveMsgs(5);
  raw.Write(base_path);
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"Subject 1", "Subject 2", "Subject 4",
                                                  "Subject 5", "Subject 6"}));
  EXPECT_EQ(File("jdx").size(), 5 * kJamIndexRecordSize);
  const JamCheck check = CheckJamBase(base_path);
  EXPECT_TRUE(check.ok()) << check.Describe();

  // Counts that are plainly wrong are recounted from the index.
  for (std::uint32_t active : {10u, 0xFFFFFFFFu, 0x80000000u}) {
    raw = RawJamBase::Build(NumberedMessages(3));
    raw.SetActiveMsgs(active);
    raw.Write(base_path);
    std::unique_ptr<JamBase> base = OpenBase();
    EXPECT_EQ(base->GetMsgCount(), 3) << active;
    EXPECT_EQ(base->GetHighMsgNum(), 4);
    base->CloseMsgBase();
    EXPECT_TRUE(CheckJamBase(base_path).ok());
  }
}

}  // namespace
}  // namespace kestrel::testing
