// What a run costs in calls to the files: a scan, deleting while scanning
// and appending take a fixed number of calls per message, whatever the size
// of the area. (Counted calls, not timings: speed itself is measured by the
// benchmarks.)
#include <gtest/gtest.h>

#include "msgbase/factory/message_base_factory.h"
#include "tests/msgbase/squish/squish_fixture.h"
#include "tests/support/watched_files.h"

namespace kestrel::testing {
namespace {

class SquishCostTest : public SquishFixture {
 protected:
  // A closed base of n messages, written through plain file streams.
  void MakeBase(int n) {
    InstallStreamFactories();
    auto base = CreateBase();
    for (int i = 0; i < n; ++i) {
      TestMessage m;
      m.text = "\x01MSGID: 2:5020/1 " + std::to_string(10000000 + i) + "\rSome text\r";
      Add(*base, m);
    }
  }

  // Calls of one forward scan that opens every message (and, when asked,
  // kills it), from opening the base to closing it.
  std::int64_t ScanCalls(int n, bool kill) {
    MakeBase(n);
    FileCalls calls;
    InstallWatchedFiles(calls);
    {
      SquishBase base;
      EXPECT_TRUE(base.OpenMsgBase(Base()));
      int seen = 0;
      for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
        EXPECT_TRUE(base.OpenMsg());
        base.CloseMsg();
        if (kill) {
          EXPECT_TRUE(base.KillMsg());
        }
        ++seen;
      }
      EXPECT_EQ(seen, n);
    }
    InstallStreamFactories();
    return calls.Total();
  }

  std::int64_t AppendCalls(int existing, int added) {
    MakeBase(existing);
    FileCalls calls;
    InstallWatchedFiles(calls);
    {
      SquishBase base;
      EXPECT_TRUE(base.OpenMsgBase(Base()));
      for (int i = 0; i < added; ++i)
        Add(base, TestMessage());
    }
    InstallStreamFactories();
    return calls.Total();
  }
};

TEST_F(SquishCostTest, AScanCostsAFewCallsPerMessage) {
  const std::int64_t small = ScanCalls(100, false);
  const std::int64_t large = ScanCalls(2000, false);
  RecordProperty("calls_100", static_cast<int>(small));
  RecordProperty("calls_2000", static_cast<int>(large));
  // Two calls per message (seek and read of the whole frame), plus the
  // opening and closing of the base.
  EXPECT_LE(large, 2 * 2000 + 20);
  EXPECT_LE(large - small, 2 * 1900 + 5);
}

TEST_F(SquishCostTest, KillingWhileScanningCostsNoMoreThanAFixedNumberOfCallsPerMessage) {
  const std::int64_t small = ScanCalls(100, true);
  const std::int64_t large = ScanCalls(2000, true);
  RecordProperty("calls_100", static_cast<int>(small));
  RecordProperty("calls_2000", static_cast<int>(large));
  const double per_message_small = static_cast<double>(small) / 100;
  const double per_message_large = static_cast<double>(large) / 2000;
  // Reading the neighbours, writing them, the index tail in one piece,
  // the freed frame and the base header: the same for any size of index
  // that one write holds.
  EXPECT_LE(per_message_large, 20);
  EXPECT_LE(per_message_large, per_message_small + 1);
}

TEST_F(SquishCostTest, AppendingCostsTheSameInASmallAndALargeBase) {
  const std::int64_t small = AppendCalls(10, 100);
  const std::int64_t large = AppendCalls(3000, 100);
  RecordProperty("calls_10", static_cast<int>(small));
  RecordProperty("calls_3000", static_cast<int>(large));
  // Ten: the last frame read, then five seeks and writes; three more for the
  // look at what another program may have changed (the base header read
  // again, the index size).
  EXPECT_LE(small, 100 * 14);
  // Opening the larger base reads its index in a few large pieces.
  EXPECT_LE(large, small + 10);
}

}  // namespace
}  // namespace kestrel::testing
