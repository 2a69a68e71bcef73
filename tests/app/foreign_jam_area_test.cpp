// JAM areas as other FidoNet programs leave them, run through the binary: a
// base of the husky tosser (no .jlr, TZUTC in a subfield of its own), a file
// attach tossed by crashmail (one ENCLOSEDFILE subfield per file), messages
// deleted in place by another program, and a base numbered from 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "msgbase/message_base.h"
#include "tests/support/area_files.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/crashmail_peer.h"
#include "tests/support/fido_packet.h"
#include "tests/support/fido_text.h"
#include "tests/support/jam_files.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

// The netmail area hpt wrote, with what its own library reads back from it.
const std::string kHptJam = std::string(KESTREL_SOURCE_DIR) + "/tests/data/hpt-netmail/jam";
constexpr int kHptMessages = 8;

// Copies the hpt base (its three files, no .jlr) to `base_path`.
void CopyHptBase(const std::string& base_path) {
  fs::create_directories(fs::path(base_path).parent_path());
  for (const char* extension : {"jhr", "jdx", "jdt"}) {
    fs::copy_file(kHptJam + "/netmail." + extension, JamFilePath(base_path, extension));
  }
}

bool IsAddressKludge(const std::string& line) {
  return line.starts_with("\x01INTL") ||
         line.starts_with(
             "\x01"
             "FMPT") ||
         line.starts_with("\x01TOPT");
}

// The kludge lines of a text, split into the address lines (a set: a JAM
// base keeps the addresses apart and the lines are made anew) and the others
// (in order).
struct Kludges {
  std::vector<std::string> addresses;
  std::vector<std::string> others;
};

Kludges SortKludges(const std::vector<std::string>& lines) {
  Kludges kludges;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] != kKludgeMark) continue;
    (IsAddressKludge(line) ? kludges.addresses : kludges.others).push_back(line);
  }
  std::sort(kludges.addresses.begin(), kludges.addresses.end());
  return kludges;
}

// The control information as the fixture holds it: kludge lines each
// starting with 01h, with no line ends between them.
std::vector<std::string> ControlLines(const std::string& ctrl) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < ctrl.size();) {
    const std::size_t next = ctrl.find(kKludgeMark, at + 1);
    lines.push_back(ctrl.substr(at, next == std::string::npos ? std::string::npos : next - at));
    at = next == std::string::npos ? ctrl.size() : next;
  }
  return lines;
}

class ForeignJamAreaTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(ForeignJamAreaTest, HptAreaWithoutLastReadFileIsScannedAndTakesMail) {
  const std::string area = dir_.Path("hpt/netmail");
  CopyHptBase(area);
  const std::string config = "LOG kestrel.log\nNETMAIL J" + area +
                             "\nUSELASTREAD YES\nUSERNUMBER 1\nMOVE NO\nPRIORITY TO\nTO *,M" +
                             dir_.Path("copies") + "\n";
  ProgramResult run = RunKestrelOn(dir_, config);
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir_);
  const std::vector<AreaMessage> copies = ReadArea("M" + dir_.Path("copies"));
  ASSERT_EQ(copies.size(), static_cast<std::size_t>(kHptMessages));
  for (int n = 1; n <= kHptMessages; ++n) {
    SCOPED_TRACE("message " + std::to_string(n));
    // Every kludge arrives: TZUTC (stored by hpt as a subfield of its own)
    // in its place among the others.
    const Kludges expected = SortKludges(
        ControlLines(ReadWholeFile(kHptJam + "/expected/" + std::to_string(n) + ".ctrl")));
    const Kludges copied = SortKludges(SplitTextLines(copies[n - 1].text));
    EXPECT_EQ(copied.others, expected.others);
    EXPECT_EQ(copied.addresses, expected.addresses);
  }
  EXPECT_EQ(FindKludge(copies[1].text, "TZUTC"), "0300");

  // The lastread went into a .jlr made for it; the next run resumes there.
  EXPECT_TRUE(fs::exists(JamFilePath(area, "jlr")));
  EXPECT_EQ(LastReadOf("J" + area, 1), kHptMessages);
  for (const char* extension : {"jhr", "jdx", "jdt"}) {
    EXPECT_EQ(ReadWholeFile(JamFilePath(area, extension)),
              ReadWholeFile(kHptJam + "/netmail." + extension))
        << extension;
  }
  run = RunKestrelOn(dir_, config);
  ASSERT_EQ(run.exit_code, 0) << run.output;
  EXPECT_EQ(ReadArea("M" + dir_.Path("copies")).size(), static_cast<std::size_t>(kHptMessages));

  // As a destination.
  const std::string dest = dir_.Path("hptdest/netmail");
  CopyHptBase(dest);
  AddMessages("M" + dir_.Path("outbox"), {Netmail("Sender", {2, 5020, 2, 0}, "Sysop",
                                                  {2, 5020, 1, 0}, "Into hpt's area", "0badcafe")});
  run = RunKestrelOn(dir_, "LOG kestrel.log\nNETMAIL M" + dir_.Path("outbox") +
                               "\nPRIORITY TO\nMOVE YES\nTO *,J" + dest + "\n");
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir_);
  const std::vector<std::string> subjects = Subjects("J" + dest);
  ASSERT_EQ(subjects.size(), static_cast<std::size_t>(kHptMessages + 1));
  EXPECT_EQ(subjects.back(), "Into hpt's area");
  EXPECT_TRUE(Subjects("M" + dir_.Path("outbox")).empty());
}

TEST_F(ForeignJamAreaTest, FileAttachTossedByCrashmailKeepsEveryFileInItsSubject) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  const std::string area = dir_.Path("netmail");
  CrashmailPeer peer(dir_.Path("peer"), AreaFormat::kJam, area);
  FidoPacket packet = PacketFromUplink(2026);
  PackedMessage attach;
  attach.orig_net = attach.dest_net = 5020;
  attach.orig_node = 2;
  attach.dest_node = 1;
  attach.attribute = 0x0010;  // file attach
  attach.date_time = "03 Nov 26  09:00:04";
  attach.from_name = "File Robot";
  attach.to_name = "Sysop";
  attach.subject = "one.zip two.zip";
  attach.text = "\x01INTL 2:5020/1 2:5020/2\r\x01MSGID: 2:5020/2 6a1b0004\rTwo files.\r";
  packet.messages.push_back(attach);
  const PeerRun toss = peer.TossPacket(packet);
  ASSERT_TRUE(toss.ok) << toss.output;
  // What crashmail stores: one ENCLOSEDFILE subfield per file.
  const JamBaseFiles files = JamBaseFiles::Load(area);
  ASSERT_EQ(files.Index().size(), 1u);
  const std::optional<JamMessage> stored = files.MessageAt(files.Index()[0].header_offset);
  ASSERT_TRUE(stored);
  ASSERT_EQ(stored->Subfields(9), (std::vector<std::string>{"one.zip", "two.zip"}));

  const ProgramResult run = RunKestrelOn(
      dir_, "LOG kestrel.log\nNETMAIL J" + area +
                "\nPRIORITY SUBJ\nMOVE YES\nSUBJ one.zip two.zip,M" + dir_.Path("files") + "\n");
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir_);
  const std::vector<AreaMessage> copies = ReadArea("M" + dir_.Path("files"));
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].subj, "one.zip two.zip");
  EXPECT_NE(copies[0].attributes & AttrFileAttached, 0u);
  EXPECT_TRUE(Subjects("J" + area).empty());
}

// Four messages; the second deleted in place by another program (deleted
// attribute set, index record and ActiveMsgs left alone).
std::string FourMessagesSecondDeletedInPlace(TempDir& dir) {
  const std::string area = dir.Path("netmail");
  std::vector<AreaMessage> messages;
  for (int n = 1; n <= 4; ++n) {
    messages.push_back(Netmail("Sender", {2, 5020, 2, 0}, "Sysop", {2, 5020, 1, 0},
                               "Subject " + std::to_string(n), "0000000" + std::to_string(n)));
  }
  AddMessages("J" + area, messages);
  const std::string jhr_path = JamFilePath(area, "jhr");
  std::string jhr = ReadWholeFile(jhr_path);
  const JamBaseFiles files = JamBaseFiles::Load(area);
  const std::size_t attribute_at = files.Index()[1].header_offset + kJamMsgAttributeOffset;
  PutLe32(jhr, attribute_at, GetLe32(jhr, attribute_at) | kJamAttrDeleted);
  WriteWholeFile(jhr_path, jhr);
  return area;
}

TEST_F(ForeignJamAreaTest, KillAfterAMessageDeletedInPlaceKeepsTheResumePoint) {
  const std::string area = FourMessagesSecondDeletedInPlace(dir_);
  const std::string copies = "M" + dir_.Path("copies");
  const std::string config = "LOG kestrel.log\nNETMAIL J" + area +
                             "\nUSELASTREAD YES\nUSERNUMBER 1\nMOVE NO\nPRIORITY SUBJ\n"
                             "SUBJ Subject 1," +
                             copies + "\nSUBJ Subject 3," + copies + "\nSUBJ Subject 4,KILL\n";
  for (int run_number = 1; run_number <= 2; ++run_number) {
    SCOPED_TRACE("run " + std::to_string(run_number));
    const ProgramResult run = RunKestrelOn(dir_, config);
    ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir_);
    EXPECT_EQ(Subjects(copies), (std::vector<std::string>{"Subject 1", "Subject 3"}));
    EXPECT_EQ(Subjects("J" + area), (std::vector<std::string>{"Subject 1", "Subject 3"}));
  }
  EXPECT_EQ(ReadLog(dir_).find("OpenMessage(LastRead) failed"), std::string::npos) << ReadLog(dir_);
}

TEST_F(ForeignJamAreaTest, BaseNumberedFromZeroIsScannedFromItsFirstMessage) {
  const std::string area = dir_.Path("netmail");
  AddMessages("J" + area,
              {Netmail("Sender", {2, 5020, 2, 0}, "Sysop", {2, 5020, 1, 0}, "First", "00000001"),
               Netmail("Sender", {2, 5020, 2, 0}, "Sysop", {2, 5020, 1, 0}, "Second", "00000002")});
  const std::string jhr_path = JamFilePath(area, "jhr");
  std::string jhr = ReadWholeFile(jhr_path);
  PutLe32(jhr, kJamBaseMsgNumOffset, 0);
  WriteWholeFile(jhr_path, jhr);
  const ProgramResult run =
      RunKestrelOn(dir_, "LOG kestrel.log\nNETMAIL J" + area + "\nPRIORITY TO\nMOVE YES\nTO *,M" +
                             dir_.Path("moved") + "\n");
  ASSERT_EQ(run.exit_code, 0) << run.output << ReadLog(dir_);
  EXPECT_EQ(Subjects("M" + dir_.Path("moved")), (std::vector<std::string>{"First", "Second"}));
  EXPECT_TRUE(Subjects("J" + area).empty());
}

}  // namespace
}  // namespace kestrel::testing
