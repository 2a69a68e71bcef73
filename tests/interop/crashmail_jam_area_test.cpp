// crashmail tosses netmail into a JAM base, crashmaint deletes from it and
// jamnntpd serves it: the JAM files other programs write and read.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/crashmail_peer.h"
#include "tests/support/fido_packet.h"
#include "tests/support/fido_text.h"
#include "tests/support/jam_files.h"
#include "tests/support/jamnntpd_peer.h"
#include "tests/support/nntp_transcript.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

TEST(CrashmailJamAreaTest, TossedNetmailFormsAJamBase) {
  KESTREL_SKIP_WITHOUT_CRASHMAIL();
  TempDir dir;
  CrashmailPeer peer(dir.Path("peer"), AreaFormat::kJam, dir.Path("netmail"));
  const std::vector<std::pair<std::string, std::string>> senders = {{"Sender One", "1:2/3.4"},
                                                                    {"Sender Two", "1:2/3"}};
  for (const auto& [sender, origin] : senders) {
    NetmailMessage message;
    message.from_name = sender;
    message.from_address = origin;
    message.to_address = "2:5020/1";
    message.subject = "From " + sender;
    message.body = "Hello\nsecond line\n";
    const PeerRun run = peer.TossNetmail(message);
    ASSERT_TRUE(run.ok) << run.output;
  }

  for (const char* name : {"netmail.jhr", "netmail.jdx", "netmail.jdt", "netmail.jlr"}) {
    EXPECT_TRUE(dir.Exists(name)) << name;
  }
  const JamBaseFiles files = JamBaseFiles::Load(dir.Path("netmail"));
  EXPECT_EQ(files.jhr.substr(kJamSignatureOffset, kJamSignature.size()), kJamSignature);
  EXPECT_EQ(GetLe32(files.jhr, kJamActiveMsgsOffset), 2u);
  EXPECT_EQ(GetLe32(files.jhr, kJamBaseMsgNumOffset), 1u);
  EXPECT_EQ(files.jdx.size(), 2 * kJamIndexRecordSize);

  const std::vector<JamIndexRecord> index = files.Index();
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(index[0].header_offset, kJamBaseHeaderSize);
  for (std::size_t i = 0; i < index.size(); ++i) {
    SCOPED_TRACE(senders[i].first);
    const std::optional<JamMessage> message = files.MessageAt(index[i].header_offset);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->signature, kJamSignature);
    EXPECT_EQ(message->attribute, kJamAttrPrivate | kJamAttrSent | kJamAttrTypeNet);
    EXPECT_EQ(message->Subfield(kJamSenderName), senders[i].first);
    EXPECT_EQ(message->Subfield(kJamReceiverName), "Bob Receiver");
    EXPECT_EQ(message->Subfield(kJamSubject), "From " + senders[i].first);
    EXPECT_EQ(message->Subfield(kJamOAddress), senders[i].second);  // 4D only with a point
    EXPECT_EQ(message->Subfield(kJamDAddress), "2:5020/1");
    EXPECT_TRUE(message->Subfield(kJamMsgId));
    EXPECT_TRUE(message->text_in_range);
    EXPECT_EQ(message->text, "Hello\rsecond line\r");
  }
}

struct Sample {
  std::string sender;
  std::uint16_t zone, net, node, point;
  std::string subject;
  std::vector<std::string> body;

  std::string Origin() const {
    return std::to_string(zone) + ":" + std::to_string(net) + "/" + std::to_string(node) +
           (point != 0 ? "." + std::to_string(point) : "");
  }
  std::string MsgId() const {
    return std::to_string(zone) + ":" + std::to_string(net) + "/" + std::to_string(node) + "." +
           std::to_string(point) + " 0000000" + sender.substr(0, 1);
  }
};

const std::vector<Sample>& Samples() {
  static const std::vector<Sample> samples = {
      {"Alpha Sender", 1, 2, 3, 4, "Subject one", {"Body one", "more one"}},
      {"Beta Sender", 1, 2, 3, 0, "Subject two", {"Body two"}},
      {"Gamma Sender", 2, 5020, 9, 0, "Subject three", {"Body three"}},
  };
  return samples;
}

// crashmail and crashmaint read JAM's 32-bit fields right only when no byte
// is 80h or more, and crashmaint writes the header of the message it deletes
// back with the fields it read. So the headers are padded (with a kludge that
// becomes subfields) to 332, 436 and 332 bytes: they lie at 400h, 54Ch and
// 700h and their SubfieldLen values are 256, 360 and 256.
constexpr std::size_t kHeaderSizes[] = {332, 436, 332};

FidoPacket PaddedSamplePacket() {
  FidoPacket packet = PacketFromUplink(2021);
  for (std::size_t i = 0; i < Samples().size(); ++i) {
    const Sample& s = Samples()[i];
    PackedMessage m;
    m.orig_net = s.net;
    m.orig_node = s.node;
    m.dest_net = 5020;
    m.dest_node = 1;
    m.attribute = 0x0001;
    m.date_time = "05 Mar 21  07:08:10";
    m.from_name = s.sender;
    m.to_name = "Sysop";
    m.subject = s.subject;
    const std::string kludge(1, kKludgeMark);
    m.text = kludge + "INTL 2:5020/1 " + std::to_string(s.zone) + ":" + std::to_string(s.net) +
             "/" + std::to_string(s.node) + "\r";
    if (s.point != 0) m.text += kludge + "FMPT " + std::to_string(s.point) + "\r";
    m.text += kludge + "MSGID: " + s.MsgId() + "\r";
    // Subfields crashmail makes: sender, recipient, subject, origin (4D only
    // with a point), destination "2:5020/1", MSGID, then one per "PAD" line
    // (it cuts kludge subfields to 99 bytes, so the padding takes several).
    const std::size_t unpadded = kJamMessageHeaderSize + 6 * kJamSubfieldHeadSize +
                                 s.sender.size() + m.to_name.size() + s.subject.size() +
                                 s.Origin().size() + 8 + s.MsgId().size();
    constexpr std::size_t kPadLineCost = kJamSubfieldHeadSize + 4;  // head and "PAD "
    constexpr std::size_t kMaxPadData = 95;
    std::size_t missing = kHeaderSizes[i] - unpadded;
    const std::size_t pad_lines =
        (missing + kPadLineCost + kMaxPadData - 1) / (kPadLineCost + kMaxPadData);
    missing -= pad_lines * kPadLineCost;
    for (std::size_t line = 0; line < pad_lines; ++line) {
      const std::size_t length = std::min(missing, kMaxPadData);
      m.text += kludge + "PAD " + std::string(length, 'x') + "\r";
      missing -= length;
    }
    for (const std::string& line : s.body)
      m.text += line + "\r";
    packet.messages.push_back(m);
  }
  return packet;
}

class CrashmailJamDeletionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KESTREL_SKIP_WITHOUT_CRASHMAIL();
    peer_.emplace(dir_.Path("peer"), AreaFormat::kJam, dir_.Path("netmail"));
    const PeerRun run = peer_->TossPacket(PaddedSamplePacket());
    ASSERT_TRUE(run.ok) << run.output;
    const JamBaseFiles files = JamBaseFiles::Load(dir_.Path("netmail"));
    ASSERT_EQ(files.Index().size(), 3u);
    ASSERT_EQ(FieldsCrashmailMisreads(files), std::vector<std::string>{});
  }

  TempDir dir_;
  std::optional<CrashmailPeer> peer_;
};

TEST_F(CrashmailJamDeletionTest, CrashmaintSetsTheDeletedAttributeAndKeepsTheIndex) {
  const PeerRun maint = peer_->MaintKeepNewest(2);
  ASSERT_TRUE(maint.ok) << maint.output;
  const JamBaseFiles files = JamBaseFiles::Load(dir_.Path("netmail"));
  EXPECT_EQ(GetLe32(files.jhr, kJamActiveMsgsOffset), 2u);
  const std::vector<JamIndexRecord> index = files.Index();
  ASSERT_EQ(index.size(), 3u);  // the record of the deleted message stays
  const std::optional<JamMessage> deleted = files.MessageAt(index[0].header_offset);
  ASSERT_TRUE(deleted);
  EXPECT_EQ(deleted->attribute & kJamAttrDeleted, kJamAttrDeleted);
  EXPECT_EQ(deleted->subfield_len, kHeaderSizes[0] - kJamMessageHeaderSize);
  EXPECT_EQ(deleted->Subfield(kJamSenderName), "Alpha Sender");
  for (std::size_t i = 1; i < 3; ++i) {
    EXPECT_EQ(files.MessageAt(index[i].header_offset)->attribute & kJamAttrDeleted, 0u);
  }
}

TEST_F(CrashmailJamDeletionTest, JamnntpdShowsEveryMessageAndRefusesDeletedOnes) {
  KESTREL_SKIP_WITHOUT_JAMNNTPD();
  JamnntpdPeer server(dir_.Path("nntp"));
  const NntpReading all = server.Read(dir_.Path("netmail"));
  ASSERT_TRUE(all.ok) << all.error << "\n" << all.transcript << all.server_log;
  ASSERT_EQ(all.articles.size(), 3u) << all.transcript;
  EXPECT_TRUE(all.refused.empty());
  EXPECT_TRUE(all.warnings.empty());
  for (std::size_t i = 0; i < 3; ++i) {
    const NntpArticle& article = all.articles[i];
    const Sample& sample = Samples()[i];
    SCOPED_TRACE(sample.subject);
    EXPECT_EQ(article.jam_message_number, i + 1);
    EXPECT_EQ(article.Header("Subject"), sample.subject);
    EXPECT_EQ(article.Header("X-JAM-From"), sample.sender + " <" + sample.Origin() + ">");
    EXPECT_EQ(article.Header("X-Comment-To"), "Sysop");
    EXPECT_EQ(article.Header("X-JAM-MSGID"), sample.MsgId());
    ASSERT_TRUE(article.overview);
    EXPECT_EQ(article.overview->subject, sample.subject);
    EXPECT_EQ(article.body_lines, sample.body);
  }

  // The index as stored: the defective build shows every other message, and
  // the harness still names the right one.
  const NntpReading stored = server.Read(dir_.Path("netmail"), IndexView::kAsStored);
  ASSERT_TRUE(stored.ok) << stored.error << "\n" << stored.transcript;
  ASSERT_EQ(stored.articles.size(), stored.index_stepping_defect ? 1u : 3u);
  for (const NntpArticle& article : stored.articles) {
    EXPECT_EQ(article.Header("Subject"), Samples()[article.jam_message_number - 1].subject);
  }

  const PeerRun maint = peer_->MaintKeepNewest(2);
  ASSERT_TRUE(maint.ok) << maint.output;
  const NntpReading after = server.Read(dir_.Path("netmail"));
  ASSERT_TRUE(after.ok) << after.error << "\n" << after.transcript;
  ASSERT_EQ(after.articles.size(), 2u) << after.transcript;
  EXPECT_EQ(after.articles[0].jam_message_number, 2u);
  EXPECT_EQ(after.articles[1].Header("Subject"), "Subject three");
  ASSERT_EQ(after.refused.size(), 1u);
  EXPECT_EQ(after.refused[0].jam_message_number, 1u);
  EXPECT_EQ(after.refused[0].status.rfind("503 Message has been deleted", 0), 0u)
      << after.refused[0].status;
}

}  // namespace
}  // namespace kestrel::testing
