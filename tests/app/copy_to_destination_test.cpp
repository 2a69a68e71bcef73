// The copier on its own: what it stores in each format, that a source with a
// MSGID line costs no new serial (a new serial waits for the clock), and that
// the files it writes are the ones the plain sequence of setters writes.
#include "app/copy_to_destination.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/fido/msgid_serial.h"
#include "tests/app/recording_log.h"
#include "tests/support/area_files.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

constexpr FidoAddress kFrom{2, 5020, 100, 7};
constexpr FidoAddress kTo{1, 123, 45, 3};
constexpr char kKinds[] = {'M', 'S', 'J'};

class CopyToDestinationTest : public ::testing::Test {
 protected:
  CopyToDestinationTest() { InstallStreamFactories(); }

  std::string Id(char kind, const std::string& name) const {
    return std::string(1, kind) + dir_.Path(name);
  }

  // Opens the only message of `source` and copies it to `destination`.
  void CopyOnlyMessage(const std::string& source, const std::string& destination) {
    std::unique_ptr<MessageBase> base;
    ASSERT_TRUE(OpenBase(source, base));
    base->SetMailFlag(kMailFlagNetmail, true);
    base->SeekFirst(1);
    ASSERT_TRUE(base->OpenMsg());
    CurrentHeader header;
    header.msgFrom = base->GetFrom();
    header.msgTo = base->GetTo();
    header.msgSubj = base->GetSubj();
    EXPECT_FALSE(CopyToDestination(*base, destination, header, false, log_).has_value());
    base->CloseMsg();
    CloseBase(base);
  }

  TempDir dir_;
  RecordingLog log_;
};

AreaMessage Sample(const std::string& serial) {
  AreaMessage message = Netmail("Ivan Petrov", kFrom, "Sysop", kTo, "Hello", serial);
  message.attributes = AttrPrivate | AttrCrash | AttrKillSent | AttrAuditRequest;
  message.text += "\x01Via 2:5020/1 @20200101.101010.UTC hpt\r";
  return message;
}

TEST_F(CopyToDestinationTest, AMessageWithAMsgIdIsCopiedWithoutDrawingASerial) {
  for (char from : kKinds) {
    for (char to : kKinds) {
      SCOPED_TRACE(std::string("from ") + from + " to " + to);
      const std::string source = Id(from, std::string("src") + from + to);
      const std::string dest = Id(to, std::string("dst") + from + to);
      AddMessages(source, {Sample("0badf00d")});
      const AreaMessage original = ReadArea(source).at(0);

      LastMsgIdSerial = 0x12345678;
      CopyOnlyMessage(source, dest);
      EXPECT_EQ(LastMsgIdSerial, 0x12345678u);

      const std::vector<AreaMessage> copies = ReadArea(dest);
      ASSERT_EQ(copies.size(), 1u);
      EXPECT_EQ(copies[0].orig, original.orig);
      EXPECT_EQ(copies[0].dest, original.dest);
      EXPECT_NE(copies[0].text.find("\x01MSGID: 2:5020/100.7 0badf00d\r"), std::string::npos);
      if (from == to) {
        EXPECT_EQ(copies[0].text, original.text);
      }
    }
  }
}

// The steps the copier takes, in their plain form: the address setters run
// on the new message's empty text (and so draw a new serial), then the text
// is replaced by the source's.
void ReferenceCopy(MessageBase& source, const std::string& destination) {
  std::unique_ptr<MessageBase> copy;
  ASSERT_TRUE(OpenOrCreateBase(destination, copy));
  copy->SetMailType(kMailTypeNetmail);
  ASSERT_TRUE(copy->CreateMsg());
  FidoAddress orig;
  FidoAddress dest;
  source.GetOrigDestAddr(orig, dest);
  copy->SetOrigDestAddr(orig, dest, false);
  copy->SetFrom(source.GetFrom());
  copy->SetTo(source.GetTo());
  copy->SetSubj(source.GetSubj());
  MsgDateTime date;
  source.GetDateWritten(date);
  copy->SetDateWritten(date);
  source.GetDateArrived(date);
  copy->SetDateArrived(date);
  for (std::uint32_t mask = AttrPrivate; mask <= AttrUpdateRequest; mask <<= 1)
    copy->SetAttr(mask, source.GetAttr(mask));
  BaseStream* from = source.GetTextStream();
  BaseStream* to = copy->GetTextStream();
  from->Seek(0);
  to->Seek(0);
  to->CopyFrom(*from, from->GetSize());
  to->Truncate();
  ASSERT_TRUE(copy->WriteMsg());
  copy->CloseMsg();
  CloseBase(copy);
}

TEST_F(CopyToDestinationTest, TheMessageFilesAreTheOnesThePlainStepsWrite) {
  // With and without a MSGID line, with an empty text, and with a FLAGS line
  // that the *.MSG attributes keep up to date while they are set.
  AreaMessage no_msgid = Sample("00000000");
  no_msgid.text =
      "\x01INTL 1:123/45 2:5020/100\r\x01"
      "FMPT 7\rNo MSGID here.\r";
  AreaMessage empty = Sample("00000000");
  empty.text.clear();
  AreaMessage flags = Sample("cafe0001");
  flags.text +=
      "\x01"
      "FLAGS DIR IMM\r";
  const std::vector<AreaMessage> samples = {Sample("0badf00d"), no_msgid, empty, flags};
  for (std::size_t i = 0; i < samples.size(); ++i) {
    SCOPED_TRACE("sample " + std::to_string(i));
    const std::string source = Id('M', "source" + std::to_string(i));
    AddMessages(source, {samples[i]});
    CopyOnlyMessage(source, Id('M', "copied" + std::to_string(i)));

    std::unique_ptr<MessageBase> base;
    ASSERT_TRUE(OpenBase(source, base));
    base->SetMailFlag(kMailFlagNetmail, true);
    base->SeekFirst(1);
    ASSERT_TRUE(base->OpenMsg());
    ReferenceCopy(*base, Id('M', "reference" + std::to_string(i)));
    CloseBase(base);

    const std::string copied = dir_.ReadFile("copied" + std::to_string(i) + "/1.msg");
    ASSERT_FALSE(copied.empty());
    EXPECT_EQ(copied, dir_.ReadFile("reference" + std::to_string(i) + "/1.msg"));
  }
}

}  // namespace
}  // namespace kestrel::testing
