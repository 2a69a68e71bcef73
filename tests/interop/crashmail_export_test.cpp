// crashmail exports netmail from a *.MSG area: the way it reads what Kestrel
// writes. The message is built here byte for byte.
#include <gtest/gtest.h>

#include "tests/support/crashmail_peer.h"
#include "tests/support/fido_text.h"
#include "tests/support/msg_file.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

void PutText(std::string& bytes, std::size_t offset, std::string_view text) {
  bytes.replace(offset, text.size(), text);
}

TEST(CrashmailExportTest, LocalMessageIsPackedForTheUplinkAndMarkedSent) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  TempDir dir;
  std::string bytes(kMsgHeaderSize, '\0');
  PutText(bytes, 0, "Kestrel User");
  PutText(bytes, 36, "Remote Sysop");
  PutText(bytes, 72, "Raw subject");
  PutText(bytes, 144, "05 Mar 21  07:08:10");
  PutLe16(bytes, 166, 99);    // destination node
  PutLe16(bytes, 168, 1);     // origin node
  PutLe16(bytes, 172, 5020);  // origin net
  PutLe16(bytes, 174, 3);     // destination net
  PutLe16(bytes, 186, kMsgAttrLocal | kMsgAttrPrivate);
  const std::string text =
      "\x01INTL 1:3/99 2:5020/1\r\x01MSGID: 2:5020/1 12345678\rHello from Kestrel\rSecond\r";
  bytes += text;
  bytes.push_back('\0');

  // The helper encoder gives the same bytes.
  MsgFile same;
  same.from = "Kestrel User";
  same.to = "Remote Sysop";
  same.subject = "Raw subject";
  same.date_text = "05 Mar 21  07:08:10";
  same.dest_node = 99;
  same.orig_node = 1;
  same.orig_net = 5020;
  same.dest_net = 3;
  same.attribute = kMsgAttrLocal | kMsgAttrPrivate;
  same.text = text;
  ASSERT_EQ(EncodeMsgFile(same), bytes);

  dir.WriteFile("netmail/2.msg", bytes);
  CrashmailPeer peer(dir.Path("peer"), AreaFormat::kMsg, dir.Path("netmail"));
  const ExportResult exported = peer.ExportNetmail();
  ASSERT_TRUE(exported.ok) << exported.output;
  ASSERT_EQ(exported.packets.size(), 1u) << exported.output;
  ASSERT_EQ(exported.messages.size(), 1u) << exported.output;

  const PacketHeader& header = exported.packets[0].header;
  EXPECT_EQ(header.OrigAddress(), "2:5020/1.0");
  EXPECT_EQ(header.DestAddress(), "2:5020/2.0");

  const PackedMessage& message = exported.messages[0];
  EXPECT_EQ(message.from_name, "Kestrel User");
  EXPECT_EQ(message.to_name, "Remote Sysop");
  EXPECT_EQ(message.subject, "Raw subject");
  EXPECT_EQ(message.date_time, "05 Mar 21  07:08:10");
  EXPECT_EQ(message.orig_net, 5020);
  EXPECT_EQ(message.orig_node, 1);
  EXPECT_EQ(message.dest_net, 3);
  EXPECT_EQ(message.dest_node, 99);
  EXPECT_EQ(message.attribute & kMsgAttrPrivate, kMsgAttrPrivate);
  EXPECT_EQ(FindKludge(message.text, "INTL"), "1:3/99 2:5020/1");
  EXPECT_EQ(FindKludge(message.text, "MSGID"), "2:5020/1 12345678");
  EXPECT_EQ(BodyLines(message.text), (std::vector<std::string>{"Hello from Kestrel", "Second"}));
  // The exported copy gets a Via line; the stored message does not.
  EXPECT_EQ(KludgeNames(message.text).back(), "Via");

  const std::optional<MsgFile> after = DecodeMsgFile(dir.ReadFile("netmail/2.msg"));
  ASSERT_TRUE(after);
  EXPECT_EQ(after->attribute, kMsgAttrLocal | kMsgAttrPrivate | kMsgAttrSent);
  EXPECT_EQ(after->text, text);

  // Sent messages are not exported again.
  const ExportResult again = peer.ExportNetmail();
  ASSERT_TRUE(again.ok) << again.output;
  EXPECT_TRUE(again.messages.empty()) << again.output;
}

}  // namespace
}  // namespace kestrel::testing
