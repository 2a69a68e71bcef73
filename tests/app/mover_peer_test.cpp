// Kestrel next to real FidoNet software: crashmail tosses the netmail that
// Kestrel moves and exports what Kestrel wrote; jamnntpd serves a JAM area
// Kestrel wrote. Skipped (with the package name) when a peer is missing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msgbase/message_base.h"
#include "tests/support/area_files.h"
#include "tests/support/kestrel_run.h"
#include "tests/support/crashmail_peer.h"
#include "tests/support/fido_text.h"
#include "tests/support/jam_files.h"
#include "tests/support/jamnntpd_peer.h"

namespace kestrel::testing {
namespace {

constexpr FidoAddress kHere{2, 5020, 1, 0};
constexpr FidoAddress kRemote{1, 3, 99, 0};

// Local mail written here for a remote node: what crashmail exports.
std::vector<AreaMessage> OutgoingMail() {
  std::vector<AreaMessage> mail;
  for (int i = 1; i <= 3; ++i) {
    AreaMessage message =
        Netmail("Kestrel User", kHere, "Remote Sysop " + std::to_string(i), kRemote,
                "Outgoing " + std::to_string(i), "1234567" + std::to_string(i));
    message.attributes = AttrLocal | AttrPrivate;
    mail.push_back(message);
  }
  return mail;
}

class MoverPeerTest : public ::testing::Test {
 protected:
  ProgramResult MoveAll(const std::string& source, const std::string& dest) {
    return RunKestrelOn(dir_, "LOG kestrel.log\nNETMAIL " + source +
                                  "\nPRIORITY TO\nMOVE YES\nTO *," + dest + "\n");
  }
  TempDir dir_;
};

TEST_F(MoverPeerTest, CrashmailExportsWhatKestrelMovedIntoJamAndMsgAreas) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  for (AreaFormat format : {AreaFormat::kJam, AreaFormat::kMsg}) {
    const bool jam = format == AreaFormat::kJam;
    SCOPED_TRACE(jam ? "JAM" : "*.MSG");
    const std::string name = jam ? "jamdest" : "msgdest";
    const std::string dest = (jam ? "J" : "M") + dir_.Path(name);
    if (!jam) {
      // crashmail keeps 1.msg as its high-water mark and never exports it.
      AddMessages(dest, {Netmail("Placeholder", kHere, "Nobody", kHere, "marker", "00000000")});
    }
    const std::string source = "S" + dir_.Path(name + "-outbox");
    // crashmail misreads JAM fields that hold a byte of 80h or more (a defect
    // of the Debian build): every header after the first has an offset past
    // 400h + 80h, so a JAM area gets one message.
    std::vector<AreaMessage> mail = OutgoingMail();
    if (jam) mail.resize(1);
    AddMessages(source, mail);
    const ProgramResult run = MoveAll(source, dest);
    ASSERT_EQ(run.exit_code, 0) << run.output;
    if (jam) {
      ASSERT_EQ(FieldsCrashmailMisreads(JamBaseFiles::Load(dir_.Path(name))),
                std::vector<std::string>{});
    }

    CrashmailPeer peer(dir_.Path(name + "-peer"), format, dir_.Path(name));
    const ExportResult exported = peer.ExportNetmail();
    ASSERT_TRUE(exported.ok) << exported.output;
    ASSERT_EQ(exported.messages.size(), mail.size()) << exported.output;
    for (int i = 0; i < static_cast<int>(mail.size()); ++i) {
      const PackedMessage& message = exported.messages[i];
      const std::string n = std::to_string(i + 1);
      EXPECT_EQ(message.from_name, "Kestrel User");
      EXPECT_EQ(message.to_name, "Remote Sysop " + n);
      EXPECT_EQ(message.subject, "Outgoing " + n);
      EXPECT_EQ(message.dest_net, 3);
      EXPECT_EQ(message.dest_node, 99);
      EXPECT_EQ(FindKludge(message.text, "MSGID"), "2:5020/1 1234567" + n);
      EXPECT_EQ(BodyLines(message.text), (std::vector<std::string>{"Hello Remote Sysop " + n + ",",
                                                                   "this is Outgoing " + n + "."}));
    }
  }
}

TEST_F(MoverPeerTest, KestrelMovesWhatCrashmailTossed) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  for (AreaFormat format : {AreaFormat::kJam, AreaFormat::kMsg}) {
    const bool jam = format == AreaFormat::kJam;
    SCOPED_TRACE(jam ? "JAM" : "*.MSG");
    const std::string name = jam ? "jamin" : "msgin";
    CrashmailPeer peer(dir_.Path(name + "-peer"), format, dir_.Path(name));
    for (const char* who : {"Alice Sender", "Bob Sender"}) {
      NetmailMessage message;
      message.from_name = who;
      message.to_name = "Sysop";
      message.subject = std::string("Tossed by ") + who;
      message.body = "First line\nSecond line\n";
      const PeerRun toss = peer.TossNetmail(message);
      ASSERT_TRUE(toss.ok) << toss.output;
    }
    const std::string source = (jam ? "J" : "M") + dir_.Path(name);
    const std::string dest = "S" + dir_.Path(name + "-sysop");
    const ProgramResult run = MoveAll(source, dest);
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_TRUE(Subjects(source).empty());
    const std::vector<AreaMessage> moved = ReadArea(dest);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[0].from, "Alice Sender");
    EXPECT_EQ(moved[1].subj, "Tossed by Bob Sender");
    EXPECT_EQ(moved[0].orig, (FidoAddress{1, 2, 3, 4}));
    EXPECT_EQ(moved[0].dest, (FidoAddress{2, 5020, 1, 7}));
    EXPECT_EQ(BodyLines(moved[0].text), (std::vector<std::string>{"First line", "Second line"}));
  }
}

TEST_F(MoverPeerTest, JamnntpdServesAJamAreaKestrelWrote) {
  KESTREL_SKIP_WITHOUT_JAMNNTPD();
  const std::string source = "M" + dir_.Path("outbox");
  AddMessages(source, OutgoingMail());
  const ProgramResult run = MoveAll(source, "J" + dir_.Path("served"));
  ASSERT_EQ(run.exit_code, 0) << run.output;

  JamnntpdPeer server(dir_.Path("nntp"));
  const NntpReading reading = server.Read(dir_.Path("served"));
  ASSERT_TRUE(reading.ok) << reading.error << "\n" << reading.transcript << reading.server_log;
  ASSERT_EQ(reading.articles.size(), 3u) << reading.transcript;
  EXPECT_TRUE(reading.warnings.empty());
  for (std::size_t i = 0; i < 3; ++i) {
    const NntpArticle& article = reading.articles[i];
    const std::string n = std::to_string(i + 1);
    EXPECT_EQ(article.jam_message_number, i + 1);
    EXPECT_EQ(article.Header("Subject"), "Outgoing " + n);
    // The origin as the JAM base stores it, with or without its point.
    EXPECT_TRUE(article.Header("X-JAM-From").value_or("").starts_with("Kestrel User <2:5020/1"))
        << article.Header("X-JAM-From").value_or("(none)");
    EXPECT_EQ(article.Header("X-Comment-To"), "Remote Sysop " + n);
    EXPECT_EQ(article.Header("X-JAM-MSGID"), "2:5020/1 1234567" + n);
    EXPECT_EQ(article.body_lines, (std::vector<std::string>{"Hello Remote Sysop " + n + ",",
                                                            "this is Outgoing " + n + "."}));
  }
}

}  // namespace
}  // namespace kestrel::testing
