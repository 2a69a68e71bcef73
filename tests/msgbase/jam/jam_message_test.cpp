// Reading and writing JAM messages: subfields to kludge lines and back,
// addresses, attributes, dates, numbering of new messages.
#include <gtest/gtest.h>

#include "msgbase/jam/jam_base.h"
#include "tests/support/jam_checker.h"
#include "tests/support/jam_test_support.h"

namespace kestrel::testing {
namespace {

class JamMessageTest : public JamBaseTest {
 protected:
  // Writes a raw base of these messages and opens it (netmail unless told).
  std::unique_ptr<JamBase> OpenRaw(const std::vector<RawMessage>& messages,
                                   std::uint8_t mail_type = kMailTypeNetmail) {
    RawJamBase::Build(messages).Write(base_path);
    std::unique_ptr<JamBase> base = OpenBase();
    base->SetMailType(mail_type);
    return base;
  }

  static std::string Text(JamBase& base) {
    std::string text(static_cast<std::size_t>(base.GetTextSize()), '\0');
    base.SetTextPos(0);
    for (std::size_t at = 0; at < text.size(); at += 0xFFFF) {
      base.ReadTextBlock(text.data() + at, static_cast<std::uint16_t>(
                                               std::min<std::size_t>(0xFFFF, text.size() - at)));
    }
    return text;
  }

  static std::string ReadMessage(JamBase& base, std::int32_t num) {
    base.SetMsgNum(num);
    if (!base.OpenMsg()) return "<failed " + std::to_string(base.GetLastError()) + ">";
    return Text(base);
  }
};

TEST_F(JamMessageTest, WrittenMessageReadsBackWithKludgesInPlace) {
  std::unique_ptr<JamBase> base = CreateBase();
  NewMessage message;
  message.text =
      "\x01MSGID: 1:2/3 12345678\r\x01INTL 2:5020/1 1:2/3\rHi\r\x01Via 1:2/3 @20210101\r";
  AddMessage(*base, message);
  EXPECT_EQ(ReadMessage(*base, 1), message.text);
  EXPECT_EQ(base->GetFrom(), "Sysop");
  EXPECT_EQ(base->GetTo(), "John Doe");
  EXPECT_EQ(base->GetSubj(), "Hello");

  // The INTL line was taken apart, not stored; an echomail base gets none.
  base->SetMailType(kMailTypeEchomail);
  EXPECT_EQ(ReadMessage(*base, 1), "\x01MSGID: 1:2/3 12345678\rHi\r\x01Via 1:2/3 @20210101\r");
  base->CloseMsgBase();
  const std::optional<JamMessage> stored = LoadJamFiles(base_path).MessageAt(kJamBaseHeaderSize);
  ASSERT_TRUE(stored);
  EXPECT_TRUE(stored->Subfields(kJamFtsKludge).empty());
}

TEST_F(JamMessageTest, AddressesTravelInTheirSubfields) {
  // Origin and destination points come back as FMPT/TOPT; INTL carries both
  // nodes. A message without any address kludge stores 0:0/0.0 twice.
  std::unique_ptr<JamBase> base = CreateBase();
  NewMessage pointed;
  pointed.text =
      "\x01INTL 2:5020/1 1:2/3\r\x01"
      "FMPT 4\r\x01TOPT 7\rbody\r";
  AddMessage(*base, pointed);
  NewMessage bare;
  bare.text = "body\r";
  AddMessage(*base, bare);

  // Without other kludges to follow, the lines made for the addresses go
  // after the body.
  EXPECT_EQ(ReadMessage(*base, 1),
            "body\r\x01INTL 2:5020/1 1:2/3\r\x01"
            "FMPT 4\r\x01TOPT 7\r");
  FidoAddress orig{9, 9, 9, 9}, dest{9, 9, 9, 9};
  base->GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{1, 2, 3, 4}));
  EXPECT_EQ(dest, (FidoAddress{2, 5020, 1, 7}));
  EXPECT_EQ(ReadMessage(*base, 2), "body\r");
  base->GetOrigAddr(orig);
  EXPECT_EQ(orig, FidoAddress{});
  base->CloseMsgBase();

  const JamBaseFiles files = LoadJamFiles(base_path);
  const std::vector<JamIndexRecord> index = files.Index();
  const std::optional<JamMessage> first = files.MessageAt(index[0].header_offset);
  const std::optional<JamMessage> second = files.MessageAt(index[1].header_offset);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->Subfield(kJamOAddress), "1:2/3.4");
  EXPECT_EQ(first->Subfield(kJamDAddress), "2:5020/1.7");
  EXPECT_EQ(second->Subfield(kJamOAddress), "0:0/0.0");
  EXPECT_EQ(second->Subfield(kJamDAddress), "0:0/0.0");
}

TEST_F(JamMessageTest, MsgIdIsReadExactlyAsStored) {
  RawMessage with_domain;
  with_domain.subfields = {{kJamOAddress, "2:5020/1.5"},
                           {kJamMsgId, "2:5020/1.5@fidonet 1a2b3c4d"}};
  with_domain.text = "one\r";
  RawMessage foreign;
  foreign.subfields = {{kJamOAddress, "2:5020/1"}, {kJamMsgId, "<123@example.org> 5e6f7a8b"}};
  RawMessage without;
  without.subfields = {{kJamOAddress, "2:5020/1"}, {kJamDAddress, "2:5020/2"}};
  without.text = "three\r";
  std::unique_ptr<JamBase> base = OpenRaw({with_domain, foreign, without});

  EXPECT_EQ(ReadMessage(*base, 1),
            "\x01MSGID: 2:5020/1.5@fidonet 1a2b3c4d\r\x01INTL 0:0/0 2:5020/1\r\x01"
            "FMPT 5\rone\r");
  EXPECT_EQ(ReadMessage(*base, 2),
            "\x01MSGID: <123@example.org> 5e6f7a8b\r\x01INTL 0:0/0 2:5020/1\r");
  const std::string third = ReadMessage(*base, 3);
  EXPECT_EQ(third, "three\r\x01INTL 2:5020/2 2:5020/1\r");
  EXPECT_EQ(ReadMessage(*base, 3), third);  // no MSGID invented on a second read
}

TEST_F(JamMessageTest, SubfieldsBecomeLinesAndFieldsByTheirIds) {
  RawMessage message;
  message.attribute = 0x2000;  // file attach
  message.subfields = {{kJamSubject, "plain"},
                       {1000, "unknown id"},
                       {kJamFtsKludge, "CHRS: CP866 2"},
                       {2004, "-0500"},  // TZUTCINFO, as the husky tosser stores TZUTC
                       {kJamSeenBy, "5020/1"},
                       {kJamPath, "5020/1"},
                       {9, "C:\\FILES\\A.ZIP"},
                       {11, "FREQ.TXT"},  // the file-request attribute is not set
                       {kJamPid, std::string(300, 'p')},
                       {kJamFlags, "DIR"},
                       {kJamTrace, "2:5020/1 @20210101"},
                       {kJamReplyId, "2:5020/2 87654321"}};
  message.text = "body";  // the last line left open
  std::unique_ptr<JamBase> base = OpenRaw({message}, kMailTypeEchomail);
  auto text = [](std::size_t pid_length) {
    return "\x01"
           "CHRS: CP866 2\r\x01TZUTC: -0500\r\x01PID: " +
           std::string(pid_length, 'p') +
           "\r\x01"
           "FLAGS: DIR\r\x01REPLY: 2:5020/2 87654321\rbody\r"
           "\x01Via 2:5020/1 @20210101\rSEEN-BY: 5020/1\r\x01PATH: 5020/1\r";
  };
  EXPECT_EQ(ReadMessage(*base, 1), text(255));  // data beyond 255 bytes is not read
  EXPECT_EQ(base->GetSubj(), "C:\\FILES\\A.ZIP");
  std::uint16_t id = 0;
  std::string data;
  ASSERT_TRUE(base->GetSubfield(2, id, data));
  EXPECT_EQ(id, 1000);
  EXPECT_EQ(data, "unknown id");
  EXPECT_FALSE(base->GetSubfield(13, id, data));
  EXPECT_FALSE(base->GetSubfield(0, id, data));

  // A copy keeps every line the subfields gave, in the same places (a
  // kludge line is stored up to its 255th character), drops the unknown id
  // and stores the enclosed-file subject again.
  ASSERT_TRUE(base->WriteMsg());
  EXPECT_EQ(ReadMessage(*base, 1), text(255 - 6));
  base->CloseMsgBase();
  const JamBaseFiles files = LoadJamFiles(base_path);
  const std::optional<JamMessage> copy = files.MessageAt(files.Index()[0].header_offset);
  ASSERT_TRUE(copy);
  EXPECT_FALSE(copy->Subfield(1000));
  EXPECT_FALSE(copy->Subfield(2004));  // the TZUTC line is stored as any kludge
  EXPECT_EQ(copy->Subfields(kJamFtsKludge),
            (std::vector<std::string>{"CHRS: CP866 2", "TZUTC: -0500"}));
  EXPECT_EQ(copy->Subfield(9), "C:\\FILES\\A.ZIP");
  EXPECT_EQ(copy->text, "body\r");
  EXPECT_EQ(copy->attribute, 0x2000u | 0x01000000u);  // echomail type bit
  EXPECT_EQ(copy->msgid_crc, 0xFFFFFFFFu);
  EXPECT_NE(copy->reply_crc, 0xFFFFFFFFu);
}

// crashmail stores one ENCLOSEDFILE subfield per file of an attach.
TEST_F(JamMessageTest, SeveralEnclosedFilesMakeOneSubject) {
  RawMessage message;
  message.attribute = 0x2000;  // file attach
  const std::string a(30, 'a'), b(30, 'b'), c(30, 'c');
  message.subfields = {{kJamSubject, "ignored"}, {9, a}, {9, b}, {9, c}};
  RawMessage two = message;
  two.subfields = {{9, "one.zip"}, {9, "two.zip"}, {kJamSubject, "a later subject wins"}};
  RawMessage no_attach = message;
  no_attach.attribute = 0;
  std::unique_ptr<JamBase> base = OpenRaw({message, two, no_attach}, kMailTypeNetmail);
  ReadMessage(*base, 1);
  EXPECT_EQ(base->GetSubj(), (a + " " + b + " " + c).substr(0, 72));
  ReadMessage(*base, 2);
  EXPECT_EQ(base->GetSubj(), "a later subject wins");
  ReadMessage(*base, 3);
  EXPECT_EQ(base->GetSubj(), "ignored");
}

TEST_F(JamMessageTest, AttributesAndTypeBits) {
  const std::pair<std::uint32_t, std::uint32_t> map[] = {{AttrPrivate, 0x4},
                                                         {AttrCrash, 0x100},
                                                         {AttrReceived, 0x8},
                                                         {AttrSent, 0x10},
                                                         {AttrFileAttached, 0x2000},
                                                         {AttrInTransit, 0x2},
                                                         {AttrOrphan, 0x40000},
                                                         {AttrKillSent, 0x20},
                                                         {AttrLocal, 0x1},
                                                         {AttrHold, 0x80},
                                                         {AttrFileRequest, 0x1000},
                                                         {AttrReceiptRequest, 0x10000},
                                                         {AttrAuditRequest, 0x20000},
                                                         {AttrIsReceipt, 0},
                                                         {AttrUpdateRequest, 0},
                                                         {AttrScanned, 0}};
  // One message per code with only that code's bit; codes without a bit
  // get a message with every other bit set, and still read as not set.
  std::vector<RawMessage> messages;
  for (const auto& [code, bit] : map) {
    RawMessage message;
    message.attribute = bit == 0 ? 0x7FFFFFFF : bit;
    messages.push_back(message);
  }
  std::unique_ptr<JamBase> base = OpenRaw(messages);
  for (std::size_t i = 0; i < std::size(map); ++i) {
    base->SetMsgNum(static_cast<std::int32_t>(i + 1));
    ASSERT_TRUE(base->OpenMsgHeader());
    for (const auto& [code, bit] : map) {
      EXPECT_EQ(base->GetAttr(code), (messages[i].attribute & bit) != 0) << i << " " << code;
    }
  }

  // Writing sets exactly the type bit of the mail type.
  const std::pair<std::uint8_t, std::uint32_t> types[] = {{kMailTypeNetmail, 0x02000000},
                                                          {kMailTypeEchomail, 0x01000000},
                                                          {kMailTypeLocal, 0x00800000}};
  for (const auto& [type, bit] : types) {
    base->SetMailType(type);
    base->SetMsgNum(1);
    ASSERT_TRUE(base->OpenMsg());
    ASSERT_TRUE(base->WriteMsg());
    base->CloseMsg();
    base->CloseMsgBase();
    const JamBaseFiles files = LoadJamFiles(base_path);
    EXPECT_EQ(files.MessageAt(files.Index()[0].header_offset)->attribute, 0x4u | bit);
    base = OpenBase();
  }
}

TEST_F(JamMessageTest, DatesAreUnixSecondsOfWrittenAndProcessed) {
  RawMessage message;
  message.date_written = 946684799;    // 31 Dec 1999 23:59:59
  message.date_processed = 951782400;  // 29 Feb 2000 00:00:00
  std::unique_ptr<JamBase> base = OpenRaw({message});
  base->SetMsgNum(1);
  ASSERT_TRUE(base->OpenMsgHeader());
  MsgDateTime written, arrived;
  base->GetDateWritten(written);
  base->GetDateArrived(arrived);
  EXPECT_EQ(written, (MsgDateTime{23, 59, 59, 0, 31, 12, 1999}));
  EXPECT_EQ(arrived, (MsgDateTime{0, 0, 0, 0, 29, 2, 2000}));
}

TEST_F(JamMessageTest, NewMessagesAreNumberedAfterTheLast) {
  MakeBase(3);
  std::unique_ptr<JamBase> base = OpenBase();
  ASSERT_TRUE(base->CreateMsg());
  EXPECT_EQ(base->GetMsgNum(), 5);
  EXPECT_EQ(base->GetHighMsgNum(), 5);
  // Nothing is stored yet: no header to rewrite, and the old one stays.
  EXPECT_FALSE(base->RewriteHeader());
  base->SetSubj("Subject 4");
  ASSERT_TRUE(base->WriteMsg());
  base->CloseMsg();
  // A second created message that is never written leaves no trace in the
  // counts, however often CreateMsg is called.
  ASSERT_TRUE(base->CreateMsg());
  ASSERT_TRUE(base->CreateMsg());
  EXPECT_EQ(base->GetMsgCount(), 5);
  base->CloseMsg();
  EXPECT_EQ(base->GetMsgCount(), 4);
  base->CloseMsgBase();
  EXPECT_EQ(Subjects(),
            (std::vector<std::string>{"Subject 1", "Subject 2", "Subject 3", "Subject 4"}));
  const JamBaseFiles files = LoadJamFiles(base_path);
  EXPECT_EQ(files.MessageAt(files.Index()[3].header_offset)->msg_num, 4u);
  EXPECT_TRUE(CheckJamBase(base_path).ok()) << CheckJamBase(base_path).Describe();
}

TEST_F(JamMessageTest, LongLinesKludgesCutBodiesWhole) {
  std::unique_ptr<JamBase> base = CreateBase();
  const std::string long_kludge =
      "\x01"
      "CHRS: " +
      std::string(400, 'k');
  const std::string body_line(1000, 'b');
  const std::string huge_line(20000, 'h');  // past any line buffer
  std::string lf_text;                      // LF line ends: one long line
  for (int i = 0; i < 5000; ++i)
    lf_text += "line of text " + std::to_string(i) + "\n";
  for (const std::string& body : {body_line, huge_line, lf_text}) {
    ASSERT_TRUE(base->CreateMsg());
    const std::string text = long_kludge + "\r" + body + "\r";
    for (std::size_t at = 0; at < text.size(); at += 60000) {
      const std::string piece = text.substr(at, 60000);
      base->WriteTextBlock(piece.data(), static_cast<std::uint16_t>(piece.size()));
    }
    ASSERT_TRUE(base->WriteMsg());
    EXPECT_TRUE(SameBytes(ReadMessage(*base, base->GetMsgCount()),
                          long_kludge.substr(0, 255) + "\r" + body + "\r"));
  }
}

TEST_F(JamMessageTest, OverflowingSubfieldsAreDroppedWholeFromTheFirstThatDoesNotFit) {
  std::unique_ptr<JamBase> base = CreateBase();
  ASSERT_TRUE(base->CreateMsg());
  base->SetFrom("Sysop");
  std::string text;
  for (int i = 0; i < 60; ++i) {
    text += "\x01X" + std::to_string(100 + i) + " " + std::string(240, 'x') + "\r";
    if (i == 50)
      text +=
          "\x01"
          "CHRS: CP866 2\r";  // short, but after the first drop
  }
  text += "Body\r";
  base->WriteTextBlock(text.data(), static_cast<std::uint16_t>(text.size()));
  ASSERT_TRUE(base->WriteMsg());
  base->CloseMsgBase();

  const JamBaseFiles files = LoadJamFiles(base_path);
  const std::optional<JamMessage> stored = files.MessageAt(files.Index()[0].header_offset);
  ASSERT_TRUE(stored);
  EXPECT_TRUE(stored->subfields_complete);
  EXPECT_LE(stored->subfield_len, 12288u);
  const std::vector<std::string> kludges = stored->Subfields(kJamFtsKludge);
  ASSERT_GT(kludges.size(), 40u);
  for (std::size_t i = 0; i < kludges.size(); ++i) {
    EXPECT_EQ(kludges[i].substr(0, 4), "X" + std::to_string(100 + i));
  }
  EXPECT_EQ(stored->text, "Body\r");
  EXPECT_TRUE(CheckJamBase(base_path).ok());
  base = OpenBase();
  EXPECT_NE(ReadMessage(*base, 1).find("Body\r"), std::string::npos);
}

TEST_F(JamMessageTest, CopyingAnOpenedMessageRedirectsItsIndexRecord) {
  MakeBase(2);
  std::unique_ptr<JamBase> base = OpenBase();
  const std::string before = ReadMessage(*base, 1);
  base->SetSubj("Changed");
  ASSERT_TRUE(base->WriteMsg());
  EXPECT_EQ(ReadMessage(*base, 1), before);
  EXPECT_EQ(base->GetSubj(), "Changed");
  EXPECT_EQ(base->GetMsgCount(), 2);

  // A message loaded without its body is not stored: the body would be lost.
  base->SetMsgNum(2);
  ASSERT_TRUE(base->OpenMsgHeader());
  EXPECT_EQ(Text(*base), "");
  EXPECT_FALSE(base->WriteMsg());
  base->CloseMsgBase();
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"Changed", "Subject 2"}));
  EXPECT_TRUE(CheckJamBase(base_path).ok());
}

TEST_F(JamMessageTest, NumbersWithoutMessageFailCleanly) {
  MakeBase(2);
  std::unique_ptr<JamBase> base = OpenBase();
  for (std::int32_t num : {0, 3, -1, 1 << 30}) {
    base->SetMsgNum(num);
    EXPECT_FALSE(base->OpenMsg()) << num;
    EXPECT_EQ(base->GetLastError(), 0x2006);
    EXPECT_EQ(base->GetTextStream(), nullptr);
    EXPECT_FALSE(base->KillMsg());
    EXPECT_FALSE(base->WriteMsg());
  }
  EXPECT_EQ(ReadMessage(*base, 2), "Text 2\r");
}

}  // namespace
}  // namespace kestrel::testing
