// JAM bases shared with other FidoNet software: crashmail tosses into them,
// exports from them and deletes in them; jamnntpd serves them over NNTP.
// Skipped when the Debian package of a peer is missing.
//
// The Debian 64-bit builds of crashmail read JAM's 32-bit fields with
// sign-extended bytes, so the bases handed to crashmail are laid out so that
// no field it reads has a byte of 80h or more (asserted before each use):
// header sizes alternate between 332 and 436 bytes (SubfieldLen 256 and
// 360), which puts the headers at 400h, 54Ch, 700h, 84Ch, A00h, ...
#include <gtest/gtest.h>

#include "msgbase/fido/date_time.h"
#include "msgbase/jam/jam_base.h"
#include "tests/support/crashmail_peer.h"
#include "tests/support/fido_text.h"
#include "tests/support/jam_checker.h"
#include "tests/support/jam_test_support.h"
#include "tests/support/jamnntpd_peer.h"

namespace kestrel::testing {
namespace {

constexpr std::uint32_t kCleanDate = 0x60400000;  // 3 Mar 2021, no byte of 80h or more
constexpr std::size_t kPaddedSubfieldLen[] = {256, 360};

struct Mail {
  std::string from;
  std::string subject;
  std::string body;  // CR-ended lines
};

Mail Numbered(int n) {
  return {"Sender " + std::to_string(n), "Subject " + std::to_string(n),
          "Body of " + std::to_string(n) + "\rline two\r"};
}

class JamInteropTest : public JamBaseTest {
 protected:
  static std::string Text(JamBase& base) {
    std::string text(static_cast<std::size_t>(base.GetTextSize()), '\0');
    base.SetTextPos(0);
    base.ReadTextBlock(text.data(), static_cast<std::uint16_t>(text.size()));
    return text;
  }

  // Kludge lines whose subfields bring SubfieldLen to `target`, given the
  // subfields the message has without them.
  static std::string PadLines(std::size_t fixed, std::size_t target) {
    std::size_t missing = target - fixed;
    const std::size_t lines = (missing + 134) / 135;  // at most 127 data bytes each
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) {
      const std::size_t cost = missing / (lines - i);
      text += "\x01PAD " + std::string(cost - 8 - 4, 'x') + "\r";
      missing -= cost;
    }
    return text;
  }

  // A Local netmail message from 2:5020/1 to 1:3/99, its header padded to
  // the i-th size of the alternation.
  static void AddPadded(JamBase& base, const Mail& mail, std::size_t i) {
    const std::string msgid = "2:5020/1 1234567" + std::to_string(i % 10);
    // Sender, OADDRESS, recipient, DADDRESS, subject and MSGID subfields.
    const std::size_t fixed = 6 * 8 + mail.from.size() + std::string("2:5020/1.0").size() +
                              std::string("Sysop").size() + std::string("1:3/99.0").size() +
                              mail.subject.size() + msgid.size();
    ASSERT_TRUE(base.CreateMsg());
    base.SetFrom(mail.from);
    base.SetTo("Sysop");
    base.SetSubj(mail.subject);
    base.SetAttr(AttrLocal, true);
    MsgDateTime date;
    UnixToDateTime(kCleanDate, date);
    base.SetDateWritten(date);
    base.SetDateArrived(date);
    const std::string text = "\x01INTL 1:3/99 2:5020/1\r\x01MSGID: " + msgid + "\r" +
                             PadLines(fixed, kPaddedSubfieldLen[i % 2]) + mail.body;
    base.WriteTextBlock(text.data(), static_cast<std::uint16_t>(text.size()));
    ASSERT_TRUE(base.WriteMsg());
    base.CloseMsg();
  }

  void WriteCleanBase(int count) {
    std::unique_ptr<JamBase> base = CreateBase();
    for (int n = 1; n <= count; ++n)
      AddPadded(*base, Numbered(n), static_cast<std::size_t>(n - 1));
    base->CloseMsgBase();
  }

  // The base is one crashmail reads right, and sound.
  void ExpectCleanAndSound() {
    const JamBaseFiles files = LoadJamFiles(base_path);
    EXPECT_EQ(FieldsCrashmailMisreads(files), std::vector<std::string>{});
    const JamCheck check = CheckJamBase(base_path);
    EXPECT_TRUE(check.ok()) << check.Describe();
  }

  // jamnntpd shows exactly these messages, in this order.
  void ExpectServed(const std::vector<Mail>& mails) {
    JamnntpdPeer server(dir.Path("nntp"));
    const NntpReading reading = server.Read(base_path);
    ASSERT_TRUE(reading.ok) << reading.error << "\n" << reading.transcript << reading.server_log;
    EXPECT_TRUE(reading.warnings.empty()) << reading.transcript;
    EXPECT_TRUE(reading.refused.empty()) << reading.transcript;
    ASSERT_EQ(reading.articles.size(), mails.size()) << reading.transcript;
    for (std::size_t i = 0; i < mails.size(); ++i) {
      const NntpArticle& article = reading.articles[i];
      SCOPED_TRACE(mails[i].subject);
      EXPECT_EQ(article.jam_message_number, i + 1);
      EXPECT_EQ(article.Header("Subject"), mails[i].subject);
      EXPECT_EQ(article.Header("X-JAM-From"), mails[i].from + " <2:5020/1.0>");
      EXPECT_EQ(article.body_lines, SplitTextLines(mails[i].body));
    }
  }
};

TEST_F(JamInteropTest, NetmailTossedByCrashmailReadsRight) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  CrashmailPeer peer(dir.Path("peer"), AreaFormat::kJam, base_path);
  NetmailMessage point_to_point;
  point_to_point.body = "Hello\nsecond line\n";
  NetmailMessage node_to_node;
  node_to_node.from_name = "Carol Node";
  node_to_node.from_address = "1:2/3";
  node_to_node.to_name = "Dave Node";
  node_to_node.to_address = "2:5020/9";
  node_to_node.subject = "Node mail";
  node_to_node.body = "Body\n";
  for (const NetmailMessage& message : {point_to_point, node_to_node}) {
    const PeerRun run = peer.TossNetmail(message);
    ASSERT_TRUE(run.ok) << run.output;
  }
  MsgDateTime now;
  GetNowDateTime(now);

  const JamBaseFiles files = LoadJamFiles(base_path);
  std::unique_ptr<JamBase> base = OpenBase();
  ASSERT_EQ(base->GetMsgCount(), 2);
  const std::string expected_text[] = {
      "\x01INTL 2:5020/1 1:2/3\r\x01"
      "FMPT 4\r\x01TOPT 7\rHello\rsecond line\r",
      "\x01INTL 2:5020/9 1:2/3\rBody\r"};
  const FidoAddress origins[] = {{1, 2, 3, 4}, {1, 2, 3, 0}};
  const FidoAddress destinations[] = {{2, 5020, 1, 7}, {2, 5020, 9, 0}};
  int n = 0;
  for (const NetmailMessage& message : {point_to_point, node_to_node}) {
    SCOPED_TRACE(message.subject);
    base->SetMsgNum(n + 1);
    ASSERT_TRUE(base->OpenMsg());
    EXPECT_EQ(base->GetFrom(), message.from_name);
    EXPECT_EQ(base->GetTo(), message.to_name);
    EXPECT_EQ(base->GetSubj(), message.subject);
    FidoAddress orig, dest;
    base->GetOrigDestAddr(orig, dest);
    EXPECT_EQ(orig, origins[n]);
    EXPECT_EQ(dest, destinations[n]);
    // Tossed netmail is private and sent; the MSGID line is crashwrite's.
    for (std::uint32_t code = 1; code <= 0x8000; code <<= 1) {
      EXPECT_EQ(base->GetAttr(code), code == AttrPrivate || code == AttrSent) << code;
    }
    const std::optional<std::string> msgid =
        files.MessageAt(files.Index()[static_cast<std::size_t>(n)].header_offset)
            ->Subfield(kJamMsgId);
    ASSERT_TRUE(msgid);
    EXPECT_EQ(Text(*base), "\x01MSGID: " + *msgid + "\r" + expected_text[n]);
    // Written by crashwrite a moment ago; arrived when crashmail tossed it.
    MsgDateTime written, arrived;
    base->GetDateWritten(written);
    base->GetDateArrived(arrived);
    EXPECT_LT(DateTimeToUnix(now) - DateTimeToUnix(written), 120u);
    EXPECT_LT(DateTimeToUnix(now) - DateTimeToUnix(arrived), 120u);
    ++n;
  }
  base->CloseMsgBase();
  EXPECT_TRUE(CheckJamBase(base_path).ok()) << CheckJamBase(base_path).Describe();
}

TEST_F(JamInteropTest, BaseWrittenHereIsServedByJamnntpd) {
  KESTREL_SKIP_WITHOUT_JAMNNTPD();
  WriteCleanBase(5);
  ExpectCleanAndSound();
  ExpectServed({Numbered(1), Numbered(2), Numbered(3), Numbered(4), Numbered(5)});
}

TEST_F(JamInteropTest, KilledAndRewrittenBaseStillReadsInBothPeers) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  WriteCleanBase(4);
  std::unique_ptr<JamBase> base = OpenBase();
  base->SetMsgNum(2);
  ASSERT_TRUE(base->OpenMsg());
  base->CloseMsg();
  ASSERT_TRUE(base->KillMsg());
  base->SeekNext();
  ASSERT_TRUE(base->OpenMsg());  // the former message 3, now number 2
  base->SetSubj("Changed 3");    // as long as before: the header keeps its size
  ASSERT_TRUE(base->WriteMsg());
  base->CloseMsgBase();
  ExpectCleanAndSound();
  Mail changed = Numbered(3);
  changed.subject = "Changed 3";
  const std::vector<Mail> remaining = {Numbered(1), changed, Numbered(4)};
  if (JamnntpdPeer::UnavailableReason().empty()) ExpectServed(remaining);

  CrashmailPeer peer(dir.Path("peer"), AreaFormat::kJam, base_path);
  const ExportResult exported = peer.ExportNetmail();
  ASSERT_TRUE(exported.ok) << exported.output;
  ASSERT_EQ(exported.messages.size(), remaining.size()) << exported.output;
  for (std::size_t i = 0; i < remaining.size(); ++i) {
    const PackedMessage& message = exported.messages[i];
    SCOPED_TRACE(remaining[i].subject);
    EXPECT_EQ(message.from_name, remaining[i].from);
    EXPECT_EQ(message.to_name, "Sysop");
    EXPECT_EQ(message.subject, remaining[i].subject);
    EXPECT_EQ(message.dest_net, 3);
    EXPECT_EQ(message.dest_node, 99);
    EXPECT_EQ(FindKludge(message.text, "INTL"), "1:3/99 2:5020/1");
    EXPECT_EQ(BodyLines(message.text), SplitTextLines(remaining[i].body));
  }
  // crashmail marked them Sent in place; the base is still sound.
  base = OpenBase();
  base->SetMsgNum(3);
  ASSERT_TRUE(base->OpenMsgHeader());
  EXPECT_TRUE(base->GetAttr(AttrSent));
  base->CloseMsgBase();
  EXPECT_TRUE(CheckJamBase(base_path).ok());
}

TEST_F(JamInteropTest, MessageDeletedByCrashmaintIsGone) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  WriteCleanBase(3);
  ExpectCleanAndSound();
  CrashmailPeer peer(dir.Path("peer"), AreaFormat::kJam, base_path);
  const PeerRun maint = peer.MaintKeepNewest(2);
  ASSERT_TRUE(maint.ok) << maint.output;
  // crashmaint's way: the deleted attribute, ActiveMsgs lowered, index kept.
  const JamBaseFiles deleted = LoadJamFiles(base_path);
  ASSERT_EQ(deleted.Index().size(), 3u);
  ASSERT_EQ(deleted.Header()->active_msgs, 2u);
  ASSERT_NE(deleted.MessageAt(deleted.Index()[0].header_offset)->attribute & kJamAttrDeleted, 0u);

  std::unique_ptr<JamBase> base = OpenBase();
  EXPECT_EQ(base->GetMsgCount(), 2);
  std::vector<std::string> subjects;
  for (base->SeekFirst(1); base->SeekFound(); base->SeekNext()) {
    ASSERT_TRUE(base->OpenMsgHeader());
    subjects.push_back(base->GetSubj());
  }
  EXPECT_EQ(subjects, (std::vector<std::string>{"Subject 2", "Subject 3"}));
  base->CloseMsgBase();
  const JamBaseFiles after = LoadJamFiles(base_path);
  EXPECT_EQ(after.Header()->active_msgs, 2u);
  ExpectCleanAndSound();
  if (JamnntpdPeer::UnavailableReason().empty()) ExpectServed({Numbered(2), Numbered(3)});
}

}  // namespace
}  // namespace kestrel::testing
