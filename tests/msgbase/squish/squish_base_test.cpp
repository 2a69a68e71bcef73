// The Squish base as a whole: opening and its error codes, existence, the
// factory, message numbers, positions and the scan with deletions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msgbase/factory/message_base_factory.h"
#include "platform/file_system.h"
#include "tests/msgbase/squish/squish_expected.h"
#include "tests/msgbase/squish/squish_fixture.h"

namespace kestrel::testing {
namespace {

class SquishBaseTest : public SquishFixture {
 protected:
  // A base whose index holds the unique ids 3, 7 and 9.
  std::unique_ptr<SquishBase> ThreeSevenNine() {
    auto base = CreateBase();
    for (int i = 1; i <= 9; ++i)
      Add(*base, TestMessage());
    for (const int uid : {1, 2, 4, 5, 6, 8}) {
      base->SeekFirst(uid);
      EXPECT_TRUE(base->KillMsg());
    }
    return base;
  }
};

TEST_F(SquishBaseTest, OpenSaysWhichFileIsMissingAndOpensNothing) {
  SquishBase base;
  EXPECT_FALSE(base.OpenMsgBase(Base()));
  EXPECT_EQ(base.GetLastError(), 0x3000);
  EXPECT_FALSE(base.IsOpened());
  EXPECT_FALSE(base.MsgBaseExists(Base()));

  // A data file whose frames cannot be walked to its end, and no index: the
  // index cannot be rebuilt, and nothing is changed or created.
  const std::string unwalkable = ExpectedBaseHeader().Bytes() + std::string(40, 'x');
  dir_.WriteFile("netmail.SQD", unwalkable);
  EXPECT_TRUE(base.MsgBaseExists(Base() + "."));  // never created afresh
  EXPECT_FALSE(base.OpenMsgBase(Base()));
  EXPECT_EQ(base.GetLastError(), 0x3001);
  EXPECT_FALSE(base.IsOpened());
  EXPECT_EQ(Sqd(), unwalkable);
  EXPECT_FALSE(HasFile("netmail.sqi"));

  dir_.WriteFile("netmail.SQD", ExpectedBaseHeader().Bytes());
  dir_.WriteFile("netmail.SQI", "");
  EXPECT_TRUE(base.MsgBaseExists(Base()));
  EXPECT_TRUE(base.MsgBaseExists(Base() + "."));
  EXPECT_TRUE(base.OpenMsgBase(Base()));
  EXPECT_TRUE(base.IsOpened());
}

TEST_F(SquishBaseTest, AMissingIndexIsRebuiltFromTheFrames) {
  std::string sqi_before;
  {
    auto base = CreateBase();
    for (int i = 1; i <= 4; ++i)
      Add(*base, TestMessage());
    base->SeekFirst(2);
    ASSERT_TRUE(base->KillMsg());  // a free frame among the messages
  }
  sqi_before = Sqi();
  const std::string message3 = [&] {
    auto base = OpenBase();
    return Read(*base, 3);
  }();
  ASSERT_TRUE(platform::DeleteFile(FindAnyCase(Base() + ".sqi")) == platform::dos_error::kNone);

  SquishBase probe;
  EXPECT_TRUE(probe.MsgBaseExists(Base()));  // the mover opens it, never creates it
  auto base = OpenBase();
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(Sqi(), sqi_before);
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1, 3, 4}));
  EXPECT_EQ(Read(*base, 3), message3);
  EXPECT_EQ(Add(*base, TestMessage()), 5u);
  base.reset();
  ExpectSound();
}

TEST_F(SquishBaseTest, HeaderFieldsThisProgramDoesNotUseAreKeptAsTheyAre) {
  CreateBase();
  // Another program's header: its own header length, frame-header size,
  // skip count, high-water mark, limits and reserved bytes.
  std::string sqd = Sqd();
  PutLe16(sqd, 0, 0);
  PutLe16(sqd, 2, 0xBEEF);
  PutLe32(sqd, 12, 7);
  PutLe32(sqd, 16, 9);
  PutLe32(sqd, 124, 500);
  PutLe16(sqd, 128, 30);
  PutLe16(sqd, 130, 238);
  PutLe32(sqd, 200, 0x12345678);
  WriteWholeFile(FindAnyCase(Base() + ".sqd"), sqd);
  {
    auto base = OpenBase();
    Add(*base, TestMessage());
    base->SeekFirst(1);
    ASSERT_TRUE(base->KillMsg());
  }
  const std::string after = Sqd();
  for (const std::size_t at : {0, 2, 128, 130})
    EXPECT_EQ(GetLe16(after, at), GetLe16(sqd, at)) << at;
  for (const std::size_t at : {12, 16, 124, 200})
    EXPECT_EQ(GetLe32(after, at), GetLe32(sqd, at)) << at;
}

TEST_F(SquishBaseTest, ADataFileShorterThanItsHeaderIsNoBase) {
  dir_.WriteFile("netmail.SQD", std::string(100, '\x07'));
  dir_.WriteFile("netmail.SQI", "");
  {
    SquishBase base;
    EXPECT_FALSE(base.OpenMsgBase(Base()));
    EXPECT_EQ(base.GetLastError(), 0x3002);
    EXPECT_FALSE(base.IsOpened());
  }
  // Nothing was written back over it.
  EXPECT_EQ(Sqd(), std::string(100, '\x07'));
}

TEST_F(SquishBaseTest, FilesLeftBeforeTheBaseHeaderAreReplacedByANewBase) {
  // A creation stopped between making the files and writing the header.
  for (const std::string& data : {std::string(), std::string(100, '\x07')}) {
    dir_.WriteFile("netmail.sqd", data);
    dir_.WriteFile("netmail.sqi", "");
    SquishBase probe;
    EXPECT_FALSE(probe.MsgBaseExists(Base()));
    std::unique_ptr<MessageBase> base;
    ASSERT_TRUE(OpenOrCreateBase("S" + Base(), base));
    EXPECT_EQ(base->GetMsgCount(), 0);
    CloseBase(base);
    EXPECT_EQ(Sqd().size(), 256u);
  }
  // With anything in the index it is a (damaged) base, never replaced.
  dir_.WriteFile("netmail.sqd", std::string(100, '\x07'));
  dir_.WriteFile("netmail.sqi", std::string(12, '\x01'));
  SquishBase probe;
  EXPECT_TRUE(probe.MsgBaseExists(Base()));
  std::unique_ptr<MessageBase> base;
  EXPECT_FALSE(OpenOrCreateBase("S" + Base(), base));
  CloseBase(base);
  EXPECT_EQ(Sqd(), std::string(100, '\x07'));
}

TEST_F(SquishBaseTest, AnOpenBaseCannotBeOpenedForWritingElsewhere) {
  CreateBase();
  {
    // The file layer must enforce the sharing classes for this to hold.
    platform::FileHandle first = platform::kInvalidFileHandle;
    platform::FileHandle second = platform::kInvalidFileHandle;
    const std::string sqd = FindAnyCase(Base() + ".sqd");
    platform::OpenFile(sqd, platform::FileAccess::kReadWrite, platform::FileShare::kDenyWrite,
                       first);
    const bool enforced = platform::OpenFile(sqd, platform::FileAccess::kReadWrite,
                                             platform::FileShare::kDenyWrite, second) != 0;
    platform::CloseFile(first);
    platform::CloseFile(second);
    if (!enforced) GTEST_SKIP() << "the file layer does not enforce sharing classes yet";
  }
  auto holder = OpenBase();
  Add(*holder, TestMessage());
  const std::string before = Sqd();

  SquishBase other;
  EXPECT_FALSE(other.OpenMsgBase(Base()));
  EXPECT_EQ(other.GetLastError(), 0x3002);
  std::unique_ptr<MessageBase> through_factory;
  EXPECT_FALSE(OpenOrCreateBase("S" + Base(), through_factory));
  EXPECT_EQ(BaseResult, BaseResultCannotOpen);
  EXPECT_TRUE(CloseBase(through_factory));
  EXPECT_EQ(Sqd(), before);  // neither replaced nor written
}

TEST_F(SquishBaseTest, FactoryOpensAndCreatesSquishAreas) {
  std::unique_ptr<MessageBase> base;
  EXPECT_FALSE(kestrel::OpenBase("S" + Base(), base));
  EXPECT_EQ(base, nullptr);
  EXPECT_EQ(BaseResult, 0x3000);

  ASSERT_TRUE(OpenOrCreateBase("s" + Base(), base));
  EXPECT_NE(dynamic_cast<SquishBase*>(base.get()), nullptr);
  EXPECT_EQ(base->GetBasePath(), Base() + ".");
  ASSERT_TRUE(base->CreateMsg());
  base->PutTextLine("Text");
  ASSERT_TRUE(base->WriteMsg());
  EXPECT_TRUE(CloseBase(base));

  ASSERT_TRUE(kestrel::OpenBase("S" + Base(), base));
  EXPECT_EQ(base->GetMsgCount(), 1);
  EXPECT_TRUE(CloseBase(base));
  ExpectSound();
}

TEST_F(SquishBaseTest, NumbersAreUniqueIdsAndPositionsAreRecordOffsets) {
  auto base = ThreeSevenNine();
  EXPECT_EQ(base->GetHighMsgNum(), 9);
  EXPECT_EQ(base->GetMsgCount(), 3);
  EXPECT_FALSE(base->MsgExists(4));
  EXPECT_TRUE(base->MsgExists(7));
  EXPECT_FALSE(base->MsgExists(0));

  base->SeekFirst(4);
  EXPECT_EQ(base->GetMsgNum(), 7);
  EXPECT_EQ(base->GetMsgUid(), 12);
  base->SeekNext();
  EXPECT_EQ(base->GetMsgNum(), 9);
  EXPECT_EQ(base->GetMsgUid(), 24);
  base->SeekNext();
  EXPECT_FALSE(base->SeekFound());
  EXPECT_EQ(base->GetMsgUid(), 0);

  base->SeekFirst(9);
  base->SeekPrior();
  EXPECT_EQ(base->GetMsgNum(), 7);
  base->SeekPrior();
  EXPECT_EQ(base->GetMsgNum(), 3);
  base->SeekPrior();
  EXPECT_FALSE(base->SeekFound());

  base->SeekFirst(10);
  EXPECT_FALSE(base->SeekFound());
  base->SeekFirst(-5);
  EXPECT_EQ(base->GetMsgNum(), 3);

  base->SeekMsgUid(24);
  EXPECT_EQ(base->GetMsgNum(), 9);
  base->SeekMsgUid(12);
  EXPECT_EQ(base->GetMsgNum(), 7);
  // Positions that are not the start of a record select nothing.
  for (const std::int32_t pos : {13, 36, -12, 0x7FFFFFF8}) {
    base->SeekMsgUid(12);
    base->SeekMsgUid(pos);
    EXPECT_FALSE(base->SeekFound()) << pos;
    EXPECT_EQ(base->GetMsgUid(), 0) << pos;
  }
  // Without a current message there is nothing to open.
  EXPECT_FALSE(base->OpenMsg());
  EXPECT_EQ(base->GetLastError(), 0x3008);
  ExpectSound();
}

TEST_F(SquishBaseTest, KillingDuringAForwardScanVisitsEveryMessage) {
  auto base = CreateBase();
  for (int i = 1; i <= 6; ++i)
    Add(*base, TestMessage());
  std::vector<std::int32_t> visited;
  for (base->SeekFirst(1); base->SeekFound(); base->SeekNext()) {
    visited.push_back(base->GetMsgNum());
    ASSERT_TRUE(base->OpenMsg());
    base->CloseMsg();
    if (base->GetMsgNum() % 2 == 1) {
      ASSERT_TRUE(base->KillMsg());
      ExpectSound();
    }
  }
  EXPECT_EQ(visited, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{2, 4, 6}));
  EXPECT_EQ(base->GetMsgCount(), 3);
}

TEST_F(SquishBaseTest, ASecondKillRightAfterAKillRemovesNothing) {
  auto base = CreateBase();
  for (int i = 1; i <= 3; ++i)
    Add(*base, TestMessage());
  base->SeekFirst(2);
  ASSERT_TRUE(base->KillMsg());
  const std::string sqd = Sqd();
  const std::string sqi = Sqi();
  // The position stepped back to message 1, which must not be taken instead.
  EXPECT_FALSE(base->KillMsg());
  EXPECT_EQ(Sqd(), sqd);
  EXPECT_EQ(Sqi(), sqi);
  base->SeekNext();
  EXPECT_EQ(base->GetMsgNum(), 3);

  // Killing the first record steps before the start; SeekNext takes the
  // record that is now first.
  base->SeekFirst(1);
  ASSERT_TRUE(base->KillMsg());
  EXPECT_FALSE(base->KillMsg());
  base->SeekNext();
  EXPECT_EQ(base->GetMsgNum(), 3);
  ExpectSound();
}

TEST_F(SquishBaseTest, AMessageCreatedAndNeverWrittenIsNotCounted) {
  {
    auto base = CreateBase();
    Add(*base, TestMessage());
    ASSERT_TRUE(base->CreateMsg());  // never written
    EXPECT_EQ(base->GetMsgNum(), 2);
  }
  auto base = OpenBase();
  // A message never written is not counted.
  EXPECT_EQ(base->GetMsgCount(), 1);
  EXPECT_EQ(base->GetHighMsgNum(), 1);
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1}));
  ASSERT_TRUE(base->CreateMsg());
  EXPECT_EQ(base->GetMsgNum(), 2);
  base.reset();
  ExpectSound();
}

TEST_F(SquishBaseTest, ReopenedBaseReadsWhatWasWritten) {
  std::vector<TestMessage> messages(5);
  for (int i = 0; i < 5; ++i) {
    messages[i].to = "User " + std::to_string(i);
    messages[i].text =
        "\x01MSGID: 2:5020/1 1234567" + std::to_string(i) + "\rLine " + std::to_string(i) + "\r";
  }
  {
    auto base = CreateBase();
    for (const TestMessage& m : messages)
      Add(*base, m);
  }
  auto base = OpenBase();
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Read(*base, i + 1), messages[i].text);
    EXPECT_EQ(base->GetTo(), messages[i].to);
  }
  ExpectSound();
}

}  // namespace
}  // namespace kestrel::testing
