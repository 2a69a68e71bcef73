// Deleting messages while walking a JAM base forward: a deletion renumbers
// every later message, and the walk must still visit each of them.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/jam_test_support.h"

namespace kestrel::testing {
namespace {

class JamKillDuringScanTest : public JamBaseTest {};

// Walks the base from message 1, killing every message whose subject is in
// `kill`; returns the subjects in the order they were visited.
std::vector<std::string> WalkAndKill(JamBase& base, const std::vector<std::string>& kill) {
  std::vector<std::string> visited;
  base.SeekFirst(1);
  while (base.SeekFound()) {
    EXPECT_TRUE(base.OpenMsg());
    const std::string subject = base.GetSubj();
    visited.push_back(subject);
    base.CloseMsg();
    if (std::find(kill.begin(), kill.end(), subject) != kill.end()) {
      EXPECT_TRUE(base.KillMsg()) << subject;
    }
    base.SeekNext();
  }
  return visited;
}

TEST_F(JamKillDuringScanTest, EveryMessageIsVisitedWhateverIsKilled) {
  const std::vector<std::string> all = {"Subject 1", "Subject 2", "Subject 3", "Subject 4",
                                        "Subject 5"};
  const std::vector<std::vector<std::string>> kills = {
      {"Subject 2", "Subject 3"},                                         // adjacent, in the middle
      {"Subject 1"},                                                      // the first
      {"Subject 5"},                                                      // the last
      {"Subject 1", "Subject 2", "Subject 3", "Subject 4", "Subject 5"},  // all
  };
  int round = 0;
  for (const std::vector<std::string>& kill : kills) {
    SCOPED_TRACE(kill.front() + " ... " + std::to_string(kill.size()));
    base_path = dir.Path("base" + std::to_string(++round));
    MakeBase(5);
    {
      std::unique_ptr<JamBase> base = OpenBase();
      EXPECT_EQ(WalkAndKill(*base, kill), all);
      base->CloseMsgBase();
    }
    std::vector<std::string> left;
    for (const std::string& subject : all) {
      if (std::find(kill.begin(), kill.end(), subject) == kill.end()) left.push_back(subject);
    }
    EXPECT_EQ(Subjects(), left);
  }
}

// Messages another program deleted in place that the walk has passed are
// dropped by the same compaction as the killed one, so the numbers move down
// by more than one: the walk must still come to every message after it.
TEST_F(JamKillDuringScanTest, MessagesDeletedInPlaceBeforeAKillDoNotHideLaterOnes) {
  MakeBase(30);
  const std::vector<int> marked = {5, 6, 9, 17, 30};
  MarkDeletedInPlace(marked);
  std::vector<std::string> expected;
  std::vector<std::string> kill;
  int alive = 0;
  for (int number = 1; number <= 30; ++number) {
    if (std::find(marked.begin(), marked.end(), number) != marked.end()) continue;
    const std::string subject = "Subject " + std::to_string(number);
    expected.push_back(subject);
    if (++alive % 3 == 0) kill.push_back(subject);
  }
  std::vector<std::string> left;
  for (const std::string& subject : expected) {
    if (std::find(kill.begin(), kill.end(), subject) == kill.end()) left.push_back(subject);
  }
  {
    std::unique_ptr<JamBase> base = OpenBase();
    EXPECT_EQ(WalkAndKill(*base, kill), expected);
    base->CloseMsgBase();
  }
  EXPECT_EQ(Subjects(), left);
}

TEST_F(JamKillDuringScanTest, ACurrentNumberBeforeTheKilledMessageStays) {
  MakeBase(3);
  std::unique_ptr<JamBase> base = OpenBase();
  base->SeekFirst(3);
  ASSERT_TRUE(base->OpenMsg());
  base->CloseMsg();
  base->SetMsgNum(1);  // the caller moved back before deleting
  ASSERT_TRUE(base->KillMsg());
  EXPECT_EQ(base->GetMsgNum(), 1);
  base->SeekNext();
  EXPECT_EQ(base->GetMsgNum(), 2);
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_EQ(base->GetSubj(), "Subject 2");
}

}  // namespace
}  // namespace kestrel::testing
