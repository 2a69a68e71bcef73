// The bytes a JAM base holds after this program wrote it, compared with
// records built here field by field from the file layout.
#include <gtest/gtest.h>

#include <filesystem>

#include "msgbase/fido/date_time.h"
#include "msgbase/jam/jam_base.h"
#include "msgbase/jam/name_crc.h"
#include "tests/support/jam_test_support.h"

namespace kestrel::testing {
namespace {

// The name checksum computed bit by bit (reflected polynomial EDB88320h,
// start FFFFFFFFh, ASCII letters lower-cased, no final inversion), without
// the table the format uses.
std::uint32_t BitwiseNameCrc(std::string_view s) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (char c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ ((crc & 1) != 0 ? 0xEDB88320u : 0u);
  }
  return crc;
}

std::string BaseHeaderBytes(std::uint32_t date_created, std::uint32_t mod_counter,
                            std::uint32_t active, std::uint32_t base_msg_num) {
  std::string bytes(kJamBaseHeaderSize, '\0');
  bytes.replace(kJamSignatureOffset, kJamSignature.size(), kJamSignature);
  PutLe32(bytes, kJamDateCreatedOffset, date_created);
  PutLe32(bytes, kJamModCounterOffset, mod_counter);
  PutLe32(bytes, kJamActiveMsgsOffset, active);
  PutLe32(bytes, kJamBasePasswordCrcOffset, kJamNoCrc);
  PutLe32(bytes, kJamBaseMsgNumOffset, base_msg_num);
  return bytes;
}

TEST(NameCrc, KnownValuesAndAsciiOnlyLowerCasing) {
  EXPECT_EQ(NameCrc("abc"), 0xCADBBE3Du);
  EXPECT_EQ(NameCrc("ABC"), 0xCADBBE3Du);
  EXPECT_EQ(NameCrc(""), 0xFFFFFFFFu);
  EXPECT_EQ(NameCrc("John Doe"), BitwiseNameCrc("john doe"));
  // Only A-Z fold: the code page 866 letters keep their case.
  EXPECT_NE(NameCrc("\x80"), NameCrc("\xA0"));
  EXPECT_EQ(NameCrc("\x80"), BitwiseNameCrc("\x80"));
}

class JamLayoutTest : public JamBaseTest {};

TEST_F(JamLayoutTest, CreatedBaseIsAHeaderAndThreeEmptyFiles) {
  dir.MakeDir("temp");
  base_path = dir.Path("temp/new/base");
  MsgDateTime now;
  GetNowDateTime(now);
  const std::uint32_t before = DateTimeToUnix(now);
  {
    JamBase base;
    ASSERT_TRUE(base.CreateMsgBase(base_path)) << base.GetLastError();
    EXPECT_TRUE(base.IsOpened());
    EXPECT_EQ(base.GetBasePath(), base_path + ".");
    base.CloseMsgBase();
  }
  GetNowDateTime(now);
  const std::uint32_t after = DateTimeToUnix(now);

  const std::string jhr = File("jhr");
  ASSERT_EQ(jhr.size(), kJamBaseHeaderSize);
  const std::uint32_t created = GetLe32(jhr, kJamDateCreatedOffset);
  EXPECT_GE(created, before);
  EXPECT_LE(created, after);
  EXPECT_EQ(jhr, BaseHeaderBytes(created, 0, 0, 1));
  for (const char* extension : {"jdx", "jdt", "jlr"}) {
    EXPECT_TRUE(std::filesystem::exists(JamFile(base_path, extension))) << extension;
    EXPECT_EQ(File(extension), "") << extension;
  }
}

TEST_F(JamLayoutTest, WrittenMessageHeaderSubfieldsTextAndIndex) {
  std::unique_ptr<JamBase> base = CreateBase();
  const std::string before_close = File("jhr");
  ASSERT_TRUE(base->CreateMsg());
  base->SetFrom("Sysop");
  base->SetTo("John Doe");
  base->SetSubj("Hello");
  base->SetAttr(AttrPrivate, true);
  const MsgDateTime written{23, 59, 59, 0, 31, 12, 1999};  // 946684799
  const MsgDateTime arrived{0, 0, 0, 0, 1, 1, 1970};       // 0
  base->SetDateWritten(written);
  base->SetDateArrived(arrived);
  const std::string text = "\x01MSGID: 1:2/3 12345678\rHi\r\x01Via 1:2/3 @20210101\r";
  base->WriteTextBlock(text.data(), static_cast<std::uint16_t>(text.size()));
  ASSERT_TRUE(base->WriteMsg());
  base->CloseMsg();
  // The base header reaches the file as soon as the message is stored (its
  // counters come last), and close writes the same bytes again.
  const std::string after_write = File("jhr").substr(0, kJamBaseHeaderSize);
  EXPECT_NE(after_write, before_close.substr(0, kJamBaseHeaderSize));
  EXPECT_EQ(GetLe32(after_write, kJamActiveMsgsOffset), 1u);
  EXPECT_EQ(GetLe32(after_write, kJamModCounterOffset), 1u);
  base->CloseMsgBase();
  EXPECT_EQ(File("jhr").substr(0, kJamBaseHeaderSize), after_write);

  // Subfields in the order of the layout; the destination falls back to the
  // origin because the text names none.
  const std::string subfields =
      JamSubfieldBytes(kJamSenderName, "Sysop") + JamSubfieldBytes(kJamOAddress, "1:2/3.0") +
      JamSubfieldBytes(kJamReceiverName, "John Doe") + JamSubfieldBytes(kJamDAddress, "1:2/3.0") +
      JamSubfieldBytes(kJamSubject, "Hello") + JamSubfieldBytes(kJamMsgId, "1:2/3 12345678") +
      JamSubfieldBytes(kJamTrace, "1:2/3 @20210101");
  std::string header(kJamMessageHeaderSize, '\0');
  header.replace(kJamMsgSignatureOffset, kJamSignature.size(), kJamSignature);
  PutLe16(header, kJamMsgRevisionOffset, kJamMsgRevision);
  PutLe32(header, kJamMsgSubfieldLenOffset, static_cast<std::uint32_t>(subfields.size()));
  PutLe32(header, kJamMsgMsgIdCrcOffset, BitwiseNameCrc("1:2/3 12345678"));
  PutLe32(header, kJamMsgReplyCrcOffset, kJamNoCrc);
  PutLe32(header, kJamMsgDateWrittenOffset, 946684799);
  PutLe32(header, kJamMsgDateProcessedOffset, 0);
  PutLe32(header, kJamMsgMsgNumOffset, 1);  // MsgNum of the first message
  PutLe32(header, kJamMsgAttributeOffset, kJamAttrPrivate | kJamAttrTypeNet);
  PutLe32(header, kJamMsgTxtOffsetOffset, 0);
  PutLe32(header, kJamMsgTxtLenOffset, 3);
  PutLe32(header, kJamMsgPasswordCrcOffset, kJamNoCrc);

  const std::string jhr = File("jhr");
  const std::uint32_t created = GetLe32(jhr, kJamDateCreatedOffset);
  EXPECT_EQ(jhr, BaseHeaderBytes(created, 1, 1, 1) + header + subfields);
  EXPECT_EQ(File("jdt"), "Hi\r");
  EXPECT_EQ(File("jdx"), JamIndexRecordBytes(BitwiseNameCrc("John Doe"), kJamBaseHeaderSize));
}

TEST_F(JamLayoutTest, SecondMessageAppendsAndRecipientCrcIgnoresCase) {
  std::unique_ptr<JamBase> base = CreateBase();
  NewMessage first;
  first.to = "JOHN DOE";
  first.text = "One\r";
  AddMessage(*base, first);
  NewMessage second;
  second.text = "Two\r\r";
  AddMessage(*base, second);
  base->CloseMsgBase();

  const JamBaseFiles files = LoadJamFiles(base_path);
  const std::vector<JamIndexRecord> index = files.Index();
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(index[0].recipient_crc, index[1].recipient_crc);
  EXPECT_EQ(index[0].header_offset, kJamBaseHeaderSize);
  const std::optional<JamMessage> one = files.MessageAt(index[0].header_offset);
  ASSERT_TRUE(one);
  EXPECT_EQ(index[1].header_offset, kJamBaseHeaderSize + kJamMessageHeaderSize + one->subfield_len);
  const std::optional<JamMessage> two = files.MessageAt(index[1].header_offset);
  ASSERT_TRUE(two);
  EXPECT_EQ(two->msg_num, 2u);
  EXPECT_EQ(two->txt_offset, 4u);
  EXPECT_EQ(two->text, "Two\r\r");
  EXPECT_EQ(files.jdt, "One\rTwo\r\r");
  EXPECT_EQ(files.Header()->mod_counter, 2u);
}

TEST_F(JamLayoutTest, LastReadRecordsAreWrittenInPlaceOrAppended) {
  std::unique_ptr<JamBase> base = CreateBase();
  auto record = [](std::uint32_t user, std::uint32_t num) {
    return JamLastReadRecordBytes(user, user, num, num);
  };
  base->SetLastRead(7, 42);
  EXPECT_EQ(File("jlr"), record(7, 42));
  base->SetLastRead(7, 50);
  EXPECT_EQ(File("jlr"), record(7, 50));
  base->SetLastRead(8, -1);
  EXPECT_EQ(File("jlr"), record(7, 50) + record(8, 0xFFFFFFFF));
  EXPECT_EQ(base->GetLastRead(7), 50);
  EXPECT_EQ(base->GetLastRead(8), -1);
  EXPECT_EQ(base->GetLastRead(9), 0);
  base->CloseMsgBase();

  // Records are found by UserID; LastReadMsg and HighReadMsg may differ in
  // records other programs wrote, and HighReadMsg is the one read. A partial
  // record at the end is no record: a new one goes in its place.
  const std::string foreign = JamLastReadRecordBytes(0x12345678, 3, 10, 12);
  WriteJamFile(base_path, "jlr", foreign + "part");
  base = OpenBase();
  EXPECT_EQ(base->GetLastRead(3), 12);
  base->SetLastRead(4, 5);
  base->CloseMsgBase();
  EXPECT_EQ(File("jlr"), foreign + record(4, 5));
}

TEST_F(JamLayoutTest, RewriteHeaderChangesOnlyTheFixedHeaderInPlace) {
  MakeBase(2);
  const std::string before = File("jhr");
  std::unique_ptr<JamBase> base = OpenBase();
  base->SetMsgNum(1);
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_FALSE(base->GetAttr(AttrSent));
  base->SetAttr(AttrSent, true);
  base->SetAttr(AttrIsReceipt, true);  // no JAM bit: nothing changes
  EXPECT_FALSE(base->GetAttr(AttrIsReceipt));
  ASSERT_TRUE(base->RewriteHeader());
  base->CloseMsg();
  base->CloseMsgBase();

  std::string expected = before;
  const std::size_t attribute_at = kJamBaseHeaderSize + kJamMsgAttributeOffset;
  PutLe32(expected, attribute_at, GetLe32(before, attribute_at) | kJamAttrSent);
  EXPECT_EQ(File("jhr"), expected);
}

}  // namespace
}  // namespace kestrel::testing
