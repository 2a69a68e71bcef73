// Addresses derived from and written into the MSGID, INTL, FMPT and TOPT
// kludge lines.
#include <gtest/gtest.h>

#include <string>

#include "msgbase/fido/string_functions.h"
#include "tests/msgbase/memory_format.h"

namespace kestrel {
namespace {

using testing::MemoryFormat;

TEST(AddressKludges, ReadingOverridesOnlyWhatEachLineGives) {
  MemoryFormat base;
  base.SetText(
      "\x01INTL 2:5020/1 1:2/3\r\x01"
      "FMPT 4\rbody\r");
  FidoAddress orig{}, dest{};
  base.GetOrigAddr(orig);
  EXPECT_EQ(orig, (FidoAddress{1, 2, 3, 4}));
  base.GetDestAddr(dest);
  EXPECT_EQ(dest, (FidoAddress{2, 5020, 1, 0}));
  EXPECT_TRUE(base.EndOfText());

  // Not cleared first; MSGID gives the origin, a later INTL overrides zone,
  // net and node but keeps the point; a line without 01h is body text.
  base.SetText(
      "\x01MSGID: 3:4/5.6@othernet 1234abcd\rINTL 7:7/7 7:7/7\r\x01INTL 1:1/1 8:8/8\r"
      "\x01TOPT 5\r");
  orig = {9, 9, 9, 9};
  dest = {9, 9, 9, 9};
  base.GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{8, 8, 8, 6}));
  EXPECT_EQ(dest, (FidoAddress{1, 1, 1, 5}));
}

TEST(AddressKludges, MalformedWordsChangeNothingOrOnlyWhatTheyGive) {
  struct Case {
    std::string line;
    FidoAddress orig;
    FidoAddress dest;
  };
  const FidoAddress start{9, 9, 9, 9};
  const Case cases[] = {
      {"\x01MSGID: <abc@example.org> 1", start, start},
      {"\x01MSGID:", start, start},
      {"\x01MSGID: 2:5020 1", start, start},  // zone and net without node
      {"\x01INTL garbage", start, start},
      {"\x01INTL 1:2/3", start, {1, 2, 3, 9}},
      {"\x01INTL 1:2/3.4 5:6/7.8", {5, 6, 7, 9}, {1, 2, 3, 9}},
      {"\x01"
       "FMPT",
       {9, 9, 9, 0},
       start},
      {"\x01"
       "FMPT x7",
       {9, 9, 9, 0},
       start},
      {"\x01TOPT 65535", start, {9, 9, 9, 65535}},
      {"\x01TOPT 70000", start, {9, 9, 9, 4464}},
      {std::string(300, '\x01'), start, start},
  };
  for (const Case& c : cases) {
    MemoryFormat base;
    FidoAddress orig = start, dest = start;
    base.ParseOrigKludge(c.line, orig);
    base.ParseDestKludge(c.line, dest);
    EXPECT_EQ(orig, c.orig) << ::testing::PrintToString(c.line);
    EXPECT_EQ(dest, c.dest) << ::testing::PrintToString(c.line);
  }
}

TEST(AddressKludges, SetOrigAddrKeepsTheSerialAndWritesNetmailKludges) {
  MemoryFormat base;
  base.SetMailType(kMailTypeNetmail);
  base.use_header_dest = true;  // INTL takes the format's own destination
  base.header_dest = {1, 2, 3, 0};
  base.SetText(
      "\x01MSGID: 2:5020/1 1234abcd\r\x01"
      "FMPT 9\rbody\r");
  base.SetOrigAddr({2, 5020, 1, 3}, false);
  EXPECT_EQ(base.TextBytes(),
            "\x01MSGID: 2:5020/1.3 1234abcd\r\x01"
            "FMPT 3\r\x01INTL 1:2/3 2:5020/1\rbody\r");

  base.SetOrigAddr({2, 5020, 1, 0}, false);  // point 0: the FMPT line goes
  EXPECT_EQ(base.TextBytes(), "\x01MSGID: 2:5020/1 1234abcd\r\x01INTL 1:2/3 2:5020/1\rbody\r");

  base.SetOrigAddr({2, 5020, 1, 0}, true);
  std::string line;
  ASSERT_TRUE(base.GetKludge("\x01MSGID:", line));
  const std::string serial = ExtractWord(3, line, " ");
  EXPECT_EQ(serial.size(), 8u);
  EXPECT_NE(serial, "1234abcd");
  EXPECT_EQ(serial.find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST(AddressKludges, SetOrigDestAddrOnAnEmptyNetmailText) {
  MemoryFormat base;
  base.SetMailType(kMailTypeNetmail);
  base.SetText("");
  base.SetOrigDestAddr({2, 5020, 1, 3}, {1, 2, 3, 4}, false);
  std::string line;
  ASSERT_TRUE(base.GetKludge("\x01MSGID:", line));
  const std::string serial = ExtractWord(3, line, " ");
  EXPECT_EQ(serial.size(), 8u);  // none to keep: a new one
  EXPECT_EQ(base.TextBytes(), "\x01MSGID: 2:5020/1.3 " + serial +
                                  "\r\x01INTL 1:2/3 2:5020/1\r\x01"
                                  "FMPT 3\r\x01TOPT 4\r");
  base.SetDestAddr({1, 2, 3, 0});  // point 0: the TOPT line goes
  EXPECT_EQ(base.TextBytes(), "\x01MSGID: 2:5020/1.3 " + serial +
                                  "\r\x01INTL 1:2/3 2:5020/1\r\x01"
                                  "FMPT 3\r");
}

TEST(AddressKludges, EchomailGetsOnlyTheMsgId) {
  MemoryFormat base;
  base.SetMailType(kMailTypeEchomail);
  const std::string text = "\x01MSGID: 1:1/1 0000abcd\r\x01INTL 1:1/1 1:1/1\r\x01TOPT 5\rbody\r";
  base.SetText(text);
  base.SetDestAddr({2, 5020, 1, 0});
  EXPECT_EQ(base.TextBytes(), text);
  base.SetOrigDestAddr({2, 5020, 1, 3}, {3, 3, 3, 0}, false);
  EXPECT_EQ(base.TextBytes(),
            "\x01MSGID: 2:5020/1.3 0000abcd\r\x01INTL 1:1/1 1:1/1\r\x01TOPT 5\rbody\r");
}

}  // namespace
}  // namespace kestrel
