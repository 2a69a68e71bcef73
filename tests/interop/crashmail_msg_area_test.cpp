// crashmail tosses netmail into a *.MSG area: the files Kestrel's *.MSG
// reader must understand.
#include <gtest/gtest.h>

#include "tests/support/crashmail_peer.h"
#include "tests/support/fido_text.h"
#include "tests/support/msg_file.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

// A header text field read straight from the bytes: up to its first 0.
std::string RawField(const std::string& bytes, std::size_t offset, std::size_t size) {
  const std::string field = bytes.substr(offset, size);
  return field.substr(0, field.find('\0'));
}

TEST(CrashmailMsgAreaTest, TossedNetmailLandsInLowerCaseNumberedFiles) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  TempDir dir;
  CrashmailPeer peer(dir.Path("peer"), AreaFormat::kMsg, dir.Path("netmail"));

  NetmailMessage to_point;  // 1:2/3.4 -> 2:5020/1.7: every kludge
  to_point.body = "Hello Bob\nSecond line\n";
  const PeerRun first = peer.TossNetmail(to_point);
  ASSERT_TRUE(first.ok) << first.output;

  NetmailMessage in_zone;  // 2:5020/5 -> 2:5020/1: no points, one zone
  in_zone.from_name = "Carol Local";
  in_zone.from_address = "2:5020/5";
  in_zone.to_name = "Sysop";
  in_zone.to_address = "2:5020/1";
  in_zone.subject = "Inside the zone";
  in_zone.body = "Short\n";
  const PeerRun second = peer.TossNetmail(in_zone);
  ASSERT_TRUE(second.ok) << second.output;

  // 1.msg is never written; names are lower case.
  ASSERT_EQ(dir.List("netmail"), (std::vector<std::string>{"2.msg", "3.msg"}));

  const std::string bytes = dir.ReadFile("netmail/2.msg");
  ASSERT_GT(bytes.size(), kMsgHeaderSize);
  EXPECT_EQ(RawField(bytes, 0, 36), "Alice Sender");
  EXPECT_EQ(RawField(bytes, 36, 36), "Bob Receiver");
  EXPECT_EQ(RawField(bytes, 72, 72), "Test subject");
  EXPECT_EQ(GetLe16(bytes, 186), kMsgAttrPrivate | kMsgAttrSent);
  EXPECT_EQ(bytes.back(), '\0');
  // Net and node of both ends are in the header, zones and points only in kludges.
  EXPECT_EQ(GetLe16(bytes, 172), 2);     // origin net
  EXPECT_EQ(GetLe16(bytes, 168), 3);     // origin node
  EXPECT_EQ(GetLe16(bytes, 174), 5020);  // destination net
  EXPECT_EQ(GetLe16(bytes, 166), 1);     // destination node

  const std::optional<MsgFile> message = DecodeMsgFile(bytes);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->from, "Alice Sender");
  EXPECT_EQ(message->attribute, GetLe16(bytes, 186));
  EXPECT_EQ(KludgeNames(message->text),
            (std::vector<std::string>{"FMPT", "TOPT", "INTL", "MSGID"}));
  EXPECT_EQ(FindKludge(message->text, "FMPT"), "4");
  EXPECT_EQ(FindKludge(message->text, "TOPT"), "7");
  EXPECT_EQ(FindKludge(message->text, "INTL"), "2:5020/1 1:2/3");
  EXPECT_EQ(FindKludge(message->text, "MSGID").value_or("").rfind("1:2/3.4 ", 0), 0u);
  // LF line ends of the written text are stored as CR.
  EXPECT_EQ(BodyLines(message->text), (std::vector<std::string>{"Hello Bob", "Second line"}));
  EXPECT_EQ(message->text.find('\n'), std::string::npos);

  const std::optional<MsgFile> local = DecodeMsgFile(dir.ReadFile("netmail/3.msg"));
  ASSERT_TRUE(local);
  EXPECT_EQ(local->from, "Carol Local");
  EXPECT_EQ(local->subject, "Inside the zone");
  EXPECT_EQ(local->orig_net, 5020);
  EXPECT_EQ(local->orig_node, 5);
  // INTL even within one zone, and no point kludges.
  EXPECT_EQ(KludgeNames(local->text), (std::vector<std::string>{"INTL", "MSGID"}));
  EXPECT_EQ(FindKludge(local->text, "INTL"), "2:5020/1 2:5020/5");
  EXPECT_EQ(BodyLines(local->text), std::vector<std::string>{"Short"});
}

TEST(CrashmailMsgAreaTest, MaintKeepsTheNewestMessages) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  TempDir dir;
  CrashmailPeer peer(dir.Path("peer"), AreaFormat::kMsg, dir.Path("netmail"));
  for (const char* subject : {"one", "two", "three"}) {
    NetmailMessage message;
    message.subject = subject;
    ASSERT_TRUE(peer.TossNetmail(message).ok);
  }
  const PeerRun maint = peer.MaintKeepNewest(1);
  ASSERT_TRUE(maint.ok) << maint.output;
  const std::vector<std::string> left = dir.List("netmail");
  ASSERT_EQ(left.size(), 1u) << maint.output;
  EXPECT_EQ(DecodeMsgFile(dir.ReadFile("netmail/" + left[0]))->subject, "three");
}

}  // namespace
}  // namespace kestrel::testing
