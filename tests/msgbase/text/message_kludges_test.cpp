// Finding, replacing, deleting and inserting kludge lines.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/msgbase/memory_format.h"

namespace kestrel {
namespace {

using testing::MemoryFormat;

TEST(FindKludge, OffsetsAndWhatCountsAsAMatch) {
  MemoryFormat base;
  base.SetText("body\r\x01MSG\r\x01msgid: x\r\x01MSGID: 2:5020/1 1234abcd\r\nlast\r");
  char buf[LineBufferSize];
  // A line shorter than the name and a line in other case do not match.
  ASSERT_TRUE(base.FindKludgeZ("\x01MSGID:", buf, sizeof buf));
  EXPECT_STREQ(buf, "\x01MSGID: 2:5020/1 1234abcd");
  EXPECT_EQ(base.GetTextPos(), 47);  // after the terminator and its line feed
  // The found line's offsets are the ones a replacement uses.
  base.SetKludgeZ("\x01MSGID:", "\x01MSGID: new");
  EXPECT_EQ(base.TextBytes(), "body\r\x01MSG\r\x01msgid: x\r\x01MSGID: new\rlast\r");

  // An empty name matches the first line.
  EXPECT_TRUE(base.FindKludgeZ("", buf, sizeof buf));
  EXPECT_STREQ(buf, "body");
  EXPECT_EQ(base.GetTextPos(), 5);
}

TEST(GetKludge, DeliversTheLastLineReadWhenNothingIsFound) {
  MemoryFormat base;
  base.SetText("\x01PID: x\rbody\r" + std::string(300, 'L') + "\r");
  std::string line = "stale";
  EXPECT_FALSE(base.GetKludge("\x01MSGID:", line));
  EXPECT_EQ(line, std::string(254, 'L'));
  EXPECT_TRUE(base.EndOfText());

  base.SetText("");
  EXPECT_FALSE(base.GetKludge("\x01MSGID:", line));
  EXPECT_EQ(line, "");

  base.SetText("\x01MSGID: 1:2/3 0badcafe\r");
  EXPECT_TRUE(base.GetKludge("\x01MSGID", line));
  EXPECT_EQ(line, "\x01MSGID: 1:2/3 0badcafe");
}

TEST(SetAndDeleteKludge, OnlyTheFirstMatchingLineChanges) {
  MemoryFormat base;
  const std::string text = "\x01INTL 1:1/1 2:2/2\r\n\x01INTL 3:3/3 4:4/4\rbody\r";
  base.SetText(text);
  base.SetKludge("\x01INTL", "\x01INTL 5:5/5 6:6/6");
  EXPECT_EQ(base.TextBytes(), "\x01INTL 5:5/5 6:6/6\r\x01INTL 3:3/3 4:4/4\rbody\r");
  EXPECT_EQ(base.GetTextPos(), base.GetTextSize());

  base.DeleteKludge("\x01INTL");
  EXPECT_EQ(base.TextBytes(), "\x01INTL 3:3/3 4:4/4\rbody\r");
  base.DeleteKludge("\x01TOPT");  // not there: nothing changes
  EXPECT_EQ(base.TextBytes(), "\x01INTL 3:3/3 4:4/4\rbody\r");

  // Not there: SetKludge adds the line at the kludge insert position.
  base.SetKludge("\x01TOPT", "\x01TOPT 7");
  EXPECT_EQ(base.TextBytes(), "\x01INTL 3:3/3 4:4/4\r\x01TOPT 7\rbody\r");
}

TEST(SetAndDeleteKludge, LinesLongerThanTheScratchBufferGoWhole) {
  MemoryFormat base;
  base.SetText("\x01PATH " + std::string(20000, 'p') + "\r\x01PID\rbody\r");
  base.SetKludge("\x01PATH", "\x01PATH short");
  EXPECT_EQ(base.TextBytes(), "\x01PATH short\r\x01PID\rbody\r");
  base.SetText("\x01PATH " + std::string(20000, 'p') + "\rbody\r");
  base.DeleteKludge("\x01PATH");
  EXPECT_EQ(base.TextBytes(), "body\r");
}

TEST(AddKludge, InsertPositions) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"\x01X\rbody\r", "\x01X\r\x01NEW\rbody\r"},
      {"body\r", "body\r\x01NEW\r"},
      {"", "\x01NEW\r"},
      {"\x01X\r\x01Y\r", "\x01X\r\x01Y\r\x01NEW\r"},
      // Lines before the first kludge line are passed over.
      {"pre\r\x01X\rbody\r\x01Y\r", "pre\r\x01X\r\x01NEW\rbody\r\x01Y\r"},
      {"\x01X\r\nbody\r\n", "\x01X\r\n\x01NEW\rbody\r\n"},
      // An unterminated last line is ended before the new line is added,
      // instead of swallowing it.
      {"body", "body\r\x01NEW\r"},
      {"\x01X", "\x01X\r\x01NEW\r"},
      {"body\n", "body\n\r\x01NEW\r"},
      {std::string("body\0\n", 6), std::string("body\0\n\x01NEW\r", 11)},
  };
  for (const Case& c : cases) {
    MemoryFormat base;
    base.SetText(c.text);
    base.AddKludge("\x01NEW");
    EXPECT_EQ(base.TextBytes(), c.expected) << ::testing::PrintToString(c.text);
    EXPECT_EQ(base.GetTextPos(), base.GetTextSize());
    std::string line;
    EXPECT_TRUE(base.GetKludge("\x01NEW", line));
  }
}

TEST(AddKludge, ThousandsOfKludgeLines) {
  std::string kludges;
  for (int i = 0; i < 5000; ++i)
    kludges += "\x01K" + std::to_string(i) + "\r";
  MemoryFormat base;
  base.SetText(kludges + "body\r");
  EXPECT_EQ(base.GetKludgeInsertPos(), static_cast<std::int32_t>(kludges.size()));
  base.AddKludge("\x01NEW");
  base.SetKludge("\x01K4999", "\x01K-last");
  base.DeleteKludge("\x01K0");
  EXPECT_EQ(base.TextBytes(), kludges.substr(4).replace(kludges.size() - 4 - 7, 7, "\x01K-last\r") +
                                  "\x01NEW\rbody\r");
}

TEST(KludgeEditing, ArbitraryBytesSurviveAnInsertAndDelete) {
  // Random bytes, rich in zero bytes, carriage returns, line feeds and 01h:
  // a line inserted after the first kludge run and deleted again leaves the
  // text exactly as it was. (A line that itself begins with a line feed
  // right after a CR LF would lose that line feed to the inserted line's
  // terminator; such lines are left out.)
  std::mt19937 random(1234);
  const std::string pieces[] = {
      std::string(1, '\0'), "\r",        "\r\n",      "\x01",       "a", "M", "\xff", " ", "a\n",
      "\x01MSGID: ",        "\x01INTL ", "\x01TOPT ", "2:5020/1.3", "@", ".", "/",    ":", "9"};
  for (int round = 0; round < 50; ++round) {
    std::string text;
    for (std::size_t n = random() % 2000; n > 0; --n)
      text += pieces[random() % std::size(pieces)];
    text += "\r";  // terminated, so the text itself never changes
    MemoryFormat base;
    base.SetText(text);
    FidoAddress orig{}, dest{};
    base.GetOrigDestAddr(orig, dest);  // whatever the bytes, the scan ends
    EXPECT_TRUE(base.EndOfText());
    base.AddKludge("\x01ZZUNIQUE 1");
    EXPECT_EQ(base.GetTextSize(), static_cast<std::int32_t>(text.size() + 12));
    base.DeleteKludge("\x01ZZUNIQUE");
    ASSERT_EQ(base.TextBytes(), text) << "round " << round;
  }
}

}  // namespace
}  // namespace kestrel
