// *.MSG areas shared with crashmail: what it tosses is read field by field,
// and what Kestrel writes is exported by it and tossed again unchanged.
#include <cstdio>

#include "tests/msgbase/msgdir/msgdir_test_support.h"
#include "tests/support/crashmail_peer.h"
#include "tests/support/fido_text.h"
#include "tests/support/msg_file.h"

namespace kestrel::testing {
namespace {

constexpr std::uint32_t kAllCodes[] = {
    AttrPrivate,     AttrCrash,          AttrReceived,  AttrSent,         AttrFileAttached,
    AttrInTransit,   AttrOrphan,         AttrKillSent,  AttrLocal,        AttrHold,
    AttrFileRequest, AttrReceiptRequest, AttrIsReceipt, AttrAuditRequest, AttrUpdateRequest};

std::vector<std::uint32_t> SetCodes(MessageBase& base) {
  std::vector<std::uint32_t> codes;
  for (std::uint32_t code : kAllCodes) {
    if (base.GetAttr(code)) codes.push_back(code);
  }
  return codes;
}

std::vector<std::string> TextLines(MessageBase& base) {
  std::vector<std::string> lines;
  base.SetTextPos(0);
  while (!base.EndOfText()) {
    std::string line;
    base.GetTextLine(line);
    lines.push_back(line);
  }
  return lines;
}

// The date text of a raw header, read with its own parser: "DD Mon YY  HH:MM:SS".
MsgDateTime RawDate(const std::string& text) {
  static const std::string kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  int day = 0, year = 0, hour = 0, min = 0, sec = 0;
  char month[4] = {};
  EXPECT_EQ(
      std::sscanf(text.c_str(), "%2d %3s %2d %2d:%2d:%2d", &day, month, &year, &hour, &min, &sec),
      6)
      << text;
  MsgDateTime dt;
  dt.day = static_cast<std::uint16_t>(day);
  dt.month = static_cast<std::uint16_t>(kMonths.find(month) / 3 + 1);
  dt.year = static_cast<std::uint16_t>(year <= 70 ? 2000 + year : 1900 + year);
  dt.hour = static_cast<std::uint16_t>(hour);
  dt.min = static_cast<std::uint16_t>(min);
  dt.sec = static_cast<std::uint16_t>(sec);
  return dt;
}

class MsgDirCrashmailTest : public MsgDirAreaTest {};

TEST_F(MsgDirCrashmailTest, ReadsEveryFieldOfTossedNetmail) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  CrashmailPeer peer(dir_.Path("peer"), AreaFormat::kMsg, Area());
  NetmailMessage to_point;  // 1:2/3.4 -> 2:5020/1.7
  to_point.body = "Hello Bob\nSecond line\n";
  ASSERT_TRUE(peer.TossNetmail(to_point).ok);
  NetmailMessage in_zone;  // 2:5020/5 -> 2:5020/1, no points
  in_zone.from_name = "Carol Local";
  in_zone.from_address = "2:5020/5";
  in_zone.to_name = "Sysop";
  in_zone.to_address = "2:5020/1";
  in_zone.subject = "Inside the zone";
  in_zone.body = "Short\n";
  ASSERT_TRUE(peer.TossNetmail(in_zone).ok);

  auto base = OpenArea();
  EXPECT_EQ(base->GetMsgCount(), 2);
  base->SeekFirst(1);
  ASSERT_EQ(base->GetMsgNum(), 2);  // crashmail leaves 1 free
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_EQ(base->GetFrom(), "Alice Sender");
  EXPECT_EQ(base->GetTo(), "Bob Receiver");
  EXPECT_EQ(base->GetSubj(), "Test subject");
  FidoAddress orig, dest;
  base->GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{1, 2, 3, 4}));
  EXPECT_EQ(dest, (FidoAddress{2, 5020, 1, 7}));
  EXPECT_EQ(SetCodes(*base), (std::vector<std::uint32_t>{AttrPrivate, AttrSent}));
  const std::vector<std::string> lines = TextLines(*base);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"Hello Bob", "Second line"}));
  EXPECT_EQ(lines.size(), 6u);  // FMPT, TOPT, INTL, MSGID and the body

  const std::optional<MsgFile> raw = DecodeMsgFile(ReadMessage(2));
  MsgDateTime written;
  base->GetDateWritten(written);
  EXPECT_EQ(written, RawDate(raw->date_text));
  EXPECT_GE(written.year, 2024);
  // crashmail keeps the points in the arrival date's place (destination
  // point 7, origin point 4): it reads as day 7, month 0 of 1980, 0:00:08.
  MsgDateTime arrived;
  base->GetDateArrived(arrived);
  EXPECT_EQ(arrived.day, 7);
  EXPECT_EQ(arrived.month, 0);
  EXPECT_EQ(arrived.year, 1980);
  EXPECT_EQ(arrived.sec, 8);

  base->SeekNext();
  ASSERT_EQ(base->GetMsgNum(), 3);
  ASSERT_TRUE(base->OpenMsgHeader());
  EXPECT_EQ(base->GetFrom(), "Carol Local");
  EXPECT_EQ(base->GetSubj(), "Inside the zone");
  base->GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{2, 5020, 5, 0}));
  EXPECT_EQ(dest, (FidoAddress{2, 5020, 1, 0}));
  EXPECT_EQ(TextLines(*base).size(), 2u);  // INTL and MSGID only
}

TEST_F(MsgDirCrashmailTest, WrittenNetmailIsExportedAndTossedBackUnchanged) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  struct Outgoing {
    std::string to;
    FidoAddress dest;
    std::string subject;
  };
  const Outgoing outgoing[] = {{"Remote Sysop", {1, 3, 99, 0}, "Routed away"},
                               {"Point User", {2, 5020, 1, 7}, "To our point"}};
  MsgDateTime written;
  written.day = 5, written.month = 3, written.year = 2021, written.hour = 7, written.min = 8;
  written.sec = 10;
  {
    auto base = OpenArea();
    for (const Outgoing& message : outgoing) {
      ASSERT_TRUE(base->CreateMsg());
      base->SetMailType(kMailTypeNetmail);
      base->SetOrigDestAddr({2, 5020, 1, 0}, message.dest, true);
      base->SetFrom("Kestrel User");
      base->SetTo(message.to);
      base->SetSubj(message.subject);
      base->SetDateWritten(written);
      base->SetAttr(AttrPrivate, true);
      base->SetAttr(AttrLocal, true);
      base->SetTextPos(base->GetTextSize());
      base->PutTextLine("Hello from Kestrel");
      base->PutTextLine("Second");
      ASSERT_TRUE(base->WriteMsg());
      ASSERT_TRUE(base->CloseMsg());
    }
  }
  // crashmail never exports 1.MSG (its high-water mark): Kestrel's first
  // message there stays behind.
  CrashmailPeer peer(dir_.Path("peer"), AreaFormat::kMsg, Area());
  const ExportResult exported = peer.ExportNetmail();
  ASSERT_TRUE(exported.ok) << exported.output;
  ASSERT_EQ(exported.messages.size(), 1u) << exported.output;
  const PackedMessage& packed = exported.messages[0];
  EXPECT_EQ(packed.from_name, "Kestrel User");
  EXPECT_EQ(packed.to_name, "Point User");
  EXPECT_EQ(packed.subject, "To our point");
  EXPECT_EQ(packed.date_time, "05 Mar 21  07:08:10");
  EXPECT_EQ(packed.orig_net, 5020);
  EXPECT_EQ(packed.orig_node, 1);
  EXPECT_EQ(packed.dest_net, 5020);
  EXPECT_EQ(packed.dest_node, 1);
  EXPECT_EQ(FindKludge(packed.text, "INTL"), "2:5020/1 2:5020/1");
  EXPECT_EQ(FindKludge(packed.text, "TOPT"), "7");
  EXPECT_EQ(FindKludge(packed.text, "FLAGS"), "PVT");
  EXPECT_EQ(BodyLines(packed.text), (std::vector<std::string>{"Hello from Kestrel", "Second"}));

  // crashmail marked it Sent in place; Kestrel reads its change.
  std::optional<std::string> msgid;
  {
    auto base = OpenArea();
    base->SetMsgNum(2);
    ASSERT_TRUE(base->OpenMsg());
    EXPECT_TRUE(base->GetAttr(AttrSent));
    EXPECT_TRUE(base->GetAttr(AttrLocal));
    msgid = FindKludge(TextOf(*base), "MSGID");
    EXPECT_EQ(msgid.value_or("").rfind("2:5020/1 ", 0), 0u);
  }

  // Tossed into a second area, the message reads as it was written.
  CrashmailPeer second(dir_.Path("peer2"), AreaFormat::kMsg, dir_.Path("second"));
  FidoPacket packet = exported.packets[0];
  const PeerRun toss = second.TossPacket(packet);
  ASSERT_TRUE(toss.ok) << toss.output;
  MsgDirBase copy;
  ASSERT_TRUE(copy.OpenMsgBase(dir_.Path("second")));
  copy.SeekFirst(1);
  ASSERT_TRUE(copy.OpenMsg());
  EXPECT_EQ(copy.GetFrom(), "Kestrel User");
  EXPECT_EQ(copy.GetTo(), "Point User");
  EXPECT_EQ(copy.GetSubj(), "To our point");
  FidoAddress orig, dest;
  copy.GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{2, 5020, 1, 0}));
  EXPECT_EQ(dest, (FidoAddress{2, 5020, 1, 7}));
  MsgDateTime copied;
  copy.GetDateWritten(copied);
  EXPECT_EQ(copied, written);
  EXPECT_TRUE(copy.GetAttr(AttrPrivate));
  const std::string text = TextOf(copy);
  EXPECT_EQ(BodyLines(text), (std::vector<std::string>{"Hello from Kestrel", "Second"}));
  EXPECT_EQ(FindKludge(text, "MSGID"), msgid);
  EXPECT_EQ(FindKludge(text, "FLAGS"), "PVT");
}

}  // namespace
}  // namespace kestrel::testing
