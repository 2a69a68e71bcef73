// Reading a JAM base through its in-memory index and the read-ahead windows
// over its header and text files: what a base reads while it writes, kills
// and rewrites is what a fresh open reads, and a scan costs a handful of
// file calls, not several per message.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/io/stream_hooks.h"
#include "tests/support/jam_test_support.h"
#include "tests/support/watched_files.h"

namespace kestrel::testing {
namespace {

// Every message as the base reads it: subject, sender and text.
std::vector<std::string> Contents(JamBase& base) {
  std::vector<std::string> contents;
  for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
    if (!base.OpenMsg()) {
      contents.push_back("<cannot open " + std::to_string(base.GetMsgNum()) + ">");
      continue;
    }
    BaseStream& text = *base.GetTextStream();
    std::string bytes(static_cast<std::size_t>(text.GetSize()), '\0');
    text.Seek(0);
    text.Read(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
    contents.push_back(std::to_string(base.GetMsgNum()) + " " + base.GetSubj() + " " +
                       base.GetFrom() + " " + bytes);
    base.CloseMsg();
  }
  return contents;
}

class JamReadAheadTest : public JamBaseTest {
 protected:
  std::vector<std::string> FreshContents() {
    std::unique_ptr<JamBase> fresh = OpenBase();
    std::vector<std::string> contents = Contents(*fresh);
    fresh->CloseMsgBase();
    return contents;
  }
};

TEST_F(JamReadAheadTest, AnOpenBaseReadsWhatItWroteKilledAndRewrote) {
  MakeBase(40);
  std::unique_ptr<JamBase> base = OpenBase();
  const std::vector<std::string> before = Contents(*base);
  ASSERT_EQ(before.size(), 40u);

  // Kills in the middle and at both ends, each followed by a read of all.
  for (const std::int32_t number : {20, 1, 38}) {
    base->SeekFirst(number);
    ASSERT_TRUE(base->OpenMsg());
    base->CloseMsg();
    ASSERT_TRUE(base->KillMsg());
    const std::vector<std::string> after_kill = Contents(*base);
    base->CloseMsgBase();
    EXPECT_EQ(after_kill, FreshContents()) << "after killing " << number;
    base = OpenBase();
  }
  // New messages, and a header rewritten in place, read back at once.
  AddMessage(*base, {"Anna", "Bob", "Appended one", std::string(3000, 'a') + "\r"});
  AddMessage(*base, {"Carl", "Dora", "Appended two", "Short\r"});
  base->SeekFirst(5);
  ASSERT_TRUE(base->OpenMsg());
  base->SetAttr(AttrSent, true);
  ASSERT_TRUE(base->RewriteHeader());
  base->CloseMsg();
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_TRUE(base->GetAttr(AttrSent));
  base->CloseMsg();
  const std::vector<std::string> after_writes = Contents(*base);
  ASSERT_EQ(after_writes.size(), 39u);
  EXPECT_NE(after_writes.back().find("Appended two"), std::string::npos);
  base->CloseMsgBase();
  EXPECT_EQ(after_writes, FreshContents());
}

// Kills during a walk, with messages another program deleted in place (the
// header's deleted attribute set, the index left alone) among them: after
// every compaction the index holds exactly the messages left.
TEST_F(JamReadAheadTest, KillsAmongMessagesDeletedInPlaceLeaveExactlyTheRest) {
  MakeBase(30);
  const std::vector<int> marked = {5, 6, 17, 30};
  MarkDeletedInPlace(marked);

  std::vector<std::string> killed;
  {
    std::unique_ptr<JamBase> base = OpenBase();
    int seen = 0;
    for (base->SeekFirst(1); base->SeekFound(); base->SeekNext()) {
      ASSERT_TRUE(base->OpenMsg());
      const std::string subject = base->GetSubj();
      base->CloseMsg();
      if (++seen % 3 == 0) {
        ASSERT_TRUE(base->KillMsg()) << subject;
        killed.push_back(subject);
      }
    }
    base->CloseMsgBase();
  }
  EXPECT_GE(killed.size(), 5u);
  std::vector<std::string> left;
  for (int number = 1; number <= 30; ++number) {
    const std::string subject = "Subject " + std::to_string(number);
    const bool gone = std::find(marked.begin(), marked.end(), number) != marked.end() ||
                      std::find(killed.begin(), killed.end(), subject) != killed.end();
    if (!gone) left.push_back(subject);
  }
  EXPECT_EQ(Subjects(), left);
  // The records of the messages deleted in place stay: each kill removes
  // only records from its own on, and the scan had passed them by then.
  EXPECT_EQ(File("jdx").size(), (left.size() + marked.size()) * kJamIndexRecordSize);
}

TEST_F(JamReadAheadTest, AScanCostsAFewFileCallsNotSeveralPerMessage) {
  MakeBase(600);
  FileCalls calls;
  InstallWatchedFiles(calls);
  std::unique_ptr<JamBase> base = OpenBase();
  const std::int64_t at_open = calls.Total();
  const std::vector<std::string> contents = Contents(*base);
  const std::int64_t scan_calls = calls.Total() - at_open;
  base->CloseMsgBase();
  InstallStreamFactories();
  ASSERT_EQ(contents.size(), 600u);
  // The index once, then a window of headers or texts every few dozen
  // messages: far less than one call per message.
  EXPECT_LT(scan_calls, 120) << scan_calls << " calls for 600 messages";
}

}  // namespace
}  // namespace kestrel::testing
