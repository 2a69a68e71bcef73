// Messages: control information and text, attributes, names, dates,
// addresses, oversized kludges, and round trips of every combination.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "tests/msgbase/squish/squish_fixture.h"

namespace kestrel::testing {
namespace {

// What the first (only) message frame of a base stores.
struct StoredFrame {
  std::uint32_t message_length = 0;
  std::string control;  // with its closing 0
  std::string text;     // without the closing 0
  std::string header;   // the 238-byte message header
};

StoredFrame FirstFrame(const std::string& sqd) {
  StoredFrame f;
  const std::uint32_t at = GetLe32(sqd, 104);
  f.message_length = GetLe32(sqd, at + 16);
  const std::uint32_t control_length = GetLe32(sqd, at + 20);
  f.header = sqd.substr(at + 28, 238);
  f.control = sqd.substr(at + 28 + 238, control_length);
  f.text = sqd.substr(at + 28 + 238 + control_length, f.message_length - 238 - control_length - 1);
  return f;
}

class SquishMessageTest : public SquishFixture {};

TEST_F(SquishMessageTest, LeadingKludgeLinesBecomeControlInformation) {
  struct Case {
    std::string text;     // as written
    std::string control;  // stored, with its 0
    std::string stored;   // stored text
    std::string read;     // text when read back
  };
  const std::string z(1, '\0');
  const Case cases[] = {
      // Without kludges the control information is its 0 alone, and no
      // empty line appears in front of the text when it is read.
      {"Hello\r", z, "Hello\r", "Hello\r"},
      {"", z, "", ""},
      // Only kludges: an empty text.
      {"\x01MSGID: 1:2/3 abcd\r\x01PID: X\r", "\x01MSGID: 1:2/3 abcd\x01PID: X" + z, "",
       "\x01MSGID: 1:2/3 abcd\r\x01PID: X\r"},
      // Line feeds after the line ends are skipped; the text keeps its own.
      {"\x01"
       "A\r\n\x01"
       "B\r\nBody\r\n",
       "\x01"
       "A\x01"
       "B" +
           z,
       "Body\r\n",
       "\x01"
       "A\r\x01"
       "B\rBody\r\n"},
      // A kludge line after the first ordinary line is text.
      {"Body\r\x01Via 1:2/3\r", z, "Body\r\x01Via 1:2/3\r", "Body\r\x01Via 1:2/3\r"},
      // An empty first line starts the text.
      {"\r\x01"
       "A\r",
       z,
       "\r\x01"
       "A\r",
       "\r\x01"
       "A\r"},
      // A zero byte ends a line too.
      {std::string("\x01"
                   "A\0Body\r",
                   8),
       "\x01"
       "A" +
           z,
       "Body\r",
       "\x01"
       "A\rBody\r"},
      // The last kludge line needs no line end.
      {"\x01"
       "A",
       "\x01"
       "A" +
           z,
       "",
       "\x01"
       "A\r"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    TempDir scratch;
    SquishBase base;
    ASSERT_TRUE(base.CreateMsgBase(scratch.Path("b")));
    TestMessage m;
    m.text = c.text;
    ASSERT_EQ(Add(base, m), 1u);
    const StoredFrame frame = FirstFrame(ReadAnyCase(scratch.Path("b.sqd")));
    EXPECT_EQ(frame.control, c.control);
    EXPECT_EQ(frame.text, c.stored);
    EXPECT_EQ(frame.message_length, 238 + c.control.size() + c.stored.size() + 1);
    EXPECT_EQ(Read(base, 1), c.read);
    ASSERT_TRUE(base.OpenMsgHeader());
    EXPECT_EQ(TextOf(base), c.read.substr(0, c.read.size() - c.stored.size()));
    // Written again unchanged, the message stays the same: nothing grows.
    ASSERT_TRUE(base.OpenMsg());
    ASSERT_TRUE(base.WriteMsg());
    EXPECT_EQ(Read(base, 1), c.read);
    EXPECT_TRUE(CheckSquishBase(scratch.Path("b")).ok());
  }
}

TEST_F(SquishMessageTest, StoredControlInformationIsCutBeforeEachKludgeMark) {
  auto base = CreateBase();
  TestMessage m;
  m.text =
      "\x01"
      "AAAAAA\rBody\r";
  Add(*base, m);
  base->CloseMsgBase();
  // Another program's control information: zero bytes inside, and bytes in
  // front of the first kludge mark.
  std::string sqd = Sqd();
  const std::uint32_t control = 256 + 28 + 238;
  sqd.replace(control, 7, std::string("XY\x01Z\0\0\x01", 7));
  WriteWholeFile(FindAnyCase(Base() + ".sqd"), sqd);
  base = OpenBase();
  EXPECT_EQ(Read(*base, 1), "XY\r\x01Z\r\x01\rBody\r");
  ExpectSound();
}

TEST_F(SquishMessageTest, OversizedKludgesAreLeftOutWholeAndTheMessageIsStored) {
  const std::string piece_max = "\x01" + std::string(16382, 'p');  // 16383 bytes
  const std::string piece_over = "\x01" + std::string(16383, 'o');
  auto base = CreateBase();
  {
    // A line over the longest piece goes, with every kludge after it.
    TestMessage m;
    m.text =
        "\x01"
        "A\r" +
        piece_max + "\r" + piece_over +
        "\r\x01"
        "C\rBody\r";
    ASSERT_EQ(Add(*base, m), 1u);
    EXPECT_TRUE(Read(*base, 1) ==
                "\x01"
                "A\r" +
                    piece_max + "\rBody\r");
  }
  {
    // Control information up to 65519 bytes with its 0 is stored; the line
    // that would reach 65520 goes, with the rest.
    const std::string last = "\x01" + std::string(16368, 'q');  // 3 * 16383 + 16369 = 65518
    TestMessage m;
    m.text = piece_max + "\r" + piece_max + "\r" + piece_max + "\r" + last +
             "\r\x01\r\x01"
             "D\rEnd\r";
    ASSERT_EQ(Add(*base, m), 2u);
    EXPECT_TRUE(Read(*base, 2) ==
                piece_max + "\r" + piece_max + "\r" + piece_max + "\r" + last + "\rEnd\r");
  }
  {
    // Many lines: whole lines in order while they fit.
    // Ten lines of 1000 bytes and sixty of 1001: 10000 + 55 * 1001 = 65055
    // bytes fit with the 0, the 56th line of 1001 would not.
    TestMessage m;
    m.text.clear();
    std::string expected;
    for (int i = 0; i < 70; ++i) {
      const std::string line = "\x01K" + std::to_string(i) + std::string(997, 'k');
      m.text += line + "\r";
      if (i < 65) expected += line + "\r";
    }
    m.text += "Text\r";
    ASSERT_EQ(Add(*base, m), 3u);
    const std::string read = Read(*base, 3);
    EXPECT_EQ(read.size(), expected.size() + 5);
    EXPECT_TRUE(read == expected + "Text\r");
  }
  ExpectSound();
}

TEST_F(SquishMessageTest, AttributeCodesMapToSquishBits) {
  const std::pair<std::uint32_t, std::uint32_t> map[] = {
      {0x0001, 0x0001}, {0x0002, 0x0002}, {0x0004, 0x0004}, {0x0008, 0x0008},
      {0x0010, 0x0010}, {0x0020, 0x0020}, {0x0040, 0x0040}, {0x0080, 0x0080},
      {0x0100, 0x0100}, {0x0200, 0x0200}, {0x0400, 0x0800}, {0x0800, 0x1000},
      {0x1000, 0x2000}, {0x2000, 0x4000}, {0x4000, 0x8000}, {0x8000, 0x10000},
  };
  auto base = CreateBase();
  std::uint32_t uid = 0;
  for (const auto& [code, bit] : map) {
    SCOPED_TRACE(code);
    TestMessage m;
    m.attributes = {code};
    uid = Add(*base, m);
    base->SeekFirst(static_cast<std::int32_t>(uid));
    ASSERT_TRUE(base->OpenMsgHeader());
    const std::string sqd = Sqd();
    const std::uint32_t frame = GetLe32(sqd, 108);  // the last message
    EXPECT_EQ(GetLe32(sqd, frame + 28), 0x20000 | bit);
    for (const auto& [other, other_bit] : map)
      EXPECT_EQ(base->GetAttr(other), other == code);
    // Cleared and rewritten: only the bit every message has stays.
    base->SetAttr(code, false);
    ASSERT_TRUE(base->RewriteHeader());
    EXPECT_EQ(GetLe32(Sqd(), frame + 28), 0x20000u);
    EXPECT_FALSE(base->GetAttr(code));
  }
  // Codes outside the map change nothing and read as not set.
  ASSERT_TRUE(base->CreateMsg());
  for (const std::uint32_t code : {0u, 3u, 0x10000u, 0x20000u, 0x80000000u}) {
    base->SetAttr(code, true);
    base->SetAttr(0x20000, false);
    EXPECT_FALSE(base->GetAttr(code)) << code;
  }
  ASSERT_TRUE(base->WriteMsg());
  EXPECT_EQ(GetLe32(Sqd(), GetLe32(Sqd(), 108) + 28), 0x20000u);
}

TEST_F(SquishMessageTest, NamesAndSubjectAreCutToTheirFields) {
  auto base = CreateBase();
  TestMessage m;
  m.from = std::string(40, 'f');
  m.to = std::string(36, 't');
  m.subject = std::string(80, 's');
  Add(*base, m);
  const StoredFrame frame = FirstFrame(Sqd());
  EXPECT_EQ(frame.header.substr(4, 36), std::string(35, 'f') + '\0');
  EXPECT_EQ(frame.header.substr(40, 36), std::string(35, 't') + '\0');
  EXPECT_EQ(frame.header.substr(76, 72), std::string(71, 's') + '\0');
  EXPECT_EQ(GetLe32(frame.header, 148), 0u);  // the address after the subject is untouched

  base->CloseMsgBase();
  base = OpenBase();
  Read(*base, 1);
  EXPECT_EQ(base->GetFrom(), std::string(35, 'f'));
  EXPECT_EQ(base->GetTo(), std::string(35, 't'));
  EXPECT_EQ(base->GetSubj(), std::string(71, 's'));
  // A shorter name replaces a longer one completely.
  base->SetFrom("Al");
  EXPECT_EQ(base->GetFrom(), "Al");
  ASSERT_TRUE(base->RewriteHeader());
  EXPECT_EQ(FirstFrame(Sqd()).header.substr(4, 36), "Al" + std::string(34, '\0'));
}

TEST_F(SquishMessageTest, AFieldWithoutItsZeroIsReadWhole) {
  auto base = CreateBase();
  Add(*base, TestMessage());
  base->CloseMsgBase();
  std::string sqd = Sqd();
  sqd.replace(256 + 28 + 40, 36, std::string(36, 'T'));
  WriteWholeFile(FindAnyCase(Base() + ".sqd"), sqd);
  base = OpenBase();
  Read(*base, 1);
  EXPECT_EQ(base->GetTo(), std::string(36, 'T'));
  EXPECT_EQ(base->GetFrom(), "Alice Sysop");  // the next field is not run into
}

TEST_F(SquishMessageTest, DatesAreStoredAsDosWordsAndAsText) {
  auto base = CreateBase();
  Add(*base, TestMessage());
  const StoredFrame frame = FirstFrame(Sqd());
  EXPECT_EQ(GetLe16(frame.header, 164), kWrittenDate);
  EXPECT_EQ(GetLe16(frame.header, 166), kWrittenTime);
  EXPECT_EQ(GetLe16(frame.header, 168), kArrivedDate);
  EXPECT_EQ(GetLe16(frame.header, 170), kArrivedTime);
  EXPECT_EQ(frame.header.substr(218, 20), std::string(kWrittenText) + '\0');

  Read(*base, 1);
  MsgDateTime dt;
  dt.sec100 = 55;
  base->GetDateWritten(dt);
  EXPECT_EQ(dt, (MsgDateTime{7, 8, 8, 55, 5, 3, 2001}));  // even seconds, hundredths kept
  base->GetDateArrived(dt);
  EXPECT_EQ(dt, (MsgDateTime{10, 20, 30, 55, 6, 4, 2002}));

  // The date text has two-digit numbers also past 2099.
  base->SetDateWritten(MsgDateTime{23, 59, 58, 0, 31, 12, 2105});
  ASSERT_TRUE(base->WriteMsg());
  EXPECT_EQ(FirstFrame(Sqd()).header.substr(218, 20), std::string("31 Dec 05  23:59:58") + '\0');
}

TEST_F(SquishMessageTest, NewMessagesGetTheCurrentTime) {
  platform::SetClockOverride([] { return platform::LocalTime{2024, 2, 29, 13, 14, 15, 160}; });
  auto base = CreateBase();
  ASSERT_TRUE(base->CreateMsg());
  ASSERT_TRUE(base->WriteMsg());
  platform::SetClockOverride(nullptr);
  MsgDateTime dt;
  base->GetDateArrived(dt);
  EXPECT_EQ(dt.year, 2024);
  EXPECT_EQ(dt.day, 29);
  EXPECT_EQ(dt.sec, 14);
  EXPECT_EQ(FirstFrame(Sqd()).header.substr(218, 20), std::string("29 Feb 24  13:14:14") + '\0');
  EXPECT_EQ(GetLe32(FirstFrame(Sqd()).header, 0), 0x20000u);
}

TEST_F(SquishMessageTest, AddressesComeFromTheKludgeLinesOverTheHeaderFields) {
  auto base = CreateBase();
  TestMessage m;
  m.text =
      "\x01INTL 2:5020/1 1:2/3\r\x01"
      "FMPT 4\r\x01TOPT 5\rText\r";
  Add(*base, m);
  // The header fields follow the kludges...
  const std::string header = FirstFrame(Sqd()).header;
  EXPECT_EQ(GetLe16(header, 148), 1);
  EXPECT_EQ(GetLe16(header, 150), 2);
  EXPECT_EQ(GetLe16(header, 152), 3);
  EXPECT_EQ(GetLe16(header, 154), 4);
  EXPECT_EQ(GetLe16(header, 156), 2);
  EXPECT_EQ(GetLe16(header, 158), 5020);
  EXPECT_EQ(GetLe16(header, 160), 1);
  EXPECT_EQ(GetLe16(header, 162), 5);
  base->CloseMsgBase();

  // ...and the parts the kludges carry win over the header fields.
  std::string sqd = Sqd();
  sqd.replace(256 + 28 + 148, 16, std::string(16, '\x09'));
  WriteWholeFile(FindAnyCase(Base() + ".sqd"), sqd);
  base = OpenBase();
  Read(*base, 1);
  FidoAddress orig{9, 9, 9, 9};
  FidoAddress dest{9, 9, 9, 9};
  base->GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{1, 2, 3, 4}));
  EXPECT_EQ(dest, (FidoAddress{2, 5020, 1, 5}));
  base->GetOrigAddr(orig);
  EXPECT_EQ(orig, (FidoAddress{1, 2, 3, 4}));
  base->GetDestAddr(dest);
  EXPECT_EQ(dest, (FidoAddress{2, 5020, 1, 5}));

  // No kludges: the header's addresses, no default zone. A new message
  // whose text was replaced after its addresses were set keeps them.
  ASSERT_TRUE(base->CreateMsg());
  base->SetMailType(kMailTypeNetmail);
  base->SetOrigDestAddr(FidoAddress{2, 5020, 10, 0}, FidoAddress{0, 40000, 20, 65535}, false);
  const std::string plain = "Plain netmail, no kludges.\r";
  base->SetTextPos(0);
  base->TruncateText();
  base->WriteTextBlock(plain.data(), static_cast<std::uint16_t>(plain.size()));
  ASSERT_TRUE(base->WriteMsg());
  Read(*base, 2);
  base->GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{2, 5020, 10, 0}));
  EXPECT_EQ(dest, (FidoAddress{0, 40000, 20, 65535}));
  base->CloseMsg();
  base->GetDestAddr(dest);  // no open message: the header still
  EXPECT_EQ(dest, (FidoAddress{0, 40000, 20, 65535}));
  base->CloseMsgBase();
  base = OpenBase();
  Read(*base, 2);
  base->GetOrigAddr(orig);
  EXPECT_EQ(orig, (FidoAddress{2, 5020, 10, 0}));
}

TEST_F(SquishMessageTest, AddressSettersWriteKludgesThatReachTheHeader) {
  auto base = CreateBase();
  base->SetMailType(kMailTypeNetmail);
  ASSERT_TRUE(base->CreateMsg());
  base->SetOrigDestAddr(FidoAddress{2, 5020, 1, 3}, FidoAddress{1, 2, 3, 0}, true);
  base->SetTextPos(base->GetTextSize());
  base->PutTextLine("Hi");
  ASSERT_TRUE(base->WriteMsg());
  const StoredFrame frame = FirstFrame(Sqd());
  EXPECT_EQ(frame.control.rfind("\x01MSGID: 2:5020/1.3 ", 0), 0u);
  EXPECT_NE(frame.control.find("\x01INTL 1:2/3 2:5020/1\x01"
                               "FMPT 3"),
            std::string::npos);
  EXPECT_EQ(frame.text, "Hi\r");
  EXPECT_EQ(GetLe16(frame.header, 154), 3);
  EXPECT_EQ(GetLe16(frame.header, 160), 3);
}

TEST_F(SquishMessageTest, EveryAttributeAndKludgeCombinationSurvivesARoundTrip) {
  const std::uint32_t codes[] = {0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040, 0x0080,
                                 0x0100, 0x0200, 0x0400, 0x0800, 0x1000, 0x2000, 0x4000, 0x8000};
  const std::string kludges[] = {"\x01MSGID: 2:5020/1.7 0badcafe", "\x01INTL 1:2/3 2:5020/1",
                                 "\x01"
                                 "FMPT 7",
                                 "\x01TOPT 9", "\x01PID: Kestrel"};
  struct Sent {
    TestMessage message;
    std::uint32_t attributes = 0;
    FidoAddress orig, dest;
  };
  std::vector<Sent> sent;
  {
    auto base = CreateBase();
    // Every subset of the kludges, each with a different set of attributes;
    // together the attribute sets hold every code on and off.
    for (std::uint32_t k = 0; k < 64; ++k) {
      Sent s;
      s.message.to = "To " + std::to_string(k);
      s.message.from = "From " + std::to_string(k);
      s.message.subject = "Subject " + std::to_string(k);
      const std::string eol = k >= 32 ? "\r\n" : "\r";
      for (int i = 0; i < 5; ++i)
        if ((k >> i) & 1) s.message.text += kludges[i] + eol;
      s.message.text += "Line one" + eol + "Line two" + eol;
      const std::uint32_t pattern = (k * 0x9E3779B1u) ^ (k << 7);
      for (int i = 0; i < 16; ++i) {
        if ((pattern >> i) & 1) {
          s.message.attributes.push_back(codes[i]);
          s.attributes |= codes[i];
        }
      }
      // MSGID gives the whole origin, INTL both addresses without points,
      // FMPT and TOPT the points.
      if (k & 1) s.orig = FidoAddress{2, 5020, 1, 7};
      if (k & 2) {
        s.orig = FidoAddress{2, 5020, 1, s.orig.point};
        s.dest = FidoAddress{1, 2, 3, 0};
      }
      if (k & 4) s.orig.point = 7;
      if (k & 8) s.dest.point = 9;
      ASSERT_EQ(Add(*base, s.message), k + 1);
      sent.push_back(s);
    }
  }
  auto base = OpenBase();
  for (std::uint32_t k = 0; k < 64; ++k) {
    SCOPED_TRACE(k);
    const Sent& s = sent[k];
    std::string expected = s.message.text;
    if (k >= 32) {
      // Kludge lines come back with CR line ends; the text keeps CR LF.
      std::string kludge_part;
      std::size_t at = 0;
      while (at < expected.size() && expected[at] == '\x01') {
        const std::size_t end = expected.find("\r\n", at);
        kludge_part += expected.substr(at, end - at) + "\r";
        at = end + 2;
      }
      expected = kludge_part + expected.substr(at);
    }
    EXPECT_EQ(Read(*base, static_cast<std::int32_t>(k + 1)), expected);
    EXPECT_EQ(base->GetFrom(), s.message.from);
    EXPECT_EQ(base->GetTo(), s.message.to);
    EXPECT_EQ(base->GetSubj(), s.message.subject);
    for (const std::uint32_t code : codes)
      EXPECT_EQ(base->GetAttr(code), (s.attributes & code) != 0);
    MsgDateTime written;
    MsgDateTime arrived;
    base->GetDateWritten(written);
    base->GetDateArrived(arrived);
    EXPECT_EQ(written, (MsgDateTime{7, 8, 8, 0, 5, 3, 2001}));
    EXPECT_EQ(arrived, (MsgDateTime{10, 20, 30, 0, 6, 4, 2002}));
    FidoAddress orig;
    FidoAddress dest;
    base->GetOrigDestAddr(orig, dest);
    EXPECT_EQ(orig, s.orig);
    EXPECT_EQ(dest, s.dest);
  }
  ExpectSound();
}

TEST_F(SquishMessageTest, WritingANewMessageTwiceKeepsOneFrame) {
  auto base = CreateBase();
  ASSERT_TRUE(base->CreateMsg());
  base->PutTextLine("First");
  ASSERT_TRUE(base->WriteMsg());
  base->SetTextPos(base->GetTextSize());
  base->PutTextLine("Second, longer than the first");
  ASSERT_TRUE(base->WriteMsg());
  ExpectSound();
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1}));
  EXPECT_EQ(Read(*base, 1), "First\rSecond, longer than the first\r");
  EXPECT_EQ(CheckSquishBase(Base()).free_frames.size(), 1u);  // the first frame, given up
}

TEST_F(SquishMessageTest, OperationsWithoutTheirMessageFailAndWriteNothing) {
  auto base = CreateBase();
  EXPECT_FALSE(base->CloseMsg());
  EXPECT_FALSE(base->WriteMsg());
  EXPECT_EQ(base->GetLastError(), 0x3006);
  EXPECT_FALSE(base->RewriteHeader());
  EXPECT_FALSE(base->KillMsg());
  Add(*base, TestMessage());
  const std::string sqd = Sqd();

  // A created message has no frame yet: its header has nowhere to go.
  ASSERT_TRUE(base->CreateMsg());
  EXPECT_FALSE(base->RewriteHeader());
  EXPECT_EQ(base->GetLastError(), 0x3006);
  EXPECT_EQ(Sqd(), sqd);

  // A message read without its text is not written back without it.
  base->SeekFirst(1);
  ASSERT_TRUE(base->OpenMsgHeader());
  EXPECT_FALSE(base->WriteMsg());
  EXPECT_EQ(base->GetLastError(), 0x3006);
  EXPECT_EQ(Sqd(), sqd);
  EXPECT_TRUE(base->RewriteHeader());

  // A killed message is not written back.
  Read(*base, 1);
  ASSERT_TRUE(base->KillMsg());
  const std::string after_kill = Sqd();
  EXPECT_FALSE(base->WriteMsg());
  EXPECT_FALSE(base->RewriteHeader());
  EXPECT_EQ(Sqd(), after_kill);
  base->CloseMsgBase();
  EXPECT_FALSE(base->CreateMsg());  // the base is closed
  EXPECT_FALSE(base->OpenMsg());
}

TEST_F(SquishMessageTest, AnOpenedMessageIsWrittenToItsOwnRecordAfterSeeking) {
  auto base = CreateBase();
  for (int i = 0; i < 4; ++i)
    Add(*base, TestMessage());
  ASSERT_EQ(Read(*base, 3), "Body\r");
  // The caller moves on and deletes a message before writing the opened
  // one back: the record of message 3 is still the one that changes.
  base->SeekFirst(1);
  ASSERT_TRUE(base->KillMsg());
  base->SeekNext();
  base->SetTextPos(base->GetTextSize());
  base->PutTextLine(std::string(100, 'n'));
  ASSERT_TRUE(base->WriteMsg());
  ExpectSound();
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{2, 3, 4}));
  EXPECT_EQ(Read(*base, 2), "Body\r");
  EXPECT_EQ(Read(*base, 3), "Body\r" + std::string(100, 'n') + "\r");
  EXPECT_EQ(Read(*base, 4), "Body\r");
}

}  // namespace
}  // namespace kestrel::testing
