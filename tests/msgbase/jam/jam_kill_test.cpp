// Deleting messages: this program's KillMsg, and messages other JAM software
// deleted in place (deleted attribute set, index record kept).
#include <gtest/gtest.h>

#include "msgbase/jam/jam_base.h"
#include "tests/support/jam_checker.h"
#include "tests/support/jam_test_support.h"

namespace kestrel::testing {
namespace {

constexpr std::uint32_t kDeleted = 0x80000000;

class JamKillTest : public JamBaseTest {
 protected:
  // A raw base of messages with subjects "Subject <n>"; those listed are
  // marked deleted in their headers.
  void MakeRawBase(int count, std::initializer_list<int> deleted, int active) {
    std::vector<RawMessage> messages;
    for (int n = 1; n <= count; ++n) {
      RawMessage message;
      message.subfields = {{kJamSubject, "Subject " + std::to_string(n)}};
      message.text = "Text " + std::to_string(n) + "\r";
      for (int d : deleted) {
        if (d == n) message.attribute |= kDeleted;
      }
      messages.push_back(message);
    }
    RawJamBase raw = RawJamBase::Build(messages);
    raw.SetActiveMsgs(static_cast<std::uint32_t>(active));
    raw.Write(base_path);
  }
};

TEST_F(JamKillTest, KillRenumbersAndMarksTheHeaderInPlace) {
  MakeBase(3);
  const JamBaseFiles before = LoadJamFiles(base_path);
  std::unique_ptr<JamBase> base = OpenBase();
  EXPECT_FALSE(base->KillMsg());  // nothing opened yet: nothing to kill
  base->SetMsgNum(2);
  ASSERT_TRUE(base->OpenMsg());
  base->CloseMsg();
  ASSERT_TRUE(base->KillMsg());
  EXPECT_FALSE(base->KillMsg());  // not the message that moved into number 2
  EXPECT_EQ(base->GetMsgCount(), 2);
  // The current number steps back with the renumbering; the next one is the
  // message that followed the killed one.
  EXPECT_EQ(base->GetMsgNum(), 1);
  base->SeekNext();
  EXPECT_EQ(base->GetMsgNum(), 2);
  ASSERT_TRUE(base->OpenMsgHeader());
  EXPECT_EQ(base->GetSubj(), "Subject 3");
  base->CloseMsgBase();

  const JamBaseFiles after = LoadJamFiles(base_path);
  const std::vector<JamIndexRecord> old_index = before.Index();
  EXPECT_EQ(after.jdx, before.jdx.substr(0, 8) + before.jdx.substr(16, 8));
  EXPECT_EQ(after.jdt, before.jdt);
  std::string jhr = before.jhr;
  PutLe32(jhr, old_index[1].header_offset + kJamMsgAttributeOffset,
          GetLe32(before.jhr, old_index[1].header_offset + kJamMsgAttributeOffset) | kDeleted);
  PutLe32(jhr, kJamActiveMsgsOffset, 2);
  EXPECT_TRUE(SameBytes(after.jhr, jhr));
  const JamCheck check = CheckJamBase(base_path);
  EXPECT_TRUE(check.ok()) << check.Describe();
}

TEST_F(JamKillTest, MessagesDeletedInPlaceElsewhereAreGone) {
  // As other JAM software leaves it: ActiveMsgs lowered, records kept. The
  // open compacts, and the counts are right when the base is closed.
  MakeRawBase(5, {2, 4}, 3);
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"Subject 1", "Subject 3", "Subject 5"}));
  EXPECT_EQ(File("jdx").size(), 3u * 8);
  JamCheck check = CheckJamBase(base_path);
  EXPECT_TRUE(check.ok()) << check.Describe();

  // Counts that happen to agree: the marked message is still not visited
  // and cannot be opened. A kill after it leaves its record alone: the
  // numbers before the killed message are never changed under a caller.
  MakeRawBase(4, {2}, 4);
  std::unique_ptr<JamBase> base = OpenBase();
  std::vector<std::int32_t> visited;
  for (base->SeekFirst(1); base->SeekFound(); base->SeekNext())
    visited.push_back(base->GetMsgNum());
  EXPECT_EQ(visited, (std::vector<std::int32_t>{1, 3, 4}));
  base->SetMsgNum(2);
  EXPECT_FALSE(base->OpenMsg());
  EXPECT_EQ(base->GetLastError(), 0x2007);
  base->SetMsgNum(4);
  ASSERT_TRUE(base->OpenMsg());
  ASSERT_TRUE(base->KillMsg());
  EXPECT_EQ(base->GetMsgCount(), 3);
  base->SetMsgNum(3);
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_EQ(base->GetSubj(), "Subject 3");
  base->CloseMsgBase();
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"Subject 1", "Subject 3"}));
  EXPECT_EQ(File("jdx").size(), 3u * 8);
  EXPECT_EQ(LoadJamFiles(base_path).Header()->active_msgs, 3u);

  // CompactIndex itself looks at every header.
  MakeRawBase(4, {1, 3}, 4);
  base = OpenBase();
  EXPECT_EQ(base->GetMsgCount(), 4);
  base->CompactIndex();
  EXPECT_EQ(base->GetMsgCount(), 2);
  base->CloseMsgBase();
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"Subject 2", "Subject 4"}));
}

// Whenever records leave the index, every reader's pointers are lowered by
// the records removed at or below them, so that each names the same message
// as before (a pointer at a removed message names the one before it).
TEST_F(JamKillTest, EveryReadersLastReadFollowsTheRenumbering) {
  auto record = [](std::uint32_t user, std::uint32_t last, std::uint32_t high) {
    // UserCRC: whatever the reader keeps there.
    return JamLastReadRecordBytes(user * 7, user, last, high);
  };
  MakeRawBase(6, {2, 4}, 4);  // deleted in place, ActiveMsgs lowered
  WriteJamFile(base_path, "jlr", record(10, 1, 3) + record(11, 4, 6) + record(12, 0, 0));
  std::unique_ptr<JamBase> base = OpenBase();  // compacts: 1 3 5 6 become 1 2 3 4
  EXPECT_EQ(File("jlr"), record(10, 1, 2) + record(11, 2, 4) + record(12, 0, 0));
  EXPECT_EQ(base->GetLastRead(11), 4);
  base->SetMsgNum(4);
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_EQ(base->GetSubj(), "Subject 6");

  base->SetMsgNum(2);
  ASSERT_TRUE(base->OpenMsg());
  ASSERT_TRUE(base->KillMsg());  // "Subject 3": 1 5 6 are left
  EXPECT_EQ(File("jlr"), record(10, 1, 1) + record(11, 1, 3) + record(12, 0, 0));
  base->SetMsgNum(3);
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_EQ(base->GetSubj(), "Subject 6");
}

TEST_F(JamKillTest, MovingEveryMessageAsTheScanDoes) {
  // Open, close, kill, seek on: each kill renumbers the later messages, and
  // the scan still comes to each of them.
  MakeBase(6);
  std::unique_ptr<JamBase> base = OpenBase();
  for (base->SeekFirst(1); base->SeekFound(); base->SeekNext()) {
    ASSERT_TRUE(base->OpenMsg());
    base->CloseMsg();
    ASSERT_TRUE(base->KillMsg());
  }
  base->CloseMsgBase();
  EXPECT_EQ(Subjects(), std::vector<std::string>{});
  EXPECT_TRUE(CheckJamBase(base_path).ok());
}

}  // namespace
}  // namespace kestrel::testing
