#include "tests/support/fido_packet.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

FidoPacket SamplePacket() {
  FidoPacket packet;
  PacketHeader& h = packet.header;
  h.orig_node = 1;
  h.orig_net = 5020;
  h.orig_zone = 2;
  h.qm_orig_zone = 2;
  h.dest_node = 2;
  h.dest_net = 5020;
  h.dest_zone = 2;
  h.qm_dest_zone = 2;
  h.dest_point = 7;
  h.year = 2021;
  h.month = 2;
  h.day = 5;
  h.password = "SECRET";
  h.capability_word = 1;
  h.capability_valid = 0x0100;

  PackedMessage first;
  first.orig_node = 1;
  first.orig_net = 5020;
  first.dest_node = 99;
  first.dest_net = 3;
  first.attribute = 0x0001;
  first.date_time = "05 Mar 21  07:08:10";
  first.to_name = "Remote Sysop";
  first.from_name = "\x8f\xe0\xa8\xa2\xa5\xe2";  // code page 866 bytes stay as they are
  first.subject = "First";
  first.text = "\x01INTL 1:3/99 2:5020/1\rHello\r";
  PackedMessage second = first;
  second.to_name = std::string(35, 'T');
  second.subject = std::string(71, 'S');
  second.text = "";
  packet.messages = {first, second};
  return packet;
}

TEST(FidoPacketTest, WrittenPacketReadsBackFieldForField) {
  const FidoPacket packet = SamplePacket();
  const std::string bytes = WriteFidoPacket(packet);
  ASSERT_EQ(GetLe16(bytes, 18), kPacketType2);
  ASSERT_EQ(bytes.substr(bytes.size() - 2), std::string(2, '\0'));

  const PacketReadResult read = ReadFidoPacket(bytes);
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.packet.header.OrigAddress(), "2:5020/1.0");
  EXPECT_EQ(read.packet.header.DestAddress(), "2:5020/2.7");
  EXPECT_EQ(read.packet.header.year, 2021);
  EXPECT_EQ(read.packet.header.password, "SECRET");
  EXPECT_EQ(read.packet.header.capability_valid, 0x0100);
  ASSERT_EQ(read.packet.messages.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const PackedMessage& want = packet.messages[i];
    const PackedMessage& got = read.packet.messages[i];
    EXPECT_EQ(got.orig_net, want.orig_net);
    EXPECT_EQ(got.orig_node, want.orig_node);
    EXPECT_EQ(got.dest_net, want.dest_net);
    EXPECT_EQ(got.dest_node, want.dest_node);
    EXPECT_EQ(got.attribute, want.attribute);
    EXPECT_EQ(got.date_time, want.date_time);
    EXPECT_EQ(got.to_name, want.to_name);
    EXPECT_EQ(got.from_name, want.from_name);
    EXPECT_EQ(got.subject, want.subject);
    EXPECT_EQ(got.text, want.text);
  }
}

TEST(FidoPacketTest, OverlongFieldsAreCutToStayReadable) {
  FidoPacket packet = SamplePacket();
  packet.messages[0].to_name = std::string(50, 'N');
  packet.messages[0].subject = std::string(100, 'S');
  packet.messages[0].date_time = std::string(30, 'D');
  packet.header.password = "TOOLONGPASSWORD";
  const PacketReadResult read = ReadFidoPacket(WriteFidoPacket(packet));
  ASSERT_TRUE(read.ok) << read.error;
  EXPECT_EQ(read.packet.messages[0].to_name, std::string(35, 'N'));
  EXPECT_EQ(read.packet.messages[0].subject, std::string(71, 'S'));
  EXPECT_EQ(read.packet.messages[0].date_time, std::string(19, 'D'));
  EXPECT_EQ(read.packet.header.password, "TOOLONGP");
}

TEST(FidoPacketTest, DamagedPacketsGiveErrorsAndKeepWhatWasRead) {
  const std::string bytes = WriteFidoPacket(SamplePacket());
  // Every cut short of the whole packet is an error, never a crash.
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    const PacketReadResult read = ReadFidoPacket(std::string_view(bytes).substr(0, length));
    EXPECT_FALSE(read.ok) << "cut at " << length;
    EXPECT_FALSE(read.error.empty());
  }
  // Cut inside the second message's text: the first message survives.
  const PacketReadResult cut = ReadFidoPacket(std::string_view(bytes).substr(0, bytes.size() - 3));
  ASSERT_EQ(cut.packet.messages.size(), 1u);
  EXPECT_EQ(cut.packet.messages[0].subject, "First");

  std::string wrong_type = bytes;
  PutLe16(wrong_type, 18, 3);
  EXPECT_NE(ReadFidoPacket(wrong_type).error.find("packet type 3"), std::string::npos);

  std::string wrong_message_type = bytes;
  PutLe16(wrong_message_type, kPacketHeaderSize, 7);
  EXPECT_NE(ReadFidoPacket(wrong_message_type).error.find("message type 7"), std::string::npos);

  // A recipient name with no 0 within its 36 bytes.
  std::string unterminated = bytes;
  const std::size_t name_at = kPacketHeaderSize + kPackedMessageFixedSize + kPacketDateTimeSize;
  unterminated.replace(name_at, 40, std::string(40, 'X'));
  const PacketReadResult read = ReadFidoPacket(unterminated);
  EXPECT_FALSE(read.ok);
  EXPECT_NE(read.error.find("recipient name"), std::string::npos) << read.error;
}

}  // namespace
}  // namespace kestrel::testing
