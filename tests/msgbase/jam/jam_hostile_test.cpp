// Damaged and hostile bases: every offset, length and count read from the
// files is checked against what is really there.
#include <gtest/gtest.h>

#include <random>

#include "msgbase/jam/jam_base.h"
#include "tests/support/jam_test_support.h"

namespace kestrel::testing {
namespace {

class JamHostileTest : public JamBaseTest {
 protected:
  static RawMessage Message(const std::string& subject, const std::string& text) {
    RawMessage message;
    message.subfields = {{kJamSubject, subject}};
    message.text = text;
    return message;
  }

  // Opens message num; on success returns the subject and the text.
  std::string Read(JamBase& base, std::int32_t num) {
    base.SetMsgNum(num);
    if (!base.OpenMsg()) return "error " + std::to_string(base.GetLastError());
    std::string text(static_cast<std::size_t>(base.GetTextSize()), '\0');
    base.SetTextPos(0);
    base.ReadTextBlock(text.data(), static_cast<std::uint16_t>(text.size()));
    return base.GetSubj() + "|" + text;
  }
};

TEST_F(JamHostileTest, HeaderOffsetsOutsideTheHeaderFile) {
  RawJamBase raw =
      RawJamBase::Build({Message("one", "1\r"), Message("two", "2\r"), Message("three", "3\r"),
                         Message("four", "4\r"), Message("five", "5\r")});
  const auto jhr_size = static_cast<std::uint32_t>(raw.jhr.size());
  raw.SetHeaderOffset(0, jhr_size);       // at the very end
  raw.SetHeaderOffset(1, jhr_size - 10);  // header cut off by the end
  raw.SetHeaderOffset(2, 0xFFFFFFFE);     // negative
  raw.SetHeaderOffset(3, 0x7FFFFFF0);     // far beyond
  raw.Write(base_path);
  std::unique_ptr<JamBase> base = OpenBase();
  for (std::int32_t num = 1; num <= 4; ++num) {
    EXPECT_TRUE(base->MsgExists(num));  // damaged, not deleted
    EXPECT_EQ(Read(*base, num), "error " + std::to_string(0x2007)) << num;
    EXPECT_EQ(base->GetTextStream(), nullptr);
  }
  EXPECT_EQ(Read(*base, 5), "five|5\r");
}

TEST_F(JamHostileTest, SubfieldLengthsLargerThanTheData) {
  RawMessage big = Message("big", "1\r");
  for (int i = 0; i < 20; ++i)
    big.subfields.push_back({kJamFtsKludge, "LEAK " + std::string(90, 'x')});
  RawMessage overlong_datlen = Message("kept", "2\r");
  overlong_datlen.subfields.push_back({kJamFtsKludge, "CHRS: CP866 2"});
  RawMessage last = Message("last", "3\r");
  last.subfield_len = 12000;  // far more than the file holds after it
  RawJamBase raw = RawJamBase::Build({big, overlong_datlen, last});
  // The second record of message 2 claims more data than there is, running
  // into message 3's header; a DatLen near 4 GiB must not wrap around.
  const std::size_t second_record =
      raw.header_offsets[1] + kJamMessageHeaderSize + JamSubfieldBytes(kJamSubject, "kept").size();
  const std::size_t second_datlen = second_record + kJamSubfieldDatLenOffset;
  PutLe32(raw.jhr, second_datlen, 500);
  raw.Write(base_path);
  std::unique_ptr<JamBase> base = OpenBase();
  EXPECT_EQ(Read(*base, 1).substr(0, 11), "big|\x01LEAK x");
  EXPECT_EQ(Read(*base, 2), "kept|2\r");
  // Message 3's header ends the file: nothing of message 1 may show.
  EXPECT_EQ(Read(*base, 3), "last|3\r");
  std::uint16_t id = 0;
  std::string data;
  EXPECT_FALSE(base->GetSubfield(2, id, data));

  base->CloseMsgBase();
  PutLe32(raw.jhr, second_datlen, 0xFFFFFFF8);
  raw.Write(base_path);
  base = OpenBase();
  EXPECT_EQ(Read(*base, 2), "kept|2\r");
}

TEST_F(JamHostileTest, TextOffsetsAndLengthsOutsideTheTextFile) {
  RawJamBase raw =
      RawJamBase::Build({Message("a", "first\r"), Message("b", "second\r"), Message("c", "third\r"),
                         Message("d", "fourth\r"), Message("e", "fifth\r")});
  raw.SetMessageField(0, kJamMsgTxtOffsetOffset, static_cast<std::uint32_t>(raw.jdt.size()) + 1);
  raw.SetMessageField(1, kJamMsgTxtOffsetOffset, 0xFFFFFFFF);
  raw.SetMessageField(2, kJamMsgTxtLenOffset, 0x7FFFFFFF);  // the rest of the file
  raw.SetMessageField(3, kJamMsgTxtLenOffset, 0x80000000);  // negative: no text
  raw.jdt.resize(raw.jdt.size() - 2);                       // "fifth\r" cut short
  raw.Write(base_path);
  std::unique_ptr<JamBase> base = OpenBase();
  EXPECT_EQ(Read(*base, 1), "error " + std::to_string(0x2008));
  EXPECT_EQ(Read(*base, 2), "error " + std::to_string(0x2008));
  EXPECT_EQ(Read(*base, 3), "c|third\rfourth\rfift");
  EXPECT_EQ(Read(*base, 4), "d|");
  EXPECT_EQ(Read(*base, 5), "e|fift");
}

TEST_F(JamHostileTest, TruncatedIndexKeepsWholeRecords) {
  RawJamBase raw =
      RawJamBase::Build({Message("a", "1\r"), Message("b", "2\r"), Message("c", "3\r")});
  raw.jdx += "\x01\x02\x03\x04";
  raw.Write(base_path);
  std::unique_ptr<JamBase> base = OpenBase();
  EXPECT_EQ(base->GetMsgCount(), 3);
  EXPECT_EQ(Read(*base, 3), "c|3\r");
  ASSERT_TRUE(base->KillMsg());
  base->CloseMsgBase();
  EXPECT_EQ(File("jdx"), raw.jdx.substr(0, 16));
}

TEST_F(JamHostileTest, RandomDamageNeverEscapesTheFiles) {
  std::vector<RawMessage> messages;
  for (int n = 0; n < 6; ++n) {
    RawMessage message = Message("subject " + std::to_string(n), "body line\rsecond\r");
    message.subfields.push_back({kJamOAddress, "2:5020/1." + std::to_string(n)});
    message.subfields.push_back({kJamMsgId, "2:5020/1 0000000" + std::to_string(n)});
    message.subfields.push_back({kJamTrace, "2:5020/1 @20210101"});
    messages.push_back(message);
  }
  const RawJamBase clean = RawJamBase::Build(messages);
  std::mt19937 random(20240601);
  int opened = 0;
  for (int round = 0; round < 300; ++round) {
    RawJamBase raw = clean;
    std::string* files[] = {&raw.jhr, &raw.jdx, &raw.jdt};
    for (int hit = 0; hit < 6; ++hit) {
      std::string& file = *files[random() % 3];
      if (file.empty()) continue;
      const std::size_t at = random() % file.size();
      file[at] = static_cast<char>(random() % 3 == 0 ? 0xFF : random());
    }
    if (random() % 4 == 0) raw.jhr.resize(raw.jhr.size() - random() % 200);
    raw.Write(base_path);
    JamBase base;
    if (!base.OpenMsgBase(base_path)) continue;
    base.SetMailType(kMailTypeNetmail);
    for (base.SeekFirst(1); base.SeekFound(); base.SeekNext()) {
      if (base.OpenMsg()) {
        ++opened;
        FidoAddress orig, dest;
        base.GetOrigDestAddr(orig, dest);
        base.GetFrom();
        EXPECT_LE(base.GetSubj().size(), 255u);
        if (random() % 5 == 0) {
          base.WriteMsg();
        } else if (random() % 5 == 0) {
          base.KillMsg();
        }
      } else {
        const std::int32_t error = base.GetLastError();
        EXPECT_TRUE(error >= 0x2006 && error <= 0x2008) << error;
      }
    }
    base.CloseMsgBase();
  }
  EXPECT_GT(opened, 300);  // most damage leaves most messages readable
}

}  // namespace
}  // namespace kestrel::testing
