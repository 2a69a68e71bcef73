// Addresses, attributes with the FLAGS line, and dates of the open message.
#include "msgbase/msgdir/msg_attributes.h"
#include "tests/msgbase/msgdir/msgdir_test_support.h"
#include "tests/support/msg_file.h"

namespace kestrel::testing {
namespace {

class MsgDirFieldsTest : public MsgDirAreaTest {
 protected:
  // Opens message 1 stored with these header numbers and this text.
  std::unique_ptr<MsgDirBase> OpenStored(const MsgFile& file) {
    WriteMessage(1, EncodeMsgFile(file));
    auto base = OpenArea();
    base->SetMsgNum(1);
    EXPECT_TRUE(base->OpenMsg());
    return base;
  }
};

TEST_F(MsgDirFieldsTest, NetAndNodeComeFromTheHeaderZoneAndPointFromKludges) {
  MsgFile plain;
  plain.orig_net = 123;
  plain.orig_node = 45;
  plain.dest_net = 65535;  // unsigned: above 32767 as it is
  plain.dest_node = 7;
  auto base = OpenStored(plain);
  FidoAddress orig{9, 9, 9, 9}, dest{9, 9, 9, 9};
  base->GetOrigAddr(orig);
  base->GetDestAddr(dest);
  EXPECT_EQ(orig, (FidoAddress{2, 123, 45, 0}));
  EXPECT_EQ(dest, (FidoAddress{2, 65535, 7, 0}));

  MsgFile kludges = plain;
  kludges.text =
      "\x01INTL 2:5020/1 1:2/3\r\x01"
      "FMPT 4\r\x01TOPT 7\rBody\r";
  base.reset();  // it holds the file open, exclusively
  base = OpenStored(kludges);
  base->GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{1, 2, 3, 4}));
  EXPECT_EQ(dest, (FidoAddress{2, 5020, 1, 7}));
  FidoAddress single;
  base->GetOrigAddr(single);
  EXPECT_EQ(single, orig);
  base->GetDestAddr(single);
  EXPECT_EQ(single, dest);
}

TEST_F(MsgDirFieldsTest, SettingAddressesWritesKludgesAndHeaderNumbers) {
  auto base = OpenArea();
  ASSERT_TRUE(base->CreateMsg());
  base->SetMailType(kMailTypeNetmail);
  base->SetOrigDestAddr({1, 2, 3, 4}, {3, 5020, 1, 7}, true);
  std::string line;
  ASSERT_TRUE(base->GetKludge("\x01INTL", line));
  EXPECT_EQ(line, "\x01INTL 3:5020/1 1:2/3");
  ASSERT_TRUE(
      base->GetKludge("\x01"
                      "FMPT",
                      line));
  EXPECT_EQ(line,
            "\x01"
            "FMPT 4");
  ASSERT_TRUE(base->GetKludge("\x01TOPT", line));
  EXPECT_EQ(line, "\x01TOPT 7");
  ASSERT_TRUE(base->WriteMsg());
  const std::optional<MsgFile> stored = DecodeMsgFile(ReadMessage(1));
  EXPECT_EQ(stored->orig_net, 2);
  EXPECT_EQ(stored->orig_node, 3);
  EXPECT_EQ(stored->dest_net, 5020);
  EXPECT_EQ(stored->dest_node, 1);

  // Points of 0 remove the point kludges; each setter keeps its own header pair.
  base->SetOrigAddr({1, 2, 30, 0}, false);
  base->SetDestAddr({3, 5021, 10, 0});
  EXPECT_FALSE(
      base->GetKludge("\x01"
                      "FMPT",
                      line));
  EXPECT_FALSE(base->GetKludge("\x01TOPT", line));
  FidoAddress orig, dest;
  base->GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{1, 2, 30, 0}));
  EXPECT_EQ(dest, (FidoAddress{3, 5021, 10, 0}));
}

TEST_F(MsgDirFieldsTest, AttributeCodesMapToTheirBitsAndFlagsNames) {
  const struct {
    std::uint32_t code;
    std::uint16_t bit;
    const char* flags_line;  // after setting the code alone; "" for none
  } cases[] = {
      {AttrPrivate, 0x0001,
       "\x01"
       "FLAGS PVT"},
      {AttrCrash, 0x0002,
       "\x01"
       "FLAGS CRA"},
      {AttrReceived, 0x0004,
       "\x01"
       "FLAGS RCV"},
      {AttrSent, 0x0008,
       "\x01"
       "FLAGS SNT"},
      {AttrFileAttached, 0x0010,
       "\x01"
       "FLAGS FIL"},
      {AttrInTransit, 0x0020, ""},
      {AttrOrphan, 0x0040, ""},
      {AttrKillSent, 0x0080,
       "\x01"
       "FLAGS K/S"},
      {AttrLocal, 0x0100, ""},
      {AttrHold, 0x0200,
       "\x01"
       "FLAGS HLD"},
      {AttrFileRequest, 0x0800,
       "\x01"
       "FLAGS FRQ"},
      {AttrReceiptRequest, 0x1000,
       "\x01"
       "FLAGS RRQ"},
      {AttrIsReceipt, 0x2000, ""},
      {AttrAuditRequest, 0x4000, ""},
      {AttrUpdateRequest, 0x8000, ""},
  };
  auto base = OpenArea();
  for (const auto& c : cases) {
    ASSERT_TRUE(base->CreateMsg());
    base->PutTextLine("Body");
    base->SetAttr(c.code, true);
    EXPECT_TRUE(base->GetAttr(c.code)) << c.code;
    ASSERT_TRUE(base->WriteMsg());
    const std::optional<MsgFile> stored = DecodeMsgFile(ReadMessage(base->GetMsgNum()));
    EXPECT_EQ(stored->attribute, c.bit) << c.code;
    EXPECT_EQ(stored->text, "Body\r" + std::string(c.flags_line) + (*c.flags_line ? "\r" : ""))
        << c.code;
    base->SetAttr(c.code, false);
    EXPECT_FALSE(base->GetAttr(c.code)) << c.code;
    EXPECT_EQ(TextOf(*base), "Body\r") << c.code;
  }
  // Combinations and codes outside the table are neither read nor set.
  base->SetAttr(AttrPrivate, true);
  base->SetAttr(AttrCrash, true);
  EXPECT_FALSE(base->GetAttr(AttrPrivate | AttrCrash));
  for (std::uint32_t code : {0x8000u, 0x10000u, 0x0003u, 0u}) {
    base->SetAttr(code, true);
    EXPECT_FALSE(base->GetAttr(code));
  }
  ASSERT_TRUE(base->WriteMsg());
  EXPECT_EQ(DecodeMsgFile(ReadMessage(base->GetMsgNum()))->attribute, 0x0003);
}

TEST_F(MsgDirFieldsTest, FlagsLineIsKeptInStepWithOtherNamesInIt) {
  MsgFile file;
  file.attribute = 0x0001;
  file.text =
      "\x01MSGID: 1:2/3 abcd\r\x01"
      "FLAGS IMM PVT\rBody\r";
  auto base = OpenStored(file);
  base->SetAttr(AttrPrivate, true);  // already there: unchanged
  base->SetAttr(AttrHold, true);
  EXPECT_EQ(TextOf(*base),
            "\x01MSGID: 1:2/3 abcd\r\x01"
            "FLAGS IMM PVT HLD\rBody\r");
  base->SetAttr(AttrPrivate, false);
  base->SetAttr(AttrHold, false);
  EXPECT_EQ(TextOf(*base),
            "\x01MSGID: 1:2/3 abcd\r\x01"
            "FLAGS IMM\rBody\r");
  base->SetAttr(AttrCrash, false);  // not named: nothing to do
  EXPECT_EQ(TextOf(*base),
            "\x01MSGID: 1:2/3 abcd\r\x01"
            "FLAGS IMM\rBody\r");

  // The helper on its own: presence is a substring test.
  EXPECT_FALSE(UpdatedFlagsLine(true,
                                "\x01"
                                "FLAGS XPVTX",
                                "PVT", true));
  EXPECT_EQ(UpdatedFlagsLine(true,
                             "\x01"
                             "FLAGS PVT",
                             "PVT", false),
            "\x01"
            "FLAGS");
  EXPECT_TRUE(
      FlagsLineIsEmpty("\x01"
                       "FLAGS "));
  EXPECT_FALSE(
      FlagsLineIsEmpty("\x01"
                       "FLAGS A"));
}

TEST_F(MsgDirFieldsTest, DatesAreStoredAsTextAndPackedAndReadFromTheirOwnPlaces) {
  MsgFile file;
  file.date_text = "Mon  5 Mar 01 07:08";
  file.date_written = 0xFFFFFFFF;  // never read
  // Day 31, month 0: what a tosser that keeps zones here leaves behind.
  file.date_arrived = 0x0002001F;
  auto base = OpenStored(file);
  MsgDateTime written, arrived;
  arrived.sec100 = 55;
  base->GetDateWritten(written);
  base->GetDateArrived(arrived);
  EXPECT_EQ(written.day, 5);
  EXPECT_EQ(written.month, 3);
  EXPECT_EQ(written.year, 2001);
  EXPECT_EQ(written.hour, 7);
  EXPECT_EQ(written.min, 8);
  EXPECT_EQ(arrived.day, 31);
  EXPECT_EQ(arrived.month, 0);
  EXPECT_EQ(arrived.year, 1980);
  EXPECT_EQ(arrived.sec, 4);
  EXPECT_EQ(arrived.sec100, 55);  // left as it was

  MsgDateTime dt;
  dt.day = 31, dt.month = 12, dt.year = 2037, dt.hour = 23, dt.min = 59, dt.sec = 59;
  base->SetDateWritten(dt);
  base->SetDateArrived(dt);
  ASSERT_TRUE(base->WriteMsg());
  const std::optional<MsgFile> stored = DecodeMsgFile(ReadMessage(1));
  EXPECT_EQ(stored->date_text, "31 Dec 37  23:59:59");
  const std::uint32_t packed = (57u << 9 | 12u << 5 | 31u) | (23u << 11 | 59u << 5 | 29u) << 16;
  EXPECT_EQ(stored->date_written, packed);
  EXPECT_EQ(stored->date_arrived, packed);
}

}  // namespace
}  // namespace kestrel::testing
