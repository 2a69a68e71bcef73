// The kestrel binary moving real mail: areas in the three formats are made
// and inspected with the message-base library around each run.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "msgbase/message_base.h"
#include "tests/support/area_files.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/platform_skips.h"

namespace kestrel::testing {
namespace {

constexpr FidoAddress kHere{2, 5020, 1, 0};
constexpr FidoAddress kFar{1, 123, 45, 0};
constexpr FidoAddress kPoint{2, 5020, 100, 7};
constexpr std::int32_t kUser = 1;
constexpr char kKinds[] = {'M', 'S', 'J'};
// Attribute codes 1 to 4000h are copied, 8000h (scanned) is not.
constexpr std::uint32_t kCopiedAttributes = 0x7FFF;

// The configuration holds every value upper-cased, and so do the log and the
// console.
std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// The log lines that carry this mark, without the stamp and tag.
std::vector<std::string> Logged(const std::string& log, char mark) {
  std::vector<std::string> messages;
  for (const std::string& line : LinesOf(log)) {
    // mark, space, 18-character stamp, space, "KL 1.08b4", space, message
    constexpr std::size_t kMessageAt = 2 + 18 + 1 + 9 + 1;
    if (line.size() >= kMessageAt && line[0] == mark &&
        IsLogEntry(line, mark, "KL 1.08b4", line.substr(kMessageAt))) {
      messages.push_back(line.substr(kMessageAt));
    }
  }
  return messages;
}

class MoverRunTest : public ::testing::Test {
 protected:
  // An area of this kind in the scratch directory.
  std::string Id(char kind, const std::string& name) const {
    return std::string(1, kind) + dir_.Path(name);
  }
  ProgramResult Run(const std::string& config) {
    return RunKestrelOn(dir_, "LOG kestrel.log\n" + config);
  }
  std::string Log() const { return ReadLog(dir_); }

  TempDir dir_;
};

// What a format makes of a message: the message written into a fresh area of
// that kind and read back. A copy must come out the same.
AreaMessage AsStoredIn(char kind, const TempDir& dir, const AreaMessage& message) {
  static int count = 0;
  const std::string id = std::string(1, kind) + dir.Path("reference" + std::to_string(++count));
  AreaMessage clean = message;
  clean.attributes &= kCopiedAttributes;
  // The mover holds names and subjects at their fixed widths.
  clean.from = clean.from.substr(0, 36);
  clean.to = clean.to.substr(0, 36);
  clean.subj = clean.subj.substr(0, 72);
  AddMessages(id, {clean});
  const std::vector<AreaMessage> read = ReadArea(id);
  EXPECT_EQ(read.size(), 1u);
  return read.empty() ? AreaMessage{} : read[0];
}

void ExpectSameMessage(const AreaMessage& actual, const AreaMessage& expected) {
  EXPECT_EQ(actual.from, expected.from);
  EXPECT_EQ(actual.to, expected.to);
  EXPECT_EQ(actual.subj, expected.subj);
  EXPECT_EQ(actual.orig, expected.orig);
  EXPECT_EQ(actual.dest, expected.dest);
  EXPECT_EQ(actual.written, expected.written);
  EXPECT_EQ(actual.arrived, expected.arrived);
  EXPECT_EQ(actual.attributes, expected.attributes);
  EXPECT_EQ(actual.text, expected.text);
}

TEST_F(MoverRunTest, EveryFormatIntoEveryFormat) {
  for (char from : kKinds) {
    for (char to : kKinds) {
      SCOPED_TRACE(std::string("from ") + from + " to " + to);
      const std::string name = std::string("src") + from + to;
      const std::string source = Id(from, name);
      const std::string dest = Id(to, std::string("dst") + from + to);
      AreaMessage wanted =
          Netmail("Ivan Petrov", kPoint, "Sysop", kHere, "Hello there", "1a2b3c4d");
      wanted.attributes = AttrPrivate | AttrCrash | AttrSent | AttrLocal | AttrHold | AttrScanned;
      AddMessages(source, {Netmail("Nobody", kFar, "Somebody", kHere, "Stays", "00000001"), wanted,
                           Netmail("Spam Robot", kFar, "All", kHere, "Buy now", "00000002")});
      const AreaMessage original = ReadArea(source).at(1);

      const ProgramResult result =
          Run("NETMAIL " + source + "\nPRIORITY TO FROM\nMOVE YES\nTO SYSOP," + dest +
              "\nFROM SPAM*,KILL\n");
      ASSERT_EQ(result.exit_code, 0) << result.output;

      EXPECT_EQ(Subjects(source), std::vector<std::string>{"Stays"});
      const std::vector<AreaMessage> copies = ReadArea(dest);
      ASSERT_EQ(copies.size(), 1u);
      ExpectSameMessage(copies[0], AsStoredIn(to, dir_, original));
      // The text of the copy is the source text: kludge lines, MSGID included.
      if (from == to) {
        EXPECT_EQ(copies[0].text, original.text);
      }
      EXPECT_NE(copies[0].text.find("\x01MSGID: 2:5020/100.7 1a2b3c4d\r"), std::string::npos);
    }
  }
}

TEST_F(MoverRunTest, ConsoleAndLogOfARun) {
  const std::string net = Id('M', "net");
  // An empty JAM or Squish area counts as scanned (their high message number
  // is not below the first); an empty *.MSG area has nothing to scan.
  const std::string empty = Id('M', "empty");
  AddMessages(empty, {});
  AddMessages(net, {Netmail("A", kFar, "Sysop", kHere, "One", "00000001"),
                    Netmail("B", kFar, "Robot", kHere, "Two", "00000002"),
                    Netmail("C", kFar, "Other", kHere, "Three", "00000003")});
  const ProgramResult result =
      Run("NETMAIL " + empty + "\nNETMAIL " + net + "\nPRIORITY TO\nMOVE YES\nTO SYSOP," +
          Id('S', "sysop") + "\nTO ROBOT,kill\n");
  ASSERT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output, std::string(kBannerOutput) + "Scanning " + Upper(empty.substr(1)) +
                               "\n\nNothing to scan !\nScanning " + Upper(net.substr(1)) +
                               "\n\n2 message(s) founded\n");
  const std::string log = Log();
  EXPECT_EQ(Logged(log, 's'), (std::vector<std::string>{"Scanning " + Upper(empty.substr(1)),
                                                        "Scanning " + Upper(net.substr(1))}));
  EXPECT_EQ(Logged(log, ' '), std::vector<std::string>{"Nothing to scan !"});
  EXPECT_EQ(Logged(log, '\xF9'),
            (std::vector<std::string>{"Found mail to `SYSOP`", "Found mail to `ROBOT`"}));
  EXPECT_EQ(Logged(log, '+'),
            std::vector<std::string>{"Copy message to destination messagebase - " +
                                     Upper(Id('S', "sysop"))});
  EXPECT_EQ(Logged(log, '-').size(), 2u);
  EXPECT_EQ(Logged(log, '*'), std::vector<std::string>{"3 message(s) scanned"});
  EXPECT_EQ(Logged(log, 'f'), std::vector<std::string>{"2 message(s) founded"});
  EXPECT_EQ(Logged(log, 'e'), std::vector<std::string>{"End work."});
  EXPECT_EQ(Subjects(Id('S', "sysop")), std::vector<std::string>{"One"});
  EXPECT_EQ(Subjects(net), std::vector<std::string>{"Three"});
}

TEST_F(MoverRunTest, OnATerminalTheCursorGoesBackAfterEachCount) {
  KESTREL_SKIP_ON_WINDOWS("a pseudo-terminal to read the console from");
  // Each count leaves the cursor where it began, so the next count, and any
  // line written during the scan, overwrites it from the first column; the
  // line end at the end of the area keeps the last count.
  const std::string net = Id('M', "net");
  AddMessages(net, {Netmail("A", kFar, "Sysop", kHere, "One", "00000001"),
                    Netmail("B", kFar, "Other", kHere, "Two", "00000002")});
  dir_.WriteFile("blocker", "a file where a directory should be");
  const ProgramResult run =
      RunKestrelOnTerminal(dir_, "NETMAIL " + net + "\nPRIORITY TO\nTO SYSOP," + Id('M', "sysop"));
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_NE(run.output.find("\n1 message(s) scanned\r2 message(s) scanned\r\n"), std::string::npos)
      << run.output;

  // A fatal error during the scan starts at the first column, over the count.
  const ProgramResult failed = RunKestrelOnTerminal(
      dir_, "NETMAIL " + net + "\nPRIORITY TO\nTO OTHER," + Id('M', "blocker/sub"));
  EXPECT_EQ(failed.exit_code, 255);
  const std::size_t count = failed.output.find("1 message(s) scanned");
  ASSERT_NE(count, std::string::npos) << failed.output;
  const std::size_t error = failed.output.find("Error: ");
  ASSERT_NE(error, std::string::npos) << failed.output;
  // Between the count and the error: the carriage return and at most colour
  // codes, never a line end.
  const std::string between = failed.output.substr(count, error - count);
  EXPECT_EQ(between.find('\n'), std::string::npos) << between;
  EXPECT_EQ(between.substr(0, 21), "1 message(s) scanned\r") << between;
}

TEST_F(MoverRunTest, RuleListsPatternsAndFlags) {
  const std::string net = Id('J', "net");
  AreaMessage local_unsent = Netmail("Me", kHere, "Sysop", kHere, "draft", "00000001");
  local_unsent.attributes = AttrLocal;
  AreaMessage sent = Netmail("Me", kHere, "Sysop", kPoint, "sent to point", "00000002");
  sent.attributes = AttrLocal | AttrSent | AttrPrivate;
  constexpr FidoAddress kNet5030{2, 5030, 5, 0};
  AddMessages(
      net, {local_unsent, sent, Netmail("Areafix", kHere, "Areafix", kNet5030, "robot", "00000003"),
            Netmail("Robot", kHere, "Spam", kNet5030, "killed", "00000033"),
            Netmail("Far Away", {1, 2, 3, 4}, "Nobody", kHere, "via pattern", "00000004"),
            Netmail("Someone", kFar, "Nobody", kHere, "RE: Urgent reply", "00000005"),
            Netmail("Someone", kFar, "Nobody", kHere, "boring", "00000006")});
  const std::string points = Id('M', "points");
  const std::string far = Id('S', "far");
  const std::string urgent = Id('J', "urgent");
  const ProgramResult result =
      Run("NETMAIL " + net +
          "\nPRIORITY NOT_TOUCH TOADDR FROMADDR SUBJ\nMOVE YES\nUNSENT YES\n"
          "DON'T_TOUCH_LOCAL_AND_UNSENT_MAIL YES\nNOT_TOUCH AREA*\n"
          "TOADDR 2:5020/100.7," +
          points +
          "\nTOADDR 2:5030/*.*,KILL\n"
          "FROMADDR 1:*/?.4," +
          far + "\nSUBJ *URGENT*," + urgent + "\n");
  ASSERT_EQ(result.exit_code, 0) << result.output;

  // The draft (local, unsent) and the robot's mail (not touched) stay, as
  // does the message no rule names.
  EXPECT_EQ(Subjects(net), (std::vector<std::string>{"draft", "robot", "boring"}));
  const std::vector<AreaMessage> to_point = ReadArea(points);
  ASSERT_EQ(to_point.size(), 1u);
  EXPECT_EQ(to_point[0].subj, "sent to point");
  EXPECT_EQ(to_point[0].attributes & (AttrSent | AttrPrivate | AttrLocal),
            AttrPrivate | AttrLocal);  // UNSENT drops Sent only
  EXPECT_EQ(Subjects(far), std::vector<std::string>{"via pattern"});
  EXPECT_EQ(Subjects(urgent), std::vector<std::string>{"RE: Urgent reply"});
  EXPECT_EQ(Logged(Log(), '\xF9'),
            (std::vector<std::string>{
                "Found mail to address `2:5020/100.7`", "Found mail to address `2:5030/*.*`",
                "Found mail from address `1:*/?.4`", "Found mail with subj - `*URGENT*`"}));
}

TEST_F(MoverRunTest, NotTouchActsOnlyBeforeTheListThatWouldMatch) {
  const std::string net = Id('M', "net");
  const std::string dest = Id('M', "dest");
  AddMessages(net, {Netmail("A", kFar, "Sysop", kHere, "hello", "00000001")});
  const std::string rules = "NETMAIL " + net + "\nNOT_TOUCH SYSOP\nTO SYSOP," + dest + "\n";
  ASSERT_EQ(Run(rules + "PRIORITY NOT_TOUCH TO\n").exit_code, 0);
  EXPECT_FALSE(AreaExists(dest));
  ASSERT_EQ(Run(rules + "PRIORITY TO NOT_TOUCH\n").exit_code, 0);
  EXPECT_EQ(Subjects(dest), std::vector<std::string>{"hello"});
}

// The stored-MSGID file of an area: beside the base for Squish and JAM, in
// the directory for *.MSG.
std::string MsgIdFile(const TempDir& dir, char kind, const std::string& name) {
  return kind == 'M' ? dir.Path(name + "/msgid") : dir.Path(name + ".msgid");
}

TEST_F(MoverRunTest, CopiesWithoutMoveAreMadeOnceOverManyRunsInEachFormat) {
  for (char kind : kKinds) {
    SCOPED_TRACE(std::string("format ") + kind);
    const std::string name = std::string("net") + static_cast<char>(kind - 'A' + 'a');
    const std::string net = Id(kind, name);
    const std::string dest = Id('M', std::string("copies") + kind);
    const std::string config =
        "NETMAIL " + net + "\nPRIORITY TO\nUSELASTREAD YES\nUSERNUMBER 1\nTO SYSOP," + dest + "\n";
    std::vector<std::string> expected;
    for (int run = 0; run < 4; ++run) {
      const std::string serial = "0000aa0" + std::to_string(run);
      std::vector<AreaMessage> fresh = {
          Netmail("A", kFar, "Sysop", kHere, "for sysop " + std::to_string(run), serial)};
      // Every other run the newest message is one that no rule names.
      if (run % 2 == 1) fresh.push_back(Netmail("B", kFar, "Else", kHere, "other", serial + "b"));
      AddMessages(net, fresh);
      expected.push_back("for sysop " + std::to_string(run));
      const ProgramResult result = Run(config);
      ASSERT_EQ(result.exit_code, 0) << result.output;
      EXPECT_EQ(Subjects(dest), expected) << "run " << run;
    }
    // Caught up: run after run, nothing is copied and the state stays.
    const std::int32_t lastread = LastReadOf(net, kUser);
    const std::string stored = ReadWholeFile(MsgIdFile(dir_, kind, name));
    EXPECT_EQ(stored, "000aa03b");
    for (int run = 0; run < 3; ++run) {
      ASSERT_EQ(Run(config).exit_code, 0);
      EXPECT_EQ(LastReadOf(net, kUser), lastread);
      EXPECT_EQ(ReadWholeFile(MsgIdFile(dir_, kind, name)), stored);
      EXPECT_EQ(Subjects(dest).size(), expected.size());
    }
  }
}

TEST_F(MoverRunTest, EachStartDecisionOverConsecutiveRuns) {
  const std::string net = Id('M', "net");
  const std::string config = "NETMAIL " + net + "\nPRIORITY TO\nUSELASTREAD YES\nUSERNUMBER 1\n";
  AddMessages(net, {Netmail("A", kFar, "X", kHere, "one", "00000001"),
                    Netmail("B", kFar, "Y", kHere, "two", "00000002")});
  auto run = [&](const char* expected_decision) {
    const ProgramResult result = Run(config);
    EXPECT_EQ(result.exit_code, 0) << result.output;
    const std::vector<std::string> decisions = Logged(Log(), 'i');
    if (expected_decision == nullptr) return result;
    EXPECT_FALSE(decisions.empty());
    if (!decisions.empty()) {
      EXPECT_EQ(decisions.back(), expected_decision);
    }
    return result;
  };

  run("store lastread msgnumber = 0, then scan all messages");
  EXPECT_EQ(LastReadOf(net, kUser), 2);
  EXPECT_EQ(ReadWholeFile(dir_.Path("net/msgid")), "00000002");

  const std::size_t decisions_so_far = Logged(Log(), 'i').size();
  ProgramResult result = run(nullptr);
  EXPECT_EQ(Logged(Log(), 'i').size(), decisions_so_far) << "confirmed without a log entry";
  EXPECT_NE(result.output.find("\nNothing to scan !\n"), std::string::npos) << result.output;

  AddMessages(net, {Netmail("C", kFar, "Z", kHere, "three", "00000003")});
  run("store MSGiD = new MSGiD, but found next msg, then Lastread+1");
  EXPECT_EQ(Logged(Log(), '*').back(), "1 message(s) scanned");
  EXPECT_EQ(LastReadOf(net, kUser), 3);

  // The stored MSGID names a message after the lastread one (as a run killed
  // between storing the two leaves them): the scan goes on after it, and the
  // pointer is put right.
  SetLastReadOf(net, kUser, 1);
  result =
      run("store MSGiD <> new MSGiD, but found store MSGiD after Lastread, then its "
          "msgnumber+1");
  EXPECT_NE(result.output.find("\nNothing to scan !\n"), std::string::npos) << result.output;
  EXPECT_EQ(LastReadOf(net, kUser), 3);

  SetLastReadOf(net, kUser, 1);             // names a message whose MSGID is not the stored one
  dir_.WriteFile("net/msgid", "0badf00d");  // and no message has the stored one
  run("store MSGiD <> new MSGiD => scan all messages");
  EXPECT_EQ(Logged(Log(), '*').back(), "3 message(s) scanned");

  SetLastReadOf(net, kUser, 50);  // names no message
  run("OpenMessage(LastRead) failed => scanning from 1st msg");
  EXPECT_EQ(Logged(Log(), '*').back(), "3 message(s) scanned");
  EXPECT_EQ(LastReadOf(net, kUser), 3);
}

TEST_F(MoverRunTest, AJamDeletionDoesNotHideTheMessageThatFollows) {
  const std::string net = Id('J', "net");
  const std::string dest = Id('J', "dest");
  AddMessages(net, {Netmail("A", kFar, "Nobody", kHere, "keep 1", "00000001"),
                    Netmail("B", kFar, "Sysop", kHere, "move 2", "00000002"),
                    Netmail("C", kFar, "Sysop", kHere, "move 3", "00000003"),
                    Netmail("D", kFar, "Nobody", kHere, "keep 4", "00000004"),
                    Netmail("E", kFar, "Sysop", kHere, "move 5", "00000005")});
  const std::string config = "NETMAIL " + net +
                             "\nPRIORITY TO\nMOVE YES\nUSELASTREAD YES\nUSERNUMBER 1\nTO SYSOP," +
                             dest + "\n";
  ASSERT_EQ(Run(config).exit_code, 0);
  EXPECT_EQ(Subjects(dest), (std::vector<std::string>{"move 2", "move 3", "move 5"}));
  EXPECT_EQ(Subjects(net), (std::vector<std::string>{"keep 1", "keep 4"}));
  // "keep 4" is message 2 now, and the resume state names it.
  EXPECT_EQ(LastReadOf(net, kUser), 2);
  EXPECT_EQ(ReadWholeFile(dir_.Path("net.msgid")), "00000004");

  AddMessages(net, {Netmail("F", kFar, "Sysop", kHere, "move 6", "00000006")});
  ASSERT_EQ(Run(config).exit_code, 0);
  EXPECT_EQ(Subjects(dest).size(), 4u);
  EXPECT_EQ(Logged(Log(), '*').back(), "1 message(s) scanned");
  EXPECT_EQ(Subjects(net), (std::vector<std::string>{"keep 1", "keep 4"}));
}

TEST_F(MoverRunTest, FatalErrorsEndTheRunWithTheirMessage) {
  const std::string net = Id('M', "net");
  AddMessages(net, {Netmail("A", kFar, "Sysop", kHere, "hello", "00000001")});
  const struct {
    const char* name;
    std::string config;
    std::string error;
  } cases[] = {
      {"missing area", "NETMAIL " + Id('S', "missing") + "\nPRIORITY TO\n",
       "unable to open messagebase - " + Upper(Id('S', "missing"))},
      {"empty area", "NETMAIL \nPRIORITY TO\n", "unable to open messagebase - "},
      {"unknown area kind", "NETMAIL X" + dir_.Path("net") + "\nPRIORITY TO\n",
       "unable to open messagebase - X" + Upper(dir_.Path("net"))},
      {"rule without a destination", "NETMAIL " + net + "\nPRIORITY TO\nMOVE YES\nTO SYSOP\n",
       "unable to open destination messagebase - "},
      {"destination that cannot be created",
       "NETMAIL " + net + "\nPRIORITY TO\nMOVE YES\nTO SYSOP," + Id('J', "net/msgid/x") + "\n",
       "unable to open destination messagebase - " + Upper(Id('J', "net/msgid/x"))},
  };
  dir_.WriteFile("net/msgid", "00000000");  // a file where the last case needs a directory
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ProgramResult result = Run(c.config);
    EXPECT_EQ(result.exit_code, 255);
    EXPECT_TRUE(result.output.ends_with("Error: " + c.error + "\n")) << result.output;
    const std::vector<std::string> log = LinesOf(Log());
    ASSERT_FALSE(log.empty());
    EXPECT_TRUE(IsLogEntry(log.back(), '!', "KL 1.08b4", "Error: " + c.error)) << log.back();
    EXPECT_EQ(Subjects(net), std::vector<std::string>{"hello"});
  }
}

TEST_F(MoverRunTest, AStoredMsgIdFileThatCannotBeWrittenIsFatal) {
  const std::string net = Id('M', "net");
  AddMessages(net, {Netmail("A", kFar, "Nobody", kHere, "hello", "00000001")});
  dir_.MakeDir("net/msgid");
  const ProgramResult result = Run("NETMAIL " + net + "\nPRIORITY TO\nMOVE YES\n");
  EXPECT_EQ(result.exit_code, 255);
  const std::string prefix = "Error: Unable to open file with last msgid, rc=";
  const std::size_t at = result.output.find(prefix);
  ASSERT_NE(at, std::string::npos) << result.output;
  const std::string rc = result.output.substr(at + prefix.size());
  EXPECT_EQ(rc.size(), 9u) << rc;  // eight hexadecimal digits and the line end
  EXPECT_EQ(rc.find_first_not_of("0123456789ABCDEF"), 8u) << rc;
}

// Runs kestrel with a limit on the size of every file it writes: writes
// beyond the limit fail (the signal the system sends for them is ignored).
ProgramResult RunWithFileSizeLimit(const TempDir& dir, const std::string& config,
                                   int limit_512_byte_blocks) {
  dir.WriteFile("kestrel.cfg", config);
  return RunProgram({"/bin/sh", "-c",
                     "ulimit -f " + std::to_string(limit_512_byte_blocks) +
                         " && trap '' XFSZ && exec \"$0\" kestrel.cfg",
                     KestrelBinary()},
                    dir.path());
}

TEST_F(MoverRunTest, ACopyThatIsNotStoredKeepsTheSourceMessage) {
  KESTREL_SKIP_ON_WINDOWS("a full disk made with ulimit -f (bash)");
  for (char to : kKinds) {
    SCOPED_TRACE(std::string("destination ") + to);
    const std::string name = std::string("net") + to;
    const std::string net = Id('M', name);
    AreaMessage big = Netmail("A", kFar, "Sysop", kHere, "big", "00000001");
    big.text += std::string(200000, 'x') + "\r";
    AddMessages(net, {big, Netmail("B", kFar, "Sysop", kHere, "small", "00000002")});
    const std::string dest = Id(to, std::string("dest") + to);
    const ProgramResult result =
        RunWithFileSizeLimit(dir_,
                             "LOG kestrel.log\nNETMAIL " + net +
                                 "\nPRIORITY TO\nMOVE YES\nUSELASTREAD YES\n"
                                 "USERNUMBER 1\nTO SYSOP," +
                                 dest + "\n",
                             128);
    EXPECT_EQ(result.exit_code, 255) << result.output;
    EXPECT_TRUE(result.output.ends_with("Error: Cannot write message. Wadda fuck?!\n"))
        << result.output;
    // Nothing was deleted and the resume state was not advanced.
    EXPECT_EQ(Subjects(net), (std::vector<std::string>{"big", "small"}));
    EXPECT_EQ(LastReadOf(net, kUser), 0);
    EXPECT_TRUE(Logged(Log(), '-').empty());
  }
}

TEST_F(MoverRunTest, HostileHeadersAndTextsAreMovedSafely) {
  for (char kind : kKinds) {
    SCOPED_TRACE(std::string("format ") + kind);
    const std::string net = Id(kind, std::string("odd") + kind);
    const std::string dest = Id(kind, std::string("oddcopies") + kind);
    std::string control_bytes;
    for (int c = 1; c < 0x20; ++c)
      control_bytes += static_cast<char>(c);
    AreaMessage controls = Netmail("x", kFar, "y", kHere, "z", "00000001");
    controls.from = control_bytes.substr(0, 36);
    controls.to = std::string(36, '\xFF');
    controls.subj = std::string(72, '\xF1') + "beyond the field";
    AreaMessage no_kludges = Netmail("Plain", kFar, "\xFF\xFF", kHere, "no kludges", "");
    no_kludges.text = "just text\rno kludge line at all";
    AreaMessage short_msgid = Netmail("Short", kFar, "\xFF\xFF", kHere, "short msgid", "");
    short_msgid.text = "\x01MSGID\rbody\r";
    AreaMessage empty;
    empty.to = "\xFF\xFF";
    AddMessages(net, {controls, no_kludges, short_msgid, empty});
    const std::vector<AreaMessage> originals = ReadArea(net);
    const std::string config =
        "NETMAIL " + net + "\nPRIORITY TO\nUSELASTREAD YES\nUSERNUMBER 1\nTO *," + dest + "\n";
    ASSERT_EQ(Run(config).exit_code, 0);
    const std::vector<AreaMessage> copies = ReadArea(dest);
    ASSERT_EQ(copies.size(), originals.size());
    for (std::size_t i = 0; i < copies.size(); ++i) {
      SCOPED_TRACE(i);
      ExpectSameMessage(copies[i], AsStoredIn(kind, dir_, originals[i]));
    }
    // A second run copies nothing again, whatever the MSGID lines were.
    ASSERT_EQ(Run(config).exit_code, 0);
    EXPECT_EQ(ReadArea(dest).size(), originals.size());
  }
}

TEST_F(MoverRunTest, HostileRulesNeverBreakARun) {
  const std::string net = Id('M', "net");
  AddMessages(net, {Netmail("A", kFar, std::string(36, '*'), kHere, std::string(72, '?'), "1")});
  std::string stars;  // 35 characters with the X: all within the 36 kept
  for (int i = 0; i < 17; ++i)
    stars += "*?";
  const ProgramResult result =
      Run("NETMAIL " + net +
          "\nPRIORITY TOADDR FROMADDR TO SUBJ FROM\n"
          "TOADDR ::::////....@@@,KILL\nTOADDR -1:-1/-1.-1,KILL\nTOADDR 99999999:1/1,KILL\n"
          "FROMADDR 3:*/*.*.*.*,KILL\nFROMADDR ?????????????:1/1.0,KILL\n"
          "TO " +
          stars + "X,KILL\nSUBJ " + std::string(60, '*') +
          "!,KILL\n"
          "FROM ,,,,\n");
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(Subjects(net).size(), 1u) << Log();
}

TEST_F(MoverRunTest, RunningOutOfFileHandlesAnywhereNeverLosesMail) {
  KESTREL_SKIP_ON_WINDOWS("running out of handles made with ulimit -n (bash)");
  // With every limit on open files from "no area can be opened" up, a run
  // either moves the message or stops with an error; the message is always
  // in the source or in the destination. One of the limits lets the
  // destination open but not the new message file be made, or made durable.
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer runtime opens files of its own for its checks; starved of
  // handles it reports false errors.
  GTEST_SKIP() << "not under the sanitizers: their runtime needs file handles itself";
#endif
  bool create_failed = false;
  for (int limit = 4; limit <= 16; ++limit) {
    SCOPED_TRACE(limit);
    const std::string suffix = std::to_string(limit);
    const std::string net = Id('M', "net" + suffix);
    const std::string dest = Id('M', "dest" + suffix);
    AddMessages(net, {Netmail("A", kFar, "Sysop", kHere, "precious", "00000001")});
    AddMessages(dest, {});
    dir_.WriteFile("kestrel.cfg", "LOG kestrel.log\nNETMAIL " + net +
                                      "\nPRIORITY TO\nMOVE YES\nTO SYSOP," + dest + "\n");
    const ProgramResult result = RunProgram(
        {"/bin/sh", "-c", "ulimit -n " + suffix + " && exec \"$0\" kestrel.cfg", KestrelBinary()},
        dir_.path());
    const std::size_t copies = Subjects(dest).size();
    const std::size_t originals = Subjects(net).size();
    EXPECT_GE(copies + originals, 1u) << result.output;
    EXPECT_LE(copies, 1u);
    if (result.output.find("error while loading shared libraries") != std::string::npos) {
      // Too few handles for the program to start at all (how many it needs
      // before main depends on what the test runner left open).
      EXPECT_EQ(originals, 1u);
      EXPECT_EQ(copies, 0u);
    } else if (result.exit_code == 0) {
      EXPECT_EQ(copies, 1u);
      EXPECT_EQ(originals, 0u);
    } else {
      EXPECT_EQ(result.exit_code, 255) << result.output;
      EXPECT_NE(result.output.find("\nError: "), std::string::npos) << result.output;
    }
    if (result.output.find("Error: Cannot create message: ") != std::string::npos ||
        result.output.find("Error: Cannot write message.") != std::string::npos) {
      create_failed = true;
      EXPECT_EQ(originals, 1u);
    }
  }
  EXPECT_TRUE(create_failed);
}

}  // namespace
}  // namespace kestrel::testing
