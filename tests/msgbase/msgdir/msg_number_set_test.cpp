#include "msgbase/msgdir/msg_number_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace kestrel {
namespace {

TEST(MsgNumberSetTest, CountMovesOnEveryCallInsideTheRange) {
  MsgNumberSet set;
  set.Record(7);
  set.Record(7);  // 7.MSG and 07.MSG: one place, counted twice
  set.Record(kMsgNumberLimit - 1);
  set.Record(kMsgNumberLimit);  // outside: ignored
  set.Record(-3);
  EXPECT_EQ(set.Count(), 3);
  EXPECT_TRUE(set.Contains(7));
  EXPECT_TRUE(set.Contains(kMsgNumberLimit - 1));
  EXPECT_FALSE(set.Contains(kMsgNumberLimit));
  EXPECT_FALSE(set.Contains(-3));

  set.Remove(7);
  set.Remove(8);  // not recorded, still counted down
  set.Remove(70000);
  EXPECT_EQ(set.Count(), 1);
  EXPECT_FALSE(set.Contains(7));
  set.Clear();
  EXPECT_EQ(set.Count(), 0);
  EXPECT_FALSE(set.Contains(kMsgNumberLimit - 1));
}

// The searches must find exactly what stepping one number at a time finds.
// Highest numbers go past the end of the set, as a file such as 70000.MSG
// makes them.
constexpr std::int32_t kWalkLimit = 100000;

std::int32_t WalkForward(const std::vector<bool>& present, std::int32_t current,
                         std::int32_t high) {
  if (current < 0) current = 0;
  while (current < high) {
    if (present[++current]) return current;
  }
  return 0;
}

std::int32_t WalkBack(const std::vector<bool>& present, std::int32_t current) {
  current = std::min(current, kWalkLimit);
  while (current > 1) {
    if (present[--current]) return current;
  }
  return 0;
}

TEST(MsgNumberSetTest, SearchesAgreeWithAStepByStepWalk) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<std::int32_t> number(1, kMsgNumberLimit - 1);
  for (int round = 0; round < 20; ++round) {
    MsgNumberSet set;
    std::vector<bool> present(kWalkLimit + 1);
    const int how_many = round < 2 ? round : 1 + round * 7;
    for (int i = 0; i < how_many; ++i) {
      const std::int32_t n = round == 2 ? 63 + 64 * i : number(random);  // word edges too
      set.Record(n);
      present[n] = true;
    }
    const std::int32_t high = round % 3 == 0 ? kWalkLimit : number(random);
    for (std::int32_t current : {-5, 0, 1, 62, 63, 64, 127, 30000, kMsgNumberLimit - 1,
                                 kMsgNumberLimit, kWalkLimit, number(random), number(random)}) {
      EXPECT_EQ(set.NextAfter(current, high), WalkForward(present, current, high))
          << "round " << round << " from " << current << " high " << high;
      EXPECT_EQ(set.PriorBefore(current), WalkBack(present, current))
          << "round " << round << " from " << current;
    }
    for (std::int32_t n = 1; n < kMsgNumberLimit; ++n) {
      if (!present[n]) continue;
      EXPECT_EQ(set.NextAfter(n, high), WalkForward(present, n, high));
      EXPECT_EQ(set.PriorBefore(n), WalkBack(present, n));
    }
  }
  // The far ends of the number range.
  MsgNumberSet set;
  set.Record(5);
  EXPECT_EQ(set.NextAfter(-2147483647 - 1, 2147483647), 5);
  EXPECT_EQ(set.NextAfter(5, 2147483647), 0);
  EXPECT_EQ(set.PriorBefore(2147483647), 5);
  EXPECT_EQ(set.PriorBefore(-2147483647 - 1), 0);
}

}  // namespace
}  // namespace kestrel
