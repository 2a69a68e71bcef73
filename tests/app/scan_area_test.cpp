// The scan driver and the copier over in-memory areas: what is copied, moved,
// killed and left, the resume state across runs, and every failure.
#include "app/scan_area.h"

#include <gtest/gtest.h>

#include "app/config_parser.h"
#include "app/stored_msg_id.h"
#include "tests/app/fake_area.h"
#include "tests/app/recording_log.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

using testing::FakeArea;
using testing::FakeAreas;
using testing::FakeMessage;
using testing::RecordingLog;
using testing::TempDir;
using testing::TextOf;

constexpr std::int32_t kUser = 5;

class ScanAreaTest : public ::testing::Test {
 protected:
  // Areas are named "S" + path, so the stored MSGID is the file path.msgid.
  std::string Id(const std::string& name) const { return "S" + dir_.Path(name); }
  FakeArea& Area(const std::string& name) { return areas_.Area(dir_.Path(name)); }
  bool Exists(const std::string& name) const { return areas_.Exists(dir_.Path(name)); }
  std::string StoredMsgId(const std::string& name) const { return dir_.ReadFile(name + ".msgid"); }

  void Configure(std::initializer_list<std::string_view> lines) {
    config_ = MoverConfig{};
    ConfigProblems problems;
    for (std::string_view line : lines) {
      ApplyConfigLine(PrepareConfigLine(line), config_, problems);
    }
  }
  // Scans an area whose scan must complete.
  AreaScanResult Scan(const std::string& name = "net") {
    AreaScanResult result;
    const FatalOutcome fatal = ScanArea(Id(name), config_, log_, result);
    EXPECT_FALSE(fatal.has_value()) << fatal->message();
    return result;
  }
  // Scans an area whose scan must fail; the error it ends with.
  std::string ScanFailure(const std::string& name = "net") {
    AreaScanResult result;
    const FatalOutcome fatal = ScanArea(Id(name), config_, log_, result);
    if (!fatal) {
      ADD_FAILURE() << "the scan of " << name << " completed";
      return "";
    }
    return fatal->message();
  }

  static FakeMessage Message(std::string to, std::string msgid_serial) {
    FakeMessage message;
    message.from = "Sender";
    message.to = std::move(to);
    message.subj = "Subject";
    message.text = TextOf({"\x01MSGID: 2:5020/1 " + msgid_serial, "Body"});
    return message;
  }

  TempDir dir_;
  FakeAreas areas_;
  MoverConfig config_;
  RecordingLog log_;
};

TEST_F(ScanAreaTest, ACopyCarriesEveryFieldAndTheTextByteForByte) {
  FakeMessage source;
  source.from = "Ivan Petrov";
  source.to = "Sysop";
  source.subj = std::string("subject \x01\xFF", 10);
  source.written = {10, 11, 12, 0, 1, 2, 1999};
  source.arrived = {13, 14, 15, 0, 3, 4, 2026};
  source.attributes = 0xFFFF;
  source.text = TextOf({"\x01INTL 1:2/3 2:5020/100",
                        "\x01"
                        "FMPT 7",
                        "\x01MSGID: 2:5020/100.7 1234abcd", "Hello,\x8D\xA8!",
                        " * Origin: here (2:5020/100.7)"}) +
                std::string("\0tail", 5);
  Area("net").Add(source);
  const std::string dest = "S" + dir_.Path("dest");
  Configure({"PRIORITY TO", "UNSENT YES"});
  config_.ToRules.push_back({"SYSOP", dest});

  const AreaScanResult result = Scan();
  EXPECT_EQ(result.scannedCount, 1);
  EXPECT_EQ(result.foundCount, 1);
  ASSERT_TRUE(Exists("dest")) << "the destination is created on first use";
  const FakeArea& copied = Area("dest");
  ASSERT_EQ(copied.messages.size(), 1u);
  const FakeMessage& copy = copied.messages.begin()->second;
  EXPECT_EQ(copy.from, source.from);
  EXPECT_EQ(copy.to, source.to);
  EXPECT_EQ(copy.subj, source.subj);
  EXPECT_EQ(copy.written, source.written);
  EXPECT_EQ(copy.arrived, source.arrived);
  // Bits 0-14 without Sent (UNSENT); the scanned bit is not copied.
  EXPECT_EQ(copy.attributes, 0x7FFFu & ~AttrSent);
  EXPECT_EQ(copy.text, source.text);
  // Without MOVE the source stays as it was.
  EXPECT_EQ(Area("net").messages.size(), 1u);
  EXPECT_EQ(log_.With('+'),
            std::vector<std::string>{"Copy message to destination messagebase - " + dest});
  EXPECT_TRUE(log_.With('-').empty());
  EXPECT_EQ(log_.With('*'), std::vector<std::string>{"1 message(s) scanned"});
}

TEST_F(ScanAreaTest, MoveKillAndLeaveAlone) {
  FakeArea& net = Area("net");
  net.Add(Message("Sysop", "00000001"));
  net.Add(Message("Spammer", "00000002"));
  net.Add(Message("Nobody", "00000003"));
  net.Add(Message("Areafix", "00000004"));
  Configure({"PRIORITY NOT_TOUCH TO", "MOVE YES", "NOT_TOUCH AREA*", "TO SPAMMER,kill",
             "TO *O*,S" + dir_.Path("dest")});

  const AreaScanResult result = Scan();
  EXPECT_FALSE(result.nothingToScan);
  EXPECT_EQ(result.scannedCount, 4);
  EXPECT_EQ(result.foundCount, 3);  // Sysop and Nobody moved, Spammer killed
  ASSERT_EQ(net.messages.size(), 1u);
  EXPECT_EQ(net.messages.begin()->second.to, "Areafix");
  ASSERT_EQ(Area("dest").messages.size(), 2u);
  EXPECT_EQ(Area("dest").messages.at(1).to, "Sysop");
  EXPECT_EQ(Area("dest").messages.at(2).to, "Nobody");
  EXPECT_EQ(log_.With('-').size(), 3u);
  EXPECT_EQ(log_.With('+').size(), 2u);
  // The last message seen and left in place: Areafix, number 4.
  EXPECT_EQ(net.lastread.at(0), 4);
}

TEST_F(ScanAreaTest, LocalUnsentMailIsLeftAloneOnRequest) {
  FakeArea& net = Area("net");
  FakeMessage local_unsent = Message("Sysop", "00000001");
  local_unsent.attributes = AttrLocal;
  FakeMessage local_sent = Message("Sysop", "00000002");
  local_sent.attributes = AttrLocal | AttrSent;
  FakeMessage arrived = Message("Sysop", "00000003");
  net.Add(local_unsent);
  net.Add(local_sent);
  net.Add(arrived);
  Configure({"PRIORITY TO", "MOVE YES", "DON'T_TOUCH_LOCAL_AND_UNSENT_MAIL YES", "TO SYSOP,KILL"});
  EXPECT_EQ(Scan().foundCount, 2);
  ASSERT_EQ(net.messages.size(), 1u);
  EXPECT_EQ(net.messages.begin()->second.attributes, AttrLocal);
}

TEST_F(ScanAreaTest, AFailedCopyEndsTheRunAndKeepsTheSourceAndTheProgress) {
  struct Case {
    const char* name;
    void (*arrange)(FakeArea&);
    std::string expected;
  } cases[] = {
      {"write", [](FakeArea& dest) { dest.fail_write = true; },
       "Cannot write message. Wadda fuck?!"},
      {"create", [](FakeArea& dest) { dest.fail_create = true; },
       "Cannot create message: " + std::to_string(0x7777)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string area = std::string("net-") + c.name;
    FakeArea& net = Area(area);
    net.Add(Message("Nobody", "00000001"));
    net.Add(Message("Sysop", "00000002"));
    net.lastread[kUser] = 0;
    c.arrange(Area(std::string("dest-") + c.name));
    Configure({"PRIORITY TO", "MOVE YES", "USELASTREAD YES", "USERNUMBER 5"});
    config_.ToRules.push_back({"SYSOP", Id(std::string("dest-") + c.name)});

    EXPECT_EQ(ScanFailure(area), c.expected);
    EXPECT_EQ(net.messages.size(), 2u) << "the source message must still be there";
    EXPECT_TRUE(Area(std::string("dest-") + c.name).messages.empty());
    // The progress is kept: the resume state names the last message left in
    // place, so the next run sees the one whose copy failed again.
    EXPECT_EQ(net.lastread.at(kUser), 1);
    EXPECT_EQ(dir_.ReadFile(area + ".msgid"), "00000001");
    EXPECT_TRUE(log_.With('-').empty());
  }
}

TEST_F(ScanAreaTest, AreaAndMessageFailures) {
  Configure({"PRIORITY TO", "TO *,"});
  // An action without a destination.
  Area("net").Add(Message("Sysop", "00000001"));
  EXPECT_EQ(ScanFailure(), "unable to open destination messagebase - ");
  // A missing area.
  EXPECT_EQ(ScanFailure("missing"), "unable to open messagebase - " + Id("missing"));
  // A message that cannot be opened.
  Configure({"PRIORITY TO"});
  FakeArea& broken = Area("broken");
  broken.Add(Message("A", "00000001"));
  broken.Add(Message("B", "00000002"));
  broken.fail_open_number = 2;
  EXPECT_EQ(ScanFailure("broken"), "unable to process messagebase - " + Id("broken"));
}

TEST_F(ScanAreaTest, ADeletionThatFailsIsWarnedAboutAndTheMessageCountsAsKept) {
  FakeArea& net = Area("net");
  net.Add(Message("Sysop", "00000001"));
  net.fail_kill = true;
  Configure({"PRIORITY TO", "MOVE YES", "USELASTREAD YES", "USERNUMBER 5",
             "TO SYSOP,S" + dir_.Path("dest")});
  Scan();
  EXPECT_EQ(net.messages.size(), 1u);
  EXPECT_TRUE(log_.With('-').empty());
  ASSERT_EQ(log_.With('?').size(), 1u);
  EXPECT_EQ(log_.With('?')[0], "unable to delete message 1 from messagebase - " + Id("net"));
  // So the next run does not copy it a second time.
  EXPECT_EQ(net.lastread.at(kUser), 1);
  Scan();
  EXPECT_EQ(Area("dest").messages.size(), 1u);
}

TEST_F(ScanAreaTest, EveryBranchOfTheStartDecision) {
  FakeArea& net = Area("net");
  for (int i = 1; i <= 3; ++i)
    net.Add(Message("Nobody", "0000000" + std::to_string(i)));
  Configure({"PRIORITY TO", "USELASTREAD YES", "USERNUMBER 5"});

  // No lastread: scan all, and the pointer is stored as 0 first.
  AreaScanResult result = Scan();
  EXPECT_EQ(log_.With('i'),
            std::vector<std::string>{"store lastread msgnumber = 0, then scan all messages"});
  EXPECT_EQ(result.scannedCount, 3);
  EXPECT_EQ(net.lastread.at(kUser), 3);
  EXPECT_EQ(StoredMsgId("net"), "00000003");

  // Caught up: the lastread message is confirmed and nothing follows it.
  log_.entries.clear();
  result = Scan();
  EXPECT_TRUE(result.nothingToScan);
  EXPECT_TRUE(log_.With('i').empty());
  EXPECT_EQ(net.lastread.at(kUser), 3);

  // Confirmed and a new message follows: only that one is scanned.
  net.Add(Message("Nobody", "00000004"));
  log_.entries.clear();
  result = Scan();
  EXPECT_EQ(log_.With('i'), std::vector<std::string>{
                                "store MSGiD = new MSGiD, but found next msg, then Lastread+1"});
  EXPECT_EQ(result.scannedCount, 1);
  EXPECT_EQ(net.lastread.at(kUser), 4);
  EXPECT_EQ(StoredMsgId("net"), "00000004");

  // The lastread message changed: scan all.
  net.messages.at(4).text = TextOf({"\x01MSGID: 2:5020/1 99999999"});
  log_.entries.clear();
  result = Scan();
  EXPECT_EQ(log_.With('i'),
            std::vector<std::string>{"store MSGiD <> new MSGiD => scan all messages"});
  EXPECT_EQ(result.scannedCount, 4);
  EXPECT_EQ(StoredMsgId("net"), "99999999");

  // The stored MSGID names a later message than the lastread (a run killed
  // between storing the two): the scan goes on after that message.
  net.lastread[kUser] = 2;
  ASSERT_EQ(WriteStoredMsgId(dir_.Path("net.msgid"), "00000003"), 0u);
  log_.entries.clear();
  result = Scan();
  EXPECT_EQ(log_.With('i'), std::vector<std::string>{
                                "store MSGiD <> new MSGiD, but found store MSGiD after Lastread, "
                                "then its msgnumber+1"});
  EXPECT_EQ(result.scannedCount, 1);
  EXPECT_EQ(net.lastread.at(kUser), 4);
  EXPECT_EQ(StoredMsgId("net"), "99999999");
  // ... but an empty stored MSGID is never looked for.
  net.Add(FakeMessage{});
  net.lastread[kUser] = 2;
  ASSERT_EQ(WriteStoredMsgId(dir_.Path("net.msgid"), ""), 0u);
  log_.entries.clear();
  EXPECT_EQ(Scan().scannedCount, 5);
  EXPECT_EQ(log_.With('i'),
            std::vector<std::string>{"store MSGiD <> new MSGiD => scan all messages"});

  // The lastread message is gone: from the first message.
  net.lastread[kUser] = 40;
  log_.entries.clear();
  result = Scan();
  EXPECT_EQ(log_.With('i'),
            std::vector<std::string>{"OpenMessage(LastRead) failed => scanning from 1st msg"});
  EXPECT_EQ(result.scannedCount, 5);

  // -1 counts as no lastread.
  net.lastread[kUser] = -1;
  log_.entries.clear();
  EXPECT_EQ(Scan().scannedCount, 5);
  EXPECT_EQ(log_.With('i'),
            std::vector<std::string>{"store lastread msgnumber = 0, then scan all messages"});
}

TEST_F(ScanAreaTest, CopiesWithoutMoveAreNeverMadeTwiceOverManyRuns) {
  FakeArea& net = Area("net");
  Configure({"PRIORITY TO", "USELASTREAD YES", "USERNUMBER 5", "TO SYSOP,S" + dir_.Path("dest")});
  int expected = 0;
  for (int run = 0; run < 5; ++run) {
    // Each run finds one new message for the sysop, the last one in the area
    // when the run is odd, followed by one for somebody else otherwise.
    net.Add(Message("Sysop", "5e550" + std::to_string(run) + "00"));
    ++expected;
    if (run % 2 == 0) net.Add(Message("Nobody", "0b0d0" + std::to_string(run) + "00"));
    Scan();
    EXPECT_EQ(static_cast<int>(Area("dest").messages.size()), expected) << "run " << run;
  }
  // A run with nothing new keeps the state as it was.
  const std::int32_t lastread = net.lastread.at(kUser);
  const std::string stored = StoredMsgId("net");
  EXPECT_TRUE(Scan().nothingToScan);
  EXPECT_EQ(net.lastread.at(kUser), lastread);
  EXPECT_EQ(StoredMsgId("net"), stored);
}

TEST_F(ScanAreaTest, MovedAndKilledMessagesLeaveTheResumeStateOnTheLastKeptOne) {
  FakeArea& net = Area("net");
  net.Add(Message("Nobody", "00000001"));
  net.Add(Message("Sysop", "00000002"));
  Configure({"PRIORITY TO", "USELASTREAD YES", "USERNUMBER 5", "MOVE YES",
             "TO SYSOP,S" + dir_.Path("dest")});
  Scan();
  EXPECT_EQ(net.lastread.at(kUser), 1);
  EXPECT_EQ(StoredMsgId("net"), "00000001");

  // Everything new is moved: the confirmed lastread message stays the point.
  net.Add(Message("Sysop", "00000003"));
  log_.entries.clear();
  Scan();
  EXPECT_EQ(log_.With('i'), std::vector<std::string>{
                                "store MSGiD = new MSGiD, but found next msg, then Lastread+1"});
  EXPECT_EQ(net.lastread.at(kUser), 1);
  EXPECT_EQ(StoredMsgId("net"), "00000001");
  EXPECT_EQ(Area("dest").messages.size(), 2u);

  // Next run: confirmed again, nothing scanned, the state kept.
  EXPECT_EQ(Scan().scannedCount, 0);
  EXPECT_EQ(net.lastread.at(kUser), 1);
  EXPECT_EQ(StoredMsgId("net"), "00000001");
}

TEST_F(ScanAreaTest, RenumberingAreaMovesAdjacentMatchesAndKeepsACaughtUpState) {
  FakeArea& net = Area("net");
  net.renumber = true;
  net.Add(Message("Nobody", "00000001"));
  net.Add(Message("Sysop", "00000002"));
  net.Add(Message("Sysop", "00000003"));
  net.Add(Message("Nobody", "00000004"));
  Configure({"PRIORITY TO", "USELASTREAD YES", "USERNUMBER 5", "MOVE YES",
             "TO SYSOP,S" + dir_.Path("dest")});
  EXPECT_EQ(Scan().scannedCount, 4);
  EXPECT_EQ(Area("dest").messages.size(), 2u);
  ASSERT_EQ(net.messages.size(), 2u);
  // The last kept message, "Nobody" 4, is number 2 now.
  EXPECT_EQ(net.lastread.at(kUser), 2);
  EXPECT_EQ(StoredMsgId("net"), "00000004");
  // The high number of such an area is one past its last message: run after
  // run, the state stays and nothing is scanned again.
  for (int run = 0; run < 3; ++run) {
    const AreaScanResult result = Scan();
    EXPECT_EQ(result.scannedCount, 0);
    EXPECT_EQ(net.lastread.at(kUser), 2);
    EXPECT_EQ(StoredMsgId("net"), "00000004");
  }
}

TEST_F(ScanAreaTest, WithoutUseLastReadMoveStoresAnEmptyMsgIdAndTheLastKeptNumber) {
  FakeArea& net = Area("net");
  net.Add(Message("Nobody", "00000001"));
  net.Add(Message("Sysop", "00000002"));
  net.Add(Message("Nobody", "00000003"));
  net.Add(Message("Sysop", "00000004"));
  Configure({"PRIORITY TO", "MOVE YES", "USERNUMBER 5", "TO SYSOP,KILL"});
  EXPECT_EQ(Scan().scannedCount, 4);
  EXPECT_EQ(net.lastread.at(kUser), 3);
  EXPECT_EQ(StoredMsgId("net"), "");
  EXPECT_TRUE(log_.With('i').empty());
  // Every run starts at the first message.
  EXPECT_EQ(Scan().scannedCount, 2);
}

TEST_F(ScanAreaTest, MessagesWithoutOrWithShortMsgIdLines) {
  FakeArea& net = Area("net");
  FakeMessage empty;
  FakeMessage short_id = Message("A", "");
  short_id.text = TextOf({"\x01MSGID"});
  FakeMessage no_kludge;
  no_kludge.text = TextOf({"just a body", "last line"});
  net.Add(empty);
  net.Add(short_id);
  net.Add(no_kludge);
  Configure({"PRIORITY TO", "USELASTREAD YES", "USERNUMBER 5"});
  EXPECT_EQ(Scan().scannedCount, 3);
  // Without a MSGID line the last line of the text stands in for it.
  EXPECT_EQ(StoredMsgId("net"), "ast line");
  EXPECT_TRUE(Scan().nothingToScan);
  // An empty area has nothing to scan.
  Area("empty");
  Configure({"PRIORITY TO"});
  EXPECT_TRUE(Scan("empty").nothingToScan);
}

}  // namespace
}  // namespace kestrel
