// The raw-file helpers must stay inside the bytes they are given, whatever
// offsets and lengths a damaged base holds.
#include <gtest/gtest.h>

#include "tests/support/fido_text.h"
#include "tests/support/jam_files.h"
#include "tests/support/msg_file.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

TEST(JamFilesTest, HostileOffsetsAndLengthsStayInsideTheFiles) {
  JamBaseFiles files;
  files.jhr = std::string(kJamBaseHeaderSize, '\0');
  files.jhr.replace(kJamSignatureOffset, kJamSignature.size(), kJamSignature);
  PutLe32(files.jhr, kJamActiveMsgsOffset, 2);
  std::string message(kJamMessageHeaderSize, '\0');
  const std::string subfields =
      JamSubfieldBytes(kJamSenderName, "Sysop") + JamSubfieldBytes(kJamSubject, "Hi");
  PutLe32(message, kJamMsgSubfieldLenOffset, static_cast<std::uint32_t>(subfields.size()));
  PutLe32(message, kJamMsgTxtOffsetOffset, 2);
  PutLe32(message, kJamMsgTxtLenOffset, 3);
  files.jhr += message + subfields;
  files.jdt = "xxHi\r";

  const std::optional<JamMessage> good = files.MessageAt(kJamBaseHeaderSize);
  ASSERT_TRUE(good);
  EXPECT_TRUE(good->subfields_complete);
  EXPECT_EQ(good->Subfield(kJamSenderName), "Sysop");
  EXPECT_EQ(good->Subfield(kJamSubject), "Hi");
  EXPECT_FALSE(good->Subfield(kJamMsgId));
  EXPECT_EQ(good->text, "Hi\r");

  EXPECT_FALSE(files.MessageAt(0xFFFFFFFFu));
  EXPECT_FALSE(files.MessageAt(static_cast<std::uint32_t>(files.jhr.size() - 10)));

  // SubfieldLen beyond the file, a record whose DatLen runs past the area, a
  // text beyond the .jdt file: reported, nothing read outside.
  JamBaseFiles damaged = files;
  PutLe32(damaged.jhr, kJamBaseHeaderSize + kJamMsgSubfieldLenOffset, 0xFFFFFFF0u);
  PutLe32(damaged.jhr, kJamBaseHeaderSize + kJamMessageHeaderSize + kJamSubfieldDatLenOffset,
          0x7FFFFFFFu);
  PutLe32(damaged.jhr, kJamBaseHeaderSize + kJamMsgTxtOffsetOffset, 0xFFFFFFFEu);
  const std::optional<JamMessage> bad = damaged.MessageAt(kJamBaseHeaderSize);
  ASSERT_TRUE(bad);
  EXPECT_FALSE(bad->subfields_complete);
  EXPECT_TRUE(bad->subfields.empty());
  EXPECT_FALSE(bad->text_in_range);
  EXPECT_TRUE(bad->text.empty());

  files.jdx = std::string(20, '\x01');  // two whole records and a stray half
  EXPECT_EQ(files.Index().size(), 2u);
  files.jhr.resize(100);
  EXPECT_FALSE(files.Header());

  EXPECT_TRUE(HasNoHighBytes(0x7F7F7F7Fu));
  EXPECT_FALSE(HasNoHighBytes(0x00000480u));
}

TEST(JamFilesTest, FieldsCrashmailMisreadsAreNamed) {
  JamBaseFiles files;
  files.jhr = std::string(kJamBaseHeaderSize, '\0');
  PutLe32(files.jhr, kJamActiveMsgsOffset, 2);
  PutLe32(files.jhr, kJamBaseMsgNumOffset, 1);
  for (std::uint32_t subfield_len : {0x100u, 0xB4u}) {
    std::string message(kJamMessageHeaderSize, '\0');
    PutLe32(message, kJamMsgSubfieldLenOffset, subfield_len);
    files.jdx += JamIndexRecordBytes(0, static_cast<std::uint32_t>(files.jhr.size()));
    files.jhr += message + std::string(subfield_len, '\0');
  }
  EXPECT_EQ(FieldsCrashmailMisreads(files),
            std::vector<std::string>{"index record 2: SubfieldLen B4h"});
  PutLe32(files.jdx, kJamIndexHeaderOffsetOffset, 0x480);
  EXPECT_EQ(FieldsCrashmailMisreads(files).front(), "index record 1: HdrOffset 480h");
}

TEST(MsgFileTest, FieldsEndAtTheirZeroOrTheirWidth) {
  std::string bytes(kMsgHeaderSize, 'A');  // no 0 anywhere in the header
  bytes += "text\r";
  const std::optional<MsgFile> full = DecodeMsgFile(bytes);
  ASSERT_TRUE(full);
  EXPECT_EQ(full->from, std::string(kMsgNameFieldSize, 'A'));
  EXPECT_EQ(full->subject, std::string(kMsgSubjectFieldSize, 'A'));
  EXPECT_EQ(full->text, "text\r");
  EXPECT_FALSE(DecodeMsgFile(bytes.substr(0, kMsgHeaderSize - 1)));

  // Stray bytes after a name's 0 (crashmail leaves them) are not part of it.
  std::string stray = EncodeMsgFile(MsgFile{});
  stray.replace(kMsgToOffset, 8, std::string("Bob\0junk", 8));
  EXPECT_EQ(DecodeMsgFile(stray)->to, "Bob");
}

TEST(FidoTextTest, KludgesAreFoundByWholeName) {
  const std::string text =
      "\x01MSGIDX: not this\r\x01INTL 2:5020/1 1:2/3\r\n\x01MSGID: 1:2/3 0abc\rBody\r\rLast";
  EXPECT_EQ(FindKludge(text, "MSGID"), "1:2/3 0abc");
  EXPECT_EQ(FindKludge(text, "INTL"), "2:5020/1 1:2/3");
  EXPECT_FALSE(FindKludge(text, "TOPT"));
  EXPECT_EQ(KludgeNames(text), (std::vector<std::string>{"MSGIDX", "INTL", "MSGID"}));
  EXPECT_EQ(BodyLines(text), (std::vector<std::string>{"Body", "", "Last"}));
}

}  // namespace
}  // namespace kestrel::testing
