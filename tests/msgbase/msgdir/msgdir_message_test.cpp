// Reading and writing message files: layout, text ends, bad files, and what
// reaches the disk when.
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "msgbase/fido/field_widths.h"
#include "msgbase/io/mem_stream.h"
#include "msgbase/io/stream_hooks.h"
#include "msgbase/msgdir/msgdir_errors.h"
#include "tests/msgbase/msgdir/msgdir_test_support.h"
#include "tests/support/fido_text.h"
#include "tests/support/msg_file.h"
#include "tests/support/test_dates.h"

namespace kestrel::testing {
namespace {

// Day first, as the date texts of this format write it.
MsgDateTime Date(int day, int month, int year, int hour, int min, int sec) {
  return testing::MakeMsgDate(year, month, day, hour, min, sec);
}

// The packed form of the layout: date word low, time word high.
std::uint32_t Packed(int day, int month, int year, int hour, int min, int sec) {
  const std::uint32_t date = static_cast<std::uint32_t>((year - 1980) << 9 | month << 5 | day);
  const std::uint32_t time = static_cast<std::uint32_t>(hour << 11 | min << 5 | sec / 2);
  return date | time << 16;
}

std::string Field(std::string_view text, std::size_t width) {
  std::string field(text);
  field.resize(width, '\0');
  return field;
}

TEST_F(MsgDirAreaTest, CreatedMessageIsLaidOutByteForByte) {
  auto base = OpenArea();
  ASSERT_TRUE(base->CreateMsg());
  base->SetMailType(kMailTypeNetmail);
  base->SetFrom("Alice Sender");
  base->SetTo("Bob Receiver");
  base->SetSubj("Test subject");
  base->SetDateWritten(Date(5, 3, 2001, 7, 8, 9));
  base->SetDateArrived(Date(6, 3, 2001, 10, 20, 30));
  base->SetOrigDestAddr({1, 2, 3, 4}, {2, 5020, 1, 7}, true);
  base->SetTextPos(0);
  base->TruncateText();
  base->PutTextLine("\x01MSGID: 1:2/3.4 12345678");
  base->PutTextLine("Hello");
  base->SetAttr(AttrPrivate, true);
  base->SetAttr(AttrLocal, true);
  base->SetAttr(AttrFileRequest, true);
  ASSERT_TRUE(base->WriteMsg());
  ASSERT_TRUE(base->CloseMsg());

  std::string expected = Field("Alice Sender", 36) + Field("Bob Receiver", 36) +
                         Field("Test subject", 72) + Field("05 Mar 01  07:08:09", 20);
  expected.resize(msgdir::kMsgHeaderSize, '\0');
  PutLe16(expected, 166, 1);     // destination node
  PutLe16(expected, 168, 3);     // origin node
  PutLe16(expected, 172, 2);     // origin net
  PutLe16(expected, 174, 5020);  // destination net
  PutLe32(expected, 176, Packed(5, 3, 2001, 7, 8, 9));
  PutLe32(expected, 180, Packed(6, 3, 2001, 10, 20, 30));
  PutLe16(expected, 186, 0x0001 | 0x0100 | 0x0800);
  expected +=
      "\x01MSGID: 1:2/3.4 12345678\r\x01"
      "FLAGS PVT FRQ\rHello\r";
  expected.push_back('\0');
  EXPECT_EQ(ReadMessage(1), expected);

  // And it reads back the same.
  base->SetMsgNum(1);
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_EQ(base->GetFrom(), "Alice Sender");
  EXPECT_EQ(base->GetSubj(), "Test subject");
  FidoAddress orig, dest;
  base->GetOrigDestAddr(orig, dest);
  EXPECT_EQ(orig, (FidoAddress{1, 2, 3, 4}));  // from the MSGID line
  EXPECT_EQ(dest, (FidoAddress{2, 5020, 1, 0}));
  MsgDateTime arrived;
  base->GetDateArrived(arrived);
  EXPECT_EQ(arrived, Date(6, 3, 2001, 10, 20, 30));
  EXPECT_TRUE(base->GetAttr(AttrFileRequest));
}

TEST_F(MsgDirAreaTest, TextEndsAtTheClosingZeroOnlyWhenThereIsOne) {
  const std::string header(msgdir::kMsgHeaderSize, 'H');
  const struct {
    std::string after_header;
    std::string text;
  } cases[] = {
      {"", ""},
      {std::string(1, '\0'), ""},
      {std::string("abc\r\0", 5), "abc\r"},
      {"abc\r", "abc\r"},  // no closing zero: the whole text stays
      {std::string("abc\0\0\0", 6), std::string("abc\0\0", 5)},
  };
  auto base = OpenArea();
  for (const auto& c : cases) {
    WriteMessage(1, header + c.after_header);
    ASSERT_TRUE(base->OpenMsgBase(Area()));
    base->SetMsgNum(1);
    ASSERT_TRUE(base->OpenMsg());
    EXPECT_EQ(TextOf(*base), c.text);
    EXPECT_EQ(base->GetFrom(), std::string(kNameWidth, 'H'));  // no zero in the field
    EXPECT_EQ(base->GetSubj(), std::string(kSubjectWidth, 'H'));
  }
}

TEST_F(MsgDirAreaTest, FileShorterThanTheHeaderReadsAsZerosAndCanBeRewritten) {
  WriteMessage(1, std::string(100, 'A'));
  auto base = OpenArea();
  base->SetMsgNum(1);
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_EQ(base->GetFrom(), "");
  EXPECT_EQ(TextOf(*base), "");
  base->SetFrom("Fixed");
  ASSERT_TRUE(base->WriteMsg());
  EXPECT_EQ(ReadMessage(1).size(), msgdir::kMsgHeaderSize + 1);
  EXPECT_EQ(DecodeMsgFile(ReadMessage(1))->from, "Fixed");
}

TEST_F(MsgDirAreaTest, MessageOfSeveralMegabytesKeepsEveryByte) {
  std::string text;
  for (int i = 0; text.size() < 5'000'000; ++i)
    text += "line " + std::to_string(i) + "\r";
  MsgFile file;
  file.from = "Big";
  file.text = text;
  WriteMessage(1, EncodeMsgFile(file));
  auto base = OpenArea();
  base->SetMsgNum(1);
  ASSERT_TRUE(base->OpenMsg());
  EXPECT_EQ(base->GetTextSize(), static_cast<std::int32_t>(text.size()));
  EXPECT_TRUE(TextOf(*base) == text);
  base->SetSubj("still whole");
  ASSERT_TRUE(base->WriteMsg());
  const std::string stored = ReadMessage(1);
  EXPECT_EQ(stored.size(), msgdir::kMsgHeaderSize + text.size() + 1);
  EXPECT_TRUE(DecodeMsgFile(stored)->text == text);
}

TEST_F(MsgDirAreaTest, OpenMsgHeaderReadsOnlyTheLeadingKludgesAndNeverCutsTheBody) {
  MsgFile file;
  file.subject = "Header only";
  file.times_read = 3;
  const std::string long_kludge = "\x01X" + std::string(20000, 'k');
  file.text =
      "\x01INTL 2:5020/1 1:2/3\r\n\x01"
      "FMPT 4\r" +
      long_kludge + "\rBody line\r\x01NOTME 1\rMore body\r";
  const std::string stored = EncodeMsgFile(file);
  WriteMessage(1, stored);
  auto base = OpenArea();
  base->SetMsgNum(1);
  ASSERT_TRUE(base->OpenMsgHeader());
  EXPECT_EQ(TextOf(*base),
            "\x01INTL 2:5020/1 1:2/3\r\x01"
            "FMPT 4\r" +
                long_kludge.substr(0, LineBufferSize - 1) + "\r");
  EXPECT_EQ(base->GetSubj(), "Header only");
  MsgDirBase other;  // the file stays open, exclusively
  ASSERT_TRUE(other.OpenMsgBase(Area()));
  other.SetMsgNum(1);
  EXPECT_FALSE(other.OpenMsg());
  EXPECT_EQ(other.GetLastError(), msgdir::kErrorCannotOpen);
  FidoAddress orig;
  base->GetOrigAddr(orig);
  EXPECT_EQ(orig, (FidoAddress{1, 2, 3, 4}));

  // Writing the message back would lose its body: refused, the file stays.
  base->SetSubj("Changed");
  EXPECT_FALSE(base->WriteMsg());
  EXPECT_EQ(ReadMessage(1), stored);
  // The header alone can be stored; the file is still open for it.
  ASSERT_TRUE(base->RewriteHeader());
  const std::optional<MsgFile> after = DecodeMsgFile(ReadMessage(1));
  EXPECT_EQ(after->subject, "Changed");
  EXPECT_EQ(after->times_read, 3);
  EXPECT_EQ(after->text, file.text);
}

TEST_F(MsgDirAreaTest, NothingReachesTheFileBeforeWriteMsgAndWritesReplaceTheWholeText) {
  MsgFile file;
  file.from = "Original";
  file.times_read = 2;
  file.cost = 40;
  file.reply_to = 11;
  file.next_reply = 12;
  file.attribute = 0x0400;  // a bit no attribute code maps to
  file.text = "A long original text that will be shortened\r";
  const std::string stored = EncodeMsgFile(file);
  WriteMessage(1, stored);
  auto base = OpenArea();
  base->SetMsgNum(1);
  ASSERT_TRUE(base->OpenMsg());
  base->SetSubj("Not stored");
  ASSERT_TRUE(base->CloseMsg());
  EXPECT_EQ(ReadMessage(1), stored);
  EXPECT_FALSE(base->CloseMsg());
  EXPECT_EQ(base->GetLastError(), msgdir::kErrorNotOpen);

  ASSERT_TRUE(base->OpenMsg());
  base->SetTextPos(0);
  base->TruncateText();
  base->PutTextLine("Short");
  base->SetAttr(AttrSent, true);
  ASSERT_TRUE(base->WriteMsg());
  const std::optional<MsgFile> after = DecodeMsgFile(ReadMessage(1));
  EXPECT_EQ(ReadMessage(1).size(), msgdir::kMsgHeaderSize + after->text.size() + 1);
  EXPECT_EQ(after->text,
            "Short\r\x01"
            "FLAGS SNT\r");  // no kludge run: added at the end
  EXPECT_EQ(after->attribute, 0x0408);
  EXPECT_EQ(after->times_read, 2);
  EXPECT_EQ(after->cost, 40);
  EXPECT_EQ(after->reply_to, 11);
  EXPECT_EQ(after->next_reply, 12);
}

TEST_F(MsgDirAreaTest, LongNamesAndSubjectsAreCutWithoutTouchingOtherFields) {
  auto base = OpenArea();
  ASSERT_TRUE(base->CreateMsg());
  base->SetTo("Recipient");
  base->SetFrom(std::string(50, 'F'));
  base->SetSubj(std::string(100, 'S'));
  base->SetDateWritten(Date(1, 2, 2003, 4, 5, 6));
  ASSERT_TRUE(base->WriteMsg());
  const std::string bytes = ReadMessage(1);
  EXPECT_EQ(bytes.substr(0, 36), std::string(35, 'F') + '\0');
  EXPECT_EQ(bytes.substr(72, 72), std::string(71, 'S') + '\0');
  EXPECT_EQ(base->GetTo(), "Recipient");
  EXPECT_EQ(DecodeMsgFile(bytes)->date_text, "01 Feb 03  04:05:06");
}

TEST_F(MsgDirAreaTest, OpenFailsWithItsCodeForUnknownAndUnreadableMessages) {
  WriteMessage(1, "x");
  WriteMessage(2, "x");
  auto base = OpenArea();
  base->SetMsgNum(3);
  EXPECT_FALSE(base->OpenMsg());
  EXPECT_EQ(base->GetLastError(), msgdir::kErrorNoSuchMessage);
  EXPECT_FALSE(base->OpenMsgHeader());
  EXPECT_EQ(base->GetLastError(), msgdir::kErrorNoSuchMessage);

  // Read-only: opened for reading only, so it is read but never written or
  // deleted. Too large for 32-bit positions: not opened at all.
  WriteMessage(4, std::string(msgdir::kMsgHeaderSize + 1, '\0'));
  const std::string read_only = dir_.Path("area/" + *FindFile("4.msg"));
  std::filesystem::permissions(read_only, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  WriteMessage(5, "x");
  std::filesystem::resize_file(dir_.Path("area/" + *FindFile("5.msg")), 3'000'000'000);
  ASSERT_TRUE(base->OpenMsgBase(Area()));
  base->SetMsgNum(4);
  ASSERT_TRUE(base->OpenMsg());
  base->SetSubj("changed");
  EXPECT_FALSE(base->RewriteHeader());
  EXPECT_FALSE(base->WriteMsg());
  base->CloseMsg();
  EXPECT_EQ(std::filesystem::file_size(read_only), msgdir::kMsgHeaderSize + 1);
  base->SetMsgNum(5);
  EXPECT_FALSE(base->OpenMsg());
  EXPECT_EQ(base->GetLastError(), msgdir::kErrorCannotOpen);
  EXPECT_FALSE(base->OpenMsgHeader());
  EXPECT_EQ(base->GetTextStream(), nullptr);
  base->SetMsgNum(4);
  EXPECT_FALSE(base->KillMsg());
  EXPECT_TRUE(base->MsgExists(4));
  std::filesystem::remove(dir_.Path("area/" + *FindFile("5.msg")));

  // Replaced by a directory after the scan; gone after the scan.
  const std::string name = *FindFile("1.msg");
  std::filesystem::remove(dir_.Path("area/" + name));
  dir_.MakeDir("area/" + name);
  std::filesystem::remove(dir_.Path("area/" + *FindFile("2.msg")));
  for (std::int32_t n : {1, 2}) {
    base->SetMsgNum(n);
    EXPECT_FALSE(base->OpenMsg());
    EXPECT_EQ(base->GetLastError(), msgdir::kErrorCannotOpen);
    EXPECT_FALSE(base->OpenMsgHeader());
    EXPECT_EQ(base->GetTextStream(), nullptr);
  }
}

// A file whose writes fail after the first `good_writes` (a full disk).
class FailingWrites : public MemStream {
 public:
  explicit FailingWrites(int good_writes) : good_writes_(good_writes) {}
  void Write(const void* buffer, std::uint16_t count) override {
    if (good_writes_-- > 0) return MemStream::Write(buffer, count);
    SetStatus(StWriteError);
  }
  void Reset() override { SetStatus(StOk); }

 private:
  int good_writes_;
};

void FileWritesSucceed(int good_writes) {
  NewFile = [good_writes](const std::string&, std::uint32_t) -> std::unique_ptr<BaseStream> {
    return std::make_unique<FailingWrites>(good_writes);
  };
}

TEST_F(MsgDirAreaTest, FailedWritesAreReported) {
  auto base = OpenArea();
  // Header, text, closing zero: whichever write fails, the message is not stored.
  for (int good_writes : {0, 1, 2}) {
    FileWritesSucceed(good_writes);
    ASSERT_TRUE(base->CreateMsg());
    base->PutTextLine("Some text");
    EXPECT_FALSE(base->WriteMsg()) << good_writes;
  }
  FileWritesSucceed(3);
  ASSERT_TRUE(base->CreateMsg());
  base->PutTextLine("Some text");
  EXPECT_TRUE(base->WriteMsg());
  EXPECT_FALSE(base->RewriteHeader());
  FileWritesSucceed(1);
  ASSERT_TRUE(base->CreateMsg());
  EXPECT_TRUE(base->RewriteHeader());
  EXPECT_FALSE(base->RewriteHeader());
  InstallStreamFactories();
}

// A file whose changes stop after the first `kept` (a run killed there):
// later writes and truncations never happen. What it held is saved when it
// is closed.
class CutOffWrites : public MemStream {
 public:
  CutOffWrites(int kept, std::string& saved, int& attempted)
      : kept_(kept), saved_(saved), attempted_(attempted) {}
  ~CutOffWrites() override {
    saved_.assign(static_cast<std::size_t>(GetSize()), '\0');
    Seek(0);
    for (std::size_t at = 0; at < saved_.size(); at += 0x8000) {
      const std::size_t n = std::min<std::size_t>(0x8000, saved_.size() - at);
      MemStream::Read(saved_.data() + at, static_cast<std::uint16_t>(n));
    }
  }
  void Write(const void* buffer, std::uint16_t count) override {
    if (Allowed()) MemStream::Write(buffer, count);
  }
  void Truncate() override {
    if (Allowed()) MemStream::Truncate();
  }
  void Reset() override { SetStatus(StOk); }

 private:
  bool Allowed() { return ++attempted_ <= kept_; }
  int kept_;
  std::string& saved_;
  int& attempted_;
};

TEST_F(MsgDirAreaTest, AWriteCutOffAnywhereNeverShowsAHeaderOverACutText) {
  auto base = OpenArea();
  const std::string text = "\x01MSGID: 1:2/3 12345678\r" + std::string(70000, 'b') + "\r";
  std::string complete;
  for (int kept = 0;; ++kept) {
    std::string saved;
    int attempted = 0;
    NewFile = [&](const std::string&, std::uint32_t) -> std::unique_ptr<BaseStream> {
      return std::make_unique<CutOffWrites>(kept, saved, attempted);
    };
    ASSERT_TRUE(base->CreateMsg());
    base->SetFrom("Sender");
    base->SetTo("Receiver");
    base->SetSubj("Subject");
    for (std::size_t at = 0; at < text.size(); at += 0x8000) {
      const std::string piece = text.substr(at, 0x8000);
      base->WriteTextBlock(piece.data(), static_cast<std::uint16_t>(piece.size()));
    }
    base->WriteMsg();
    base->CloseMsg();
    if (attempted <= kept) {  // nothing was cut off: the whole message
      complete = saved;
      break;
    }
    const std::string header = saved.substr(0, std::min(saved.size(), msgdir::kMsgHeaderSize));
    EXPECT_EQ(header, std::string(header.size(), '\0'))
        << "cut off after " << kept << " writes: a header over a text of "
        << saved.size() - header.size() << " bytes";
  }
  EXPECT_EQ(complete.size(), msgdir::kMsgHeaderSize + text.size() + 1);
  EXPECT_EQ(complete.substr(0, 6), "Sender");
  InstallStreamFactories();
}

}  // namespace
}  // namespace kestrel::testing

namespace kestrel::testing {
namespace {

// Random files, heavy in the bytes that matter (0, CR, LF, 01h): every read
// stays inside the file, the text is exactly the bytes after the header less
// a closing zero, and the header reader keeps only whole leading kludges.
TEST_F(MsgDirAreaTest, RandomFilesReadAsTheirBytesSay) {
  std::mt19937 random(99);
  const char interesting[] = {'\0', '\r', '\n', '\x01', 'A', ' ', ':', '/', '7'};
  auto base = OpenArea();
  for (int round = 0; round < 150; ++round) {
    std::string bytes(random() % 700, '\0');
    for (char& c : bytes) {
      c = random() % 3 != 0 ? interesting[random() % sizeof interesting]
                            : static_cast<char>(random());
    }
    WriteMessage(1, bytes);
    ASSERT_TRUE(base->OpenMsgBase(Area()));
    base->SetMsgNum(1);
    ASSERT_TRUE(base->OpenMsg());
    std::string expected =
        bytes.size() > msgdir::kMsgHeaderSize ? bytes.substr(msgdir::kMsgHeaderSize) : "";
    if (!expected.empty() && expected.back() == '\0') expected.pop_back();
    EXPECT_EQ(TextOf(*base), expected) << round;
    EXPECT_LE(base->GetFrom().size(), kNameWidth);
    EXPECT_LE(base->GetSubj().size(), kSubjectWidth);
    FidoAddress orig, dest;
    base->GetOrigDestAddr(orig, dest);
    EXPECT_NE(orig.zone, 0);
    MsgDateTime dt;
    base->GetDateWritten(dt);
    base->GetDateArrived(dt);

    ASSERT_TRUE(base->OpenMsgHeader());
    for (const std::string& line : SplitTextLines(TextOf(*base))) {
      EXPECT_EQ(line[0], '\x01') << round;
      EXPECT_EQ(line.find('\0'), std::string::npos) << round;
    }
    ASSERT_TRUE(base->CloseMsg());
  }
}

}  // namespace
}  // namespace kestrel::testing
