// Damaged and hostile bases: every bad offset, length, link and count gives
// an error code or a safe result, never a read or write in the wrong place
// and never a loop without end.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/msgbase/squish/squish_fixture.h"

namespace kestrel::testing {
namespace {

class SquishDamageTest : public SquishFixture {
 protected:
  // A closed base with three messages; frame offsets in frames_[1..3].
  void MakeThree() {
    auto base = CreateBase();
    for (int i = 1; i <= 3; ++i) {
      TestMessage m;
      m.text =
          "\x01MSGID: 1:2/3 0000000" + std::to_string(i) + "\rText " + std::to_string(i) + "\r";
      Add(*base, m);
    }
    base->CloseMsgBase();
    const std::string sqi = Sqi();
    for (int i = 1; i <= 3; ++i)
      frames_[i] = GetLe32(sqi, (i - 1) * 12);
  }
  void PatchSqd(std::size_t offset, std::uint32_t value) {
    std::string sqd = Sqd();
    PutLe32(sqd, offset, value);
    WriteWholeFile(FindAnyCase(Base() + ".sqd"), sqd);
  }
  void PatchSqi(std::size_t offset, std::uint32_t value) {
    std::string sqi = Sqi();
    PutLe32(sqi, offset, value);
    WriteWholeFile(FindAnyCase(Base() + ".sqi"), sqi);
  }
  // Opening message uid must fail with `code`; the others still open.
  void ExpectOnlyThisFails(SquishBase& base, std::int32_t uid, std::int32_t code) {
    for (std::int32_t i = 1; i <= 3; ++i) {
      base.SeekFirst(i);
      ASSERT_EQ(base.GetMsgNum(), i);
      EXPECT_EQ(base.OpenMsg(), i != uid) << i;
      if (i == uid) {
        EXPECT_EQ(base.GetLastError(), code);
        EXPECT_FALSE(base.OpenMsgHeader());
        EXPECT_EQ(base.GetTextStream(), nullptr);
      } else {
        EXPECT_EQ(TextOf(base).substr(TextOf(base).size() - 7), "Text " + std::to_string(i) + "\r");
      }
    }
  }

  std::uint32_t frames_[4] = {};
};

TEST_F(SquishDamageTest, FramesThatAreNoMessageFramesAreRefused) {
  struct Case {
    const char* what;
    std::size_t field;  // offset in the frame header
    std::uint32_t value;
    // Whether the frame is still a message frame to the chains (only its
    // lengths are wrong).
    bool in_chain;
  };
  const Case cases[] = {
      {"wrong frame id", 0, 0x12345678, false},
      {"free frame", 24, 1, false},
      {"unknown frame type", 24, 7, false},
      {"control length beyond the message", 20, 5000, true},
      {"control length beyond what can be stored", 20, 65520, true},
      {"control length of 4 GiB", 20, 0xFFFFFFFF, true},
      {"message length shorter than the message header", 16, 100, true},
      {"frame length shorter than the message header", 12, 100, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MakeThree();
    PatchSqd(frames_[2] + c.field, c.value);
    const std::string before = Sqd() + Sqi();
    auto base = OpenBase();
    ExpectOnlyThisFails(*base, 2, 0x3007);
    // A scan still reaches every message number.
    EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1, 2, 3}));
    if (!c.in_chain) {
      // What is no message frame is not deleted.
      base->SeekFirst(2);
      EXPECT_FALSE(base->KillMsg());
      // Its neighbours do not link to it as a message: the chains are
      // rebuilt from the index and the frames (which makes the indexed frame
      // a message again) and the kill goes on. Frames that no longer lie end
      // to end (a frame without its id) cannot be rebuilt: nothing is written.
      const bool rebuildable = c.field != 0;
      base->SeekFirst(3);
      EXPECT_EQ(base->KillMsg(), rebuildable);
      if (rebuildable) {
        EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1, 2}));
        EXPECT_EQ(Read(*base, 2), "\x01MSGID: 1:2/3 00000002\rText 2\r");
      } else {
        EXPECT_EQ(base->GetLastError(), 0x3008);
        base->SeekFirst(1);
        EXPECT_FALSE(base->KillMsg());
        EXPECT_EQ(Sqd() + Sqi(), before);
      }
    } else {
      // A message frame whose lengths are wrong can still be deleted.
      base->SeekFirst(2);
      EXPECT_TRUE(base->KillMsg());
      EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1, 3}));
      EXPECT_EQ(Read(*base, 3), "\x01MSGID: 1:2/3 00000003\rText 3\r");
    }
  }
}

TEST_F(SquishDamageTest, IndexRecordsPointingOutsideTheFramesAreRefused) {
  for (const std::uint32_t offset : {0u, 28u, 255u, 0x7FFFFFF0u, 0xFFFFFFFFu, 99999u}) {
    SCOPED_TRACE(offset);
    MakeThree();
    PatchSqi(12, offset);
    auto base = OpenBase();
    ExpectOnlyThisFails(*base, 2, 0x3008);
    base->SeekFirst(2);
    EXPECT_FALSE(base->KillMsg());
  }
}

TEST_F(SquishDamageTest, AnIndexRecordPointingAtAFreeFrameIsRefused) {
  MakeThree();
  {
    auto base = OpenBase();
    base->SeekFirst(3);
    ASSERT_TRUE(base->KillMsg());
  }
  // Another program's index still names the freed frame.
  std::string sqi = Sqi();
  sqi += std::string(12, '\0');
  PutLe32(sqi, 24, frames_[3]);
  PutLe32(sqi, 28, 3);
  WriteWholeFile(FindAnyCase(Base() + ".sqi"), sqi);
  auto base = OpenBase();
  base->SeekFirst(3);
  ASSERT_EQ(base->GetMsgNum(), 3);
  EXPECT_FALSE(base->OpenMsg());
  EXPECT_EQ(base->GetLastError(), 0x3007);
  EXPECT_FALSE(base->KillMsg());  // not freed twice
  SquishCheckOptions relaxed;
  relaxed.header_counts = false;
  EXPECT_EQ(CheckSquishBase(Base(), relaxed).free_frames.size(), 1u);
}

TEST_F(SquishDamageTest, AFrameCutShortKeepsTheTextItStillHolds) {
  MakeThree();
  // The last message's text is cut in the middle.
  std::string sqd = Sqd();
  sqd.resize(sqd.size() - 4);
  WriteWholeFile(FindAnyCase(Base() + ".sqd"), sqd);
  auto base = OpenBase();
  EXPECT_EQ(Read(*base, 3), "\x01MSGID: 1:2/3 00000003\rText");
  // A message length beyond the file reads no further than the file.
  base->CloseMsgBase();
  PatchSqd(frames_[2] + 16, 0x7FFFFFFF);
  PatchSqd(frames_[2] + 12, 0x7FFFFFFF);
  base = OpenBase();
  const std::string text = Read(*base, 2);
  EXPECT_EQ(text.substr(0, 30), "\x01MSGID: 1:2/3 00000002\rText 2\r");
  EXPECT_LT(text.size(), Sqd().size());

  // New messages go to the real end of the file, whatever the header says.
  base->CloseMsgBase();
  PatchSqd(120, 0x7FFFFFF0);  // end of data
  base = OpenBase();
  TestMessage m;
  m.text = "New\r";
  ASSERT_EQ(Add(*base, m), 4u);
  EXPECT_EQ(GetLe32(Sqi(), 36), sqd.size());
  EXPECT_EQ(GetLe32(Sqd(), 120), Sqd().size());
  EXPECT_EQ(Read(*base, 4), "New\r");
  EXPECT_EQ(Read(*base, 1), "\x01MSGID: 1:2/3 00000001\rText 1\r");
}

TEST_F(SquishDamageTest, AnEndOfDataInsideTheFramesDoesNotOverwriteThem) {
  MakeThree();
  PatchSqd(120, frames_[2]);
  auto base = OpenBase();
  TestMessage m;
  m.text = "New\r";
  ASSERT_EQ(Add(*base, m), 4u);
  for (int i = 1; i <= 3; ++i)
    EXPECT_EQ(Read(*base, i), "\x01MSGID: 1:2/3 0000000" + std::to_string(i) + "\rText " +
                                  std::to_string(i) + "\r");
  ExpectSound();
}

TEST_F(SquishDamageTest, ATruncatedIndexKeepsItsWholeRecords) {
  MakeThree();
  std::string sqi = Sqi();
  sqi.resize(29);  // two records and five bytes of the third
  WriteWholeFile(FindAnyCase(Base() + ".sqi"), sqi);
  auto base = OpenBase();
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1, 2}));
  TestMessage m;
  ASSERT_EQ(Add(*base, m), 4u);
  // The new record goes where the partial one began.
  EXPECT_EQ(Sqi().size(), 36u);
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1, 2, 4}));
  EXPECT_EQ(Read(*base, 4), "Body\r");
}

TEST_F(SquishDamageTest, LoopingFreeChainsDoNotHoldUpWrites) {
  for (const bool self_loop : {false, true}) {
    SCOPED_TRACE(self_loop);
    MakeThree();
    {
      auto base = OpenBase();
      for (const int uid : {1, 2}) {
        base->SeekFirst(uid);
        ASSERT_TRUE(base->KillMsg());
      }
    }
    // Free chain 1 -> 2; make it go round: 2 -> 1, or 1 -> 1.
    if (self_loop) {
      PatchSqd(frames_[1] + 4, frames_[1]);
    } else {
      PatchSqd(frames_[2] + 4, frames_[1]);
    }
    auto base = OpenBase();
    TestMessage big;
    big.text = std::string(2000, 'b') + "\r";  // fits no free frame
    ASSERT_EQ(Add(*base, big), 4u);
    TestMessage small;
    small.text = "s\r";  // would fit either
    ASSERT_EQ(Add(*base, small), 5u);
    EXPECT_EQ(Read(*base, 4), big.text);
    EXPECT_EQ(Read(*base, 5), small.text);
    EXPECT_EQ(Read(*base, 3), "\x01MSGID: 1:2/3 00000003\rText 3\r");
    // Killing still works: the frame leaves the message chain and the
    // index, even though the free chain cannot take it cleanly.
    base->SeekFirst(3);
    EXPECT_TRUE(base->KillMsg());
    EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{4, 5}));
  }
}

TEST_F(SquishDamageTest, ALoopingMessageChainIsNotFollowed) {
  MakeThree();
  PatchSqd(frames_[3] + 4, frames_[1]);  // last -> first
  PatchSqd(frames_[1] + 8, frames_[3]);  // first <- last
  const std::string before = Sqd() + Sqi();
  auto base = OpenBase();
  // Reading goes by the index and is not affected.
  EXPECT_EQ(Read(*base, 2), "\x01MSGID: 1:2/3 00000002\rText 2\r");
  // Appending needs a sound last frame: it fails before anything is written.
  ASSERT_TRUE(base->CreateMsg());
  EXPECT_FALSE(base->WriteMsg());
  EXPECT_EQ(base->GetLastError(), 0x3008);
  EXPECT_EQ(Sqi(), before.substr(before.size() - Sqi().size()));
  EXPECT_EQ(Sqd(), before.substr(0, Sqd().size()));
  base->CloseMsg();
  // Killing needs neighbours that point back: the chains are rebuilt from
  // the index and the frames, and the kill goes on.
  base->SeekFirst(1);
  EXPECT_TRUE(base->KillMsg()) << base->GetLastError();
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{2, 3}));
  base->SeekFirst(3);
  EXPECT_TRUE(base->KillMsg()) << base->GetLastError();
  EXPECT_EQ(Read(*base, 2), "\x01MSGID: 1:2/3 00000002\rText 2\r");
  base->CloseMsgBase();
  ExpectSound();
}

TEST_F(SquishDamageTest, AbsurdHeaderCountsGiveUsableNumbers) {
  MakeThree();
  PatchSqd(4, 0);            // number of messages
  PatchSqd(8, 0);            // high message
  PatchSqd(20, 0xFFFFFFFF);  // next unique id
  {
    auto base = OpenBase();
    EXPECT_EQ(base->GetHighMsgNum(), 3);  // not -2: the index knows better
    // A new message gets a number above every one in the index.
    TestMessage m;
    ASSERT_EQ(Add(*base, m), 4u);
    EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1, 2, 3, 4}));
    base->SeekFirst(1);
    ASSERT_TRUE(base->KillMsg());
    base->SeekFirst(2);
    ASSERT_TRUE(base->KillMsg());
    EXPECT_EQ(base->GetMsgCount(), 0);  // counted down to 0, not below
  }
  EXPECT_EQ(GetLe32(Sqd(), 4), 0u);
  EXPECT_EQ(GetLe32(Sqd(), 20), 5u);

  // Unique ids run out at the largest message number: no message is
  // stored under a number nobody can ask for.
  MakeThree();
  PatchSqi(28, 0x7FFFFFFF);
  PatchSqd(20, 0x80000000);
  auto base = OpenBase();
  const std::string before = Sqd();
  EXPECT_FALSE(base->CreateMsg());
  EXPECT_EQ(base->GetLastError(), 0x3004);
  base->CloseMsgBase();
  EXPECT_EQ(Sqd(), before);
}

TEST_F(SquishDamageTest, RandomDamageNeverCrashesOrHangs) {
  // Bytes of a sound base overwritten at random: whatever the result, every
  // operation returns, and nothing is read or written out of bounds (the
  // sanitizer build checks the latter).
  std::mt19937 random(20240229);
  MakeThree();
  const std::string sound_sqd = Sqd();
  const std::string sound_sqi = Sqi();
  int opened = 0;
  int stored = 0;
  for (int round = 0; round < 300; ++round) {
    std::string sqd = sound_sqd;
    std::string sqi = sound_sqi;
    const int changes = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < changes; ++i) {
      std::string& target = random() % 4 == 0 ? sqi : sqd;
      const std::size_t at = random() % target.size();
      const std::uint32_t value = random() % 3 == 0
                                      ? static_cast<std::uint32_t>(random())
                                      : (random() % 2 ? frames_[1 + random() % 3] : 0);
      if (at + 4 <= target.size()) PutLe32(target, at, value);
    }
    if (random() % 5 == 0) sqd.resize(random() % sqd.size());
    if (random() % 5 == 0) sqi.resize(random() % (sqi.size() + 1));
    WriteWholeFile(FindAnyCase(Base() + ".sqd"), sqd);
    WriteWholeFile(FindAnyCase(Base() + ".sqi"), sqi);

    SquishBase base;
    if (!base.OpenMsgBase(Base())) {
      EXPECT_TRUE(base.GetLastError() == 0x3002 || base.GetLastError() == 0x3003);
      continue;
    }
    ++opened;
    base.GetHighMsgNum();
    for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
      if (base.OpenMsg()) {
        base.GetFrom();
        FidoAddress orig;
        FidoAddress dest;
        base.GetOrigDestAddr(orig, dest);
        if (random() % 2) base.WriteMsg();
        base.CloseMsg();
      } else {
        EXPECT_TRUE(base.GetLastError() == 0x3007 || base.GetLastError() == 0x3008)
            << base.GetLastError();
      }
      if (random() % 3 == 0) base.KillMsg();
    }
    if (base.CreateMsg()) {
      const std::string line(random() % 3000, 'r');
      base.PutTextLine(line);
      const std::int32_t uid = base.GetMsgNum();
      if (base.WriteMsg()) {
        // Whatever else is damaged, a message reported as stored reads back.
        ++stored;
        base.SeekFirst(uid);
        ASSERT_EQ(base.GetMsgNum(), uid);
        ASSERT_TRUE(base.OpenMsg());
        EXPECT_TRUE(TextOf(base) == line + "\r");
      }
    }
    base.SeekFirst(1);
    base.SeekPrior();
    base.SeekMsgUid(static_cast<std::int32_t>(random()));
    base.OpenMsgHeader();
  }
  // Most damage leaves a base that opens and takes new messages.
  EXPECT_GT(opened, 150);
  EXPECT_GT(stored, 50);
}

}  // namespace
}  // namespace kestrel::testing
