// Finding the files of an area: each message is opened by the spelling the
// case rules give (the exact name first, else the first in byte order), and
// an area opened again and again (as a destination is, once per copy) sees
// what other programs added or removed in between.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/msgbase/msgdir/msgdir_test_support.h"
#include "tests/support/platform_skips.h"

namespace kestrel::testing {
namespace {

// A message file whose sender names the file it came from.
std::string MessageBytes(const std::string& from) {
  std::string bytes(190, '\0');
  bytes.replace(0, from.size(), from);
  return bytes + "Body of " + from + "\r" + std::string(1, '\0');
}

std::string SenderOf(MsgDirBase& base, std::int32_t number) {
  base.SeekFirst(number);
  if (base.GetMsgNum() != number || !base.OpenMsg()) return "<cannot open>";
  const std::string from = base.GetFrom();
  base.CloseMsg();
  return from;
}

TEST_F(MsgDirAreaTest, EachMessageIsOpenedByTheSpellingTheCaseRulesGive) {
  KESTREL_SKIP_ON_WINDOWS("two names that differ only in case are one name to Windows");
  dir_.WriteFile("area/1.msg", MessageBytes("lower 1"));
  dir_.WriteFile("area/2.MSG", MessageBytes("upper 2"));
  dir_.WriteFile("area/3.Msg", MessageBytes("mixed 3"));
  dir_.WriteFile("area/3.msg", MessageBytes("lower 3"));
  dir_.WriteFile("area/4.msg", MessageBytes("lower 4"));
  dir_.MakeDir("area/4.MSG");  // no message: it cannot hide the file
  dir_.WriteFile("area/5.mSg", MessageBytes("mixed 5"));
  dir_.WriteFile("area/6.Msg", MessageBytes("mixed 6"));
  dir_.WriteFile("elsewhere", MessageBytes("linked 6"));
  // The exact spelling asked for, but no message.
  std::filesystem::create_symlink(dir_.Path("elsewhere"), dir_.Path("area/6.MSG"));
  // The area named in upper case, as the configuration names it.
  std::unique_ptr<MessageBase> opened;
  ASSERT_TRUE(OpenBase("M" + dir_.Path("AREA"), opened));
  auto& base = static_cast<MsgDirBase&>(*opened);
  EXPECT_EQ(SenderOf(base, 1), "lower 1");
  EXPECT_EQ(SenderOf(base, 2), "upper 2");
  EXPECT_EQ(SenderOf(base, 3), "mixed 3");  // "3.Msg" sorts before "3.msg"
  EXPECT_EQ(SenderOf(base, 4), "lower 4");
  EXPECT_EQ(SenderOf(base, 5), "mixed 5");
  EXPECT_EQ(SenderOf(base, 6), "mixed 6");

  // Renamed after the listing: found by the case rules all the same, and
  // killed by them.
  std::filesystem::rename(dir_.Path("area/1.msg"), dir_.Path("area/1.MSG"));
  EXPECT_EQ(SenderOf(base, 1), "lower 1");
  base.SeekFirst(1);
  EXPECT_TRUE(base.KillMsg());
  EXPECT_FALSE(dir_.Exists("area/1.MSG"));
  CloseBase(opened);
}

TEST_F(MsgDirAreaTest, AnAreaOpenedAgainAndAgainSeesWhatOthersChanged) {
  const std::string id = "M" + dir_.Path("AREA");
  auto add_one = [&id]() {
    std::unique_ptr<MessageBase> base;
    EXPECT_TRUE(OpenOrCreateBase(id, base));
    EXPECT_TRUE(base->CreateMsg());
    const std::int32_t number = base->GetMsgNum();
    base->SetSubj("Copy " + std::to_string(number));
    EXPECT_TRUE(base->WriteMsg());
    base->CloseMsg();
    CloseBase(base);
    return number;
  };
  for (std::int32_t expected = 1; expected <= 4; ++expected)
    EXPECT_EQ(add_one(), expected);
  // Another program writes a message, later one the directory's clock tick
  // of our own last change.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  dir_.WriteFile("area/9.msg", MessageBytes("another program"));
  EXPECT_EQ(add_one(), 10);
  EXPECT_EQ(add_one(), 11);

  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::filesystem::remove(dir_.Path("area/11.msg"));
  std::filesystem::remove(dir_.Path("area/9.msg"));
  std::unique_ptr<MessageBase> base;
  ASSERT_TRUE(OpenBase(id, base));
  EXPECT_EQ(base->GetHighMsgNum(), 10);
  EXPECT_EQ(base->GetMsgCount(), 5);
  EXPECT_FALSE(base->MsgExists(9));
  EXPECT_TRUE(base->MsgExists(10));
  CloseBase(base);
  EXPECT_EQ(add_one(), 11);
}

}  // namespace
}  // namespace kestrel::testing
