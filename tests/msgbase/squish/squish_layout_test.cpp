// Byte-exact layout of the Squish files: whole .SQD, .SQI and .SQL files
// after create, write, kill, frame reuse and rewrites, compared with bytes
// built from the layout tables; the structure check after every step.
#include <gtest/gtest.h>

#include <string>

#include "tests/msgbase/squish/squish_expected.h"
#include "tests/msgbase/squish/squish_fixture.h"

namespace kestrel::testing {
namespace {

constexpr ExpectedAddress kOrigin{2, 5020, 1, 0};

// Message i of the tests: a MSGID kludge and one body line.
TestMessage Numbered(int i, const std::string& body = "") {
  TestMessage m;
  m.to = i % 2 == 0 ? "Carol" : "Bob";
  m.subject = "Subject " + std::to_string(i);
  m.text = "\x01MSGID: 2:5020/1 0000000" + std::to_string(i) + "\r" +
           (body.empty() ? "Body " + std::to_string(i) + "\r" : body);
  return m;
}

std::string ControlOf(const TestMessage& m) {
  return m.text.substr(0, m.text.find('\r')) + std::string(1, '\0');
}

std::string BodyOf(const TestMessage& m) {
  return m.text.substr(m.text.find('\r') + 1);
}

ExpectedMessageHeader HeaderOf(const TestMessage& m, std::uint32_t uid) {
  ExpectedMessageHeader h;
  h.from = m.from;
  h.to = m.to;
  h.subject = m.subject;
  h.orig = kOrigin;
  h.written_date = kWrittenDate;
  h.written_time = kWrittenTime;
  h.arrived_date = kArrivedDate;
  h.arrived_time = kArrivedTime;
  h.unique_id = uid;
  h.date_text = kWrittenText;
  return h;
}

std::uint32_t FrameSize(const TestMessage& m) {
  return static_cast<std::uint32_t>(28 + 238 + ControlOf(m).size() + BodyOf(m).size() + 1);
}

std::string Frame(const TestMessage& m, std::uint32_t uid, std::uint32_t next, std::uint32_t prev) {
  return ExpectedMessageFrame(next, prev, HeaderOf(m, uid), ControlOf(m), BodyOf(m));
}

// The same frame header, freed: type 1 with the given links.
std::string Freed(std::string frame, std::uint32_t next, std::uint32_t prev) {
  PutLe32(frame, 4, next);
  PutLe32(frame, 8, prev);
  PutLe16(frame, 24, 1);
  return frame;
}

std::uint32_t HashOf(const TestMessage& m) {
  return m.to == "Bob" ? 0x6952 : 0x69895C;  // computed by hand from the hash rule
}

class SquishLayoutTest : public SquishFixture {
 protected:
  // Three numbered messages; their frames lie one after the other.
  void AddThree(SquishBase& base) {
    for (int i = 1; i <= 3; ++i)
      ASSERT_EQ(Add(base, m_[i]), static_cast<std::uint32_t>(i));
  }
  std::uint32_t Offset(int i) const {
    std::uint32_t offset = 256;
    for (int k = 1; k < i; ++k)
      offset += FrameSize(m_[k]);
    return offset;
  }
  ExpectedBaseHeader Header(std::uint32_t count, std::uint32_t next_uid) const {
    ExpectedBaseHeader h;
    h.base_name = Base();
    h.num_messages = count;
    h.high_message = count;
    h.next_unique_id = next_uid;
    h.updating = true;  // the tests look at the files while the base is open
    return h;
  }

  TestMessage m_[4] = {TestMessage(), Numbered(1), Numbered(2), Numbered(3)};
};

TEST_F(SquishLayoutTest, CreateWritesTheNewHeaderAndAnEmptyIndex) {
  const std::string base_path = dir_.Path("Mail/Area/NETMAIL");
  SquishBase base;
  ASSERT_TRUE(base.CreateMsgBase(base_path));
  EXPECT_EQ(base.GetBasePath(), base_path + ".");
  base.CloseMsgBase();

  // The directories are made (their names' case is the file layer's).
  ExpectedBaseHeader header;
  header.base_name = base_path;
  const std::string area = FindAnyCase(FindAnyCase(dir_.Path("mail")) + "/area");
  ASSERT_NE(area, "");
  EXPECT_EQ(ReadAnyCase(area + "/netmail.sqd"), header.Bytes());
  ASSERT_NE(FindAnyCase(area + "/netmail.sqi"), "");
  EXPECT_EQ(ReadAnyCase(area + "/netmail.sqi"), "");
  EXPECT_EQ(FindAnyCase(area + "/netmail.sql"), "");

  // A path with its final full stop names the same files.
  SquishBase again;
  ASSERT_TRUE(again.OpenMsgBase(base_path + "."));
  EXPECT_EQ(again.GetBasePath(), base_path + ".");
  EXPECT_EQ(again.GetHighMsgNum(), 0);
  EXPECT_EQ(again.GetMsgCount(), 0);
  again.SeekFirst(1);
  EXPECT_FALSE(again.SeekFound());
}

TEST_F(SquishLayoutTest, BaseNameIsCutTo79Characters) {
  const std::string base_path = dir_.Path(std::string(90, 'n'));
  SquishBase base;
  ASSERT_TRUE(base.CreateMsgBase(base_path));
  base.CloseMsgBase();
  ExpectedBaseHeader header;
  header.base_name = base_path.substr(0, 79);
  EXPECT_EQ(ReadAnyCase(base_path + ".sqd"), header.Bytes());
}

TEST_F(SquishLayoutTest, FirstMessageGoesAfterTheBaseHeader) {
  auto base = CreateBase();
  ASSERT_EQ(Add(*base, m_[1]), 1u);
  ExpectedBaseHeader header = Header(1, 2);
  header.first_message = header.last_message = 256;
  header.end_of_data = 256 + FrameSize(m_[1]);
  EXPECT_EQ(Sqd(), header.Bytes() + Frame(m_[1], 1, 0, 0));
  EXPECT_EQ(Sqi(), ExpectedIndexRecord(256, 1, HashOf(m_[1])));
  ExpectSound();
  base->CloseMsgBase();
  header.updating = false;  // closing takes the mark out
  EXPECT_EQ(Sqd(), header.Bytes() + Frame(m_[1], 1, 0, 0));
}

TEST_F(SquishLayoutTest, MessagesAreChainedInCreationOrder) {
  auto base = CreateBase();
  AddThree(*base);
  ExpectedBaseHeader header = Header(3, 4);
  header.first_message = Offset(1);
  header.last_message = Offset(3);
  header.end_of_data = Offset(4);
  EXPECT_EQ(Sqd(), header.Bytes() + Frame(m_[1], 1, Offset(2), 0) +
                       Frame(m_[2], 2, Offset(3), Offset(1)) + Frame(m_[3], 3, 0, Offset(2)));
  EXPECT_EQ(Sqi(), ExpectedIndexRecord(Offset(1), 1, HashOf(m_[1])) +
                       ExpectedIndexRecord(Offset(2), 2, HashOf(m_[2])) +
                       ExpectedIndexRecord(Offset(3), 3, HashOf(m_[3])));
  ExpectSound();
}

TEST_F(SquishLayoutTest, KilledFramesJoinTheFreeChainInOrder) {
  auto base = CreateBase();
  AddThree(*base);

  // The middle message: its neighbours are joined, its record goes.
  base->SeekFirst(2);
  ASSERT_TRUE(base->KillMsg());
  ExpectedBaseHeader header = Header(2, 4);
  header.first_message = Offset(1);
  header.last_message = Offset(3);
  header.first_free = header.last_free = Offset(2);
  header.end_of_data = Offset(4);
  EXPECT_EQ(Sqd(), header.Bytes() + Frame(m_[1], 1, Offset(3), 0) +
                       Freed(Frame(m_[2], 2, 0, 0), 0, 0) + Frame(m_[3], 3, 0, Offset(1)));
  EXPECT_EQ(Sqi(), ExpectedIndexRecord(Offset(1), 1, HashOf(m_[1])) +
                       ExpectedIndexRecord(Offset(3), 3, HashOf(m_[3])));
  ExpectSound();

  // The first message: the head moves on, the frame goes to the free tail.
  base->SeekFirst(1);
  ASSERT_TRUE(base->KillMsg());
  header = Header(1, 4);
  header.first_message = header.last_message = Offset(3);
  header.first_free = Offset(2);
  header.last_free = Offset(1);
  header.end_of_data = Offset(4);
  EXPECT_EQ(Sqd(), header.Bytes() + Freed(Frame(m_[1], 1, 0, 0), 0, Offset(2)) +
                       Freed(Frame(m_[2], 2, 0, 0), Offset(1), 0) + Frame(m_[3], 3, 0, 0));
  EXPECT_EQ(Sqi(), ExpectedIndexRecord(Offset(3), 3, HashOf(m_[3])));
  ExpectSound();

  // The last one: both chains' ends change; the next unique id stays.
  base->SeekFirst(3);
  ASSERT_TRUE(base->KillMsg());
  header = Header(0, 4);
  header.first_free = Offset(2);
  header.last_free = Offset(3);
  header.end_of_data = Offset(4);
  EXPECT_EQ(Sqd(), header.Bytes() + Freed(Frame(m_[1], 1, 0, 0), Offset(3), Offset(2)) +
                       Freed(Frame(m_[2], 2, 0, 0), Offset(1), 0) +
                       Freed(Frame(m_[3], 3, 0, 0), 0, Offset(1)));
  EXPECT_EQ(Sqi(), "");
  ExpectSound();
  EXPECT_EQ(base->GetHighMsgNum(), 3);
  EXPECT_EQ(base->GetMsgCount(), 0);
}

TEST_F(SquishLayoutTest, NewMessageTakesTheFirstFreeFrameThatFits) {
  // Message 1 is short, message 2 long: after both are killed the free
  // chain is 1 then 2; a message too long for frame 1 but short enough for
  // frame 2 goes into frame 2, keeping its frame length and spare bytes.
  m_[2] = Numbered(2, std::string(400, 'x') + "\r");
  auto base = CreateBase();
  AddThree(*base);
  base->SeekFirst(1);
  ASSERT_TRUE(base->KillMsg());
  base->SeekFirst(2);
  ASSERT_TRUE(base->KillMsg());
  const std::string before = Sqd();

  TestMessage reuse = Numbered(4, std::string(300, 'y') + "\r");
  ASSERT_GT(FrameSize(reuse), FrameSize(m_[1]));
  ASSERT_LT(FrameSize(reuse), FrameSize(m_[2]));
  ASSERT_EQ(Add(*base, reuse), 4u);

  ExpectedBaseHeader header = Header(2, 5);
  header.first_message = Offset(3);
  header.last_message = Offset(2);
  header.first_free = header.last_free = Offset(1);
  header.end_of_data = Offset(4);  // nothing appended
  std::string frame2 = ExpectedMessageFrame(0, Offset(3), HeaderOf(reuse, 4), ControlOf(reuse),
                                            BodyOf(reuse), FrameSize(m_[2]) - 28);
  // The spare room keeps the bytes of the message that had the frame.
  const std::size_t used = FrameSize(reuse);
  frame2.replace(used, frame2.size() - used, before.substr(Offset(2) + used, frame2.size() - used));
  EXPECT_EQ(Sqd(), header.Bytes() + Freed(Frame(m_[1], 1, 0, 0), 0, 0) + frame2 +
                       Frame(m_[3], 3, Offset(2), 0));
  EXPECT_EQ(Sqi(), ExpectedIndexRecord(Offset(3), 3, HashOf(m_[3])) +
                       ExpectedIndexRecord(Offset(2), 4, HashOf(reuse)));
  ExpectSound();
  EXPECT_EQ(Read(*base, 4), reuse.text);
}

TEST_F(SquishLayoutTest, ShorterRewriteStaysInItsFrame) {
  auto base = CreateBase();
  AddThree(*base);
  const std::string before = Sqd();
  const std::string index_before = Sqi();

  ASSERT_EQ(Read(*base, 2), m_[2].text);
  base->SetTextPos(0);
  base->TruncateText();
  base->PutTextLine("\x01MSGID: 2:5020/1 00000002");
  base->PutTextLine("B");
  ASSERT_TRUE(base->WriteMsg());

  TestMessage shorter = m_[2];
  shorter.text = "\x01MSGID: 2:5020/1 00000002\rB\r";
  std::string frame2 =
      ExpectedMessageFrame(Offset(3), Offset(1), HeaderOf(shorter, 2), ControlOf(shorter),
                           BodyOf(shorter), FrameSize(m_[2]) - 28);
  const std::size_t used = FrameSize(shorter);
  frame2.replace(used, frame2.size() - used, before.substr(Offset(2) + used, frame2.size() - used));
  EXPECT_EQ(Sqd(), before.substr(0, Offset(2)) + frame2 + before.substr(Offset(3)));
  EXPECT_EQ(Sqi(), index_before);
  ExpectSound();
  EXPECT_EQ(Read(*base, 2), shorter.text);
}

TEST_F(SquishLayoutTest, LongerRewriteMovesToTheEndAndKeepsItsPlaceInTheChain) {
  auto base = CreateBase();
  AddThree(*base);

  TestMessage longer = m_[2];
  longer.text = m_[2].text + "A second line, which does not fit.\r";
  ASSERT_EQ(Read(*base, 2), m_[2].text);
  base->SetTextPos(base->GetTextSize());
  base->PutTextLine("A second line, which does not fit.");
  ASSERT_TRUE(base->WriteMsg());

  const std::uint32_t moved = Offset(4);
  ExpectedBaseHeader header = Header(3, 4);
  header.first_message = Offset(1);
  header.last_message = Offset(3);
  header.first_free = header.last_free = Offset(2);
  header.end_of_data = moved + FrameSize(longer);
  EXPECT_EQ(Sqd(), header.Bytes() + Frame(m_[1], 1, moved, 0) + Freed(Frame(m_[2], 2, 0, 0), 0, 0) +
                       Frame(m_[3], 3, 0, moved) + Frame(longer, 2, Offset(3), Offset(1)));
  EXPECT_EQ(Sqi(), ExpectedIndexRecord(Offset(1), 1, HashOf(m_[1])) +
                       ExpectedIndexRecord(moved, 2, HashOf(longer)) +
                       ExpectedIndexRecord(Offset(3), 3, HashOf(m_[3])));
  ExpectSound();
  EXPECT_EQ(Scan(*base), (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(Read(*base, 2), longer.text);
}

TEST_F(SquishLayoutTest, LongerRewriteMovesIntoAFreeFrame) {
  m_[1] = Numbered(1, std::string(500, 'z') + "\r");
  auto base = CreateBase();
  AddThree(*base);
  base->SeekFirst(1);
  ASSERT_TRUE(base->KillMsg());
  const std::string before = Sqd();

  ASSERT_EQ(Read(*base, 3), m_[3].text);
  base->SetTextPos(base->GetTextSize());
  base->PutTextLine("More text for message three.");
  ASSERT_TRUE(base->WriteMsg());

  TestMessage longer = m_[3];
  longer.text += "More text for message three.\r";
  ExpectedBaseHeader header = Header(2, 4);
  header.first_message = Offset(2);
  header.last_message = Offset(1);
  header.first_free = header.last_free = Offset(3);
  header.end_of_data = Offset(4);
  std::string frame1 = ExpectedMessageFrame(0, Offset(2), HeaderOf(longer, 3), ControlOf(longer),
                                            BodyOf(longer), FrameSize(m_[1]) - 28);
  const std::size_t used = FrameSize(longer);
  frame1.replace(used, frame1.size() - used, before.substr(Offset(1) + used, frame1.size() - used));
  EXPECT_EQ(Sqd(), header.Bytes() + frame1 + Frame(m_[2], 2, Offset(1), 0) +
                       Freed(Frame(m_[3], 3, 0, 0), 0, 0));
  EXPECT_EQ(Sqi(), ExpectedIndexRecord(Offset(2), 2, HashOf(m_[2])) +
                       ExpectedIndexRecord(Offset(1), 3, HashOf(longer)));
  ExpectSound();
}

TEST_F(SquishLayoutTest, RewriteHeaderWritesOnlyTheMessageHeader) {
  auto base = CreateBase();
  AddThree(*base);
  const std::string before = Sqd();
  ASSERT_EQ(Read(*base, 2), m_[2].text);
  base->SetAttr(AttrReceived, true);
  base->SetSubj("Changed");
  // Address kludges changed in the text are not carried into the header.
  base->SetKludge("\x01MSGID:", "\x01MSGID: 3:3/3 00000002");
  ASSERT_TRUE(base->RewriteHeader());

  ExpectedMessageHeader header = HeaderOf(m_[2], 2);
  header.attributes |= 0x0004;
  header.subject = "Changed";
  std::string expected = before;
  expected.replace(Offset(2) + 28, 238, header.Bytes());
  EXPECT_EQ(Sqd(), expected);
  ExpectSound();
}

TEST_F(SquishLayoutTest, LastReadEntriesSitAtFourTimesTheUserNumber) {
  auto base = CreateBase();
  EXPECT_EQ(base->GetLastRead(0), 0);  // no file yet
  EXPECT_FALSE(HasFile("netmail.sql"));
  base->SetLastRead(0, 5);
  base->SetLastRead(2, 0x01020304);
  std::string expected(12, '\0');
  PutLe32(expected, 0, 5);
  PutLe32(expected, 8, 0x01020304);
  EXPECT_EQ(Sql(), expected);
  EXPECT_EQ(base->GetLastRead(0), 5);
  EXPECT_EQ(base->GetLastRead(1), 0);
  EXPECT_EQ(base->GetLastRead(2), 0x01020304);
  EXPECT_EQ(base->GetLastRead(3), 0);  // beyond the file

  base->SetLastRead(0, -1);
  PutLe32(expected, 0, 0xFFFFFFFF);
  EXPECT_EQ(Sql(), expected);
  EXPECT_EQ(base->GetLastRead(0), -1);

  // User numbers no file position reaches are refused, not wrapped.
  base->SetLastRead(-1, 7);
  base->SetLastRead(0x7FFFFFFF, 7);
  EXPECT_EQ(Sql(), expected);
  EXPECT_EQ(base->GetLastRead(-1), 0);
}

TEST_F(SquishLayoutTest, LastReadOnAShortFileIsZeroUntilTheEntryExists) {
  auto base = CreateBase();
  std::string eight(8, '\0');
  PutLe32(eight, 4, 77);
  dir_.WriteFile("netmail.SQL", eight);
  EXPECT_EQ(base->GetLastRead(1), 77);
  EXPECT_EQ(base->GetLastRead(2), 0);
  dir_.WriteFile("netmail.SQL", eight + std::string("\x09\0\0\0", 4));
  EXPECT_EQ(base->GetLastRead(2), 9);
}

TEST(SquishNameHashTest, MatchesValuesWorkedOutByHand) {
  EXPECT_EQ(squish::SquishNameHash(""), 0u);
  EXPECT_EQ(squish::SquishNameHash("Bob"), 0x6952u);
  EXPECT_EQ(squish::SquishNameHash("bOB"), 0x6952u);  // ASCII letters fold
  EXPECT_EQ(squish::SquishNameHash("Carol"), 0x69895Cu);
  // Long names keep the top bits they collect (or, not exclusive or).
  EXPECT_EQ(squish::SquishNameHash("Alexander Ivanovich Petrov"), 0x2FF000E6u);
  // Bytes above 7Fh count as unsigned and are not folded.
  EXPECT_EQ(squish::SquishNameHash("\x80\x81Sysop"), 0x88B0AE0u);
  EXPECT_EQ(ReferenceSquishHash("Alexander Ivanovich Petrov"), 0x2FF000E6u);
}

}  // namespace
}  // namespace kestrel::testing
