// The benchmark's netmail generator: the same messages for the same seed, the
// chosen share addressed to the matching recipient, fields within their
// widths and bodies within their bounds, and messages that every format
// stores and gives back as generated.
#include "bench/netmail_generator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "msgbase/fido/field_widths.h"
#include "msgbase/factory/message_base_factory.h"
#include "tests/support/temp_dir.h"

namespace kestrel::bench {
namespace {

using testing::TempDir;

std::vector<GeneratedMessage> Generate(const GeneratorOptions& options, int count) {
  NetmailGenerator generator(options);
  std::vector<GeneratedMessage> messages;
  for (int i = 0; i < count; ++i)
    messages.push_back(generator.Next());
  return messages;
}

bool SameMessage(const GeneratedMessage& a, const GeneratedMessage& b) {
  return a.from == b.from && a.to == b.to && a.subject == b.subject && a.orig == b.orig &&
         a.dest == b.dest && a.written == b.written && a.arrived == b.arrived &&
         a.attributes == b.attributes && a.text == b.text && a.matches == b.matches;
}

// The lines of a text, without their carriage returns.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\r', at);
    lines.push_back(text.substr(at, end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& line : lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

TEST(NetmailGeneratorTest, TheSameSeedGivesTheSameMessagesAndAnotherSeedOthers) {
  GeneratorOptions options;
  options.seed = 42;
  const std::vector<GeneratedMessage> first = Generate(options, 200);
  const std::vector<GeneratedMessage> again = Generate(options, 200);
  options.seed = 43;
  const std::vector<GeneratedMessage> other = Generate(options, 200);
  int differing = 0;
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_TRUE(SameMessage(first[i], again[i])) << "message " << i;
    if (first[i].text != other[i].text) ++differing;
  }
  EXPECT_EQ(differing, 200);
  // Messages of one stream differ from each other, too.
  EXPECT_NE(first[0].text, first[1].text);
}

TEST(NetmailGeneratorTest, TheMatchingShareIsExactEvenlySpreadAndAloneWithItsRecipient) {
  for (const int percent : {0, 10, 25, 100}) {
    GeneratorOptions options;
    options.match_percent = percent;
    options.match_recipient = "Robot Of The Bench";
    const std::vector<GeneratedMessage> messages = Generate(options, 1000);
    int matching = 0;
    int in_first_half = 0;
    for (std::size_t i = 0; i < messages.size(); ++i) {
      const GeneratedMessage& m = messages[i];
      EXPECT_EQ(m.matches, m.to == "Robot Of The Bench") << "message " << i;
      if (m.matches) {
        ++matching;
        if (i < 500) ++in_first_half;
      }
    }
    EXPECT_EQ(matching, 10 * percent) << percent << "%";
    EXPECT_EQ(in_first_half, 5 * percent) << percent << "%";
  }
}

TEST(NetmailGeneratorTest, FieldsFitTheirWidthsAndTheTextCarriesTheNetmailKludges) {
  const std::vector<GeneratedMessage> messages = Generate(GeneratorOptions{}, 2000);
  std::size_t shortest = kMaxBodyBytes;
  std::size_t longest = 0;
  int with_points = 0;
  for (const GeneratedMessage& m : messages) {
    EXPECT_LT(m.from.size(), kNameWidth);
    EXPECT_LT(m.to.size(), kNameWidth);
    EXPECT_LT(m.subject.size(), kSubjectWidth);
    EXPECT_FALSE(m.from.empty());
    EXPECT_GE(m.body_bytes, kMinBodyBytes);
    EXPECT_LE(m.body_bytes, kMaxBodyBytes);
    shortest = std::min(shortest, m.body_bytes);
    longest = std::max(longest, m.body_bytes);

    const std::vector<std::string> lines = Lines(m.text);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "\x01INTL " + FormatAddress3D(m.dest) + " " + FormatAddress3D(m.orig));
    EXPECT_EQ(HasLineStartingWith(lines,
                                  "\x01"
                                  "FMPT "),
              m.orig.point != 0);
    EXPECT_EQ(HasLineStartingWith(lines, "\x01TOPT "), m.dest.point != 0);
    EXPECT_TRUE(HasLineStartingWith(lines, "\x01MSGID: " + FormatAddress(m.orig) + " "));
    EXPECT_TRUE(HasLineStartingWith(lines, "\x01PID: "));
    EXPECT_TRUE(HasLineStartingWith(lines, " * Origin: "));
    EXPECT_EQ(lines.back().compare(0, 5, "\x01Via "), 0);
    if (m.orig.point != 0 || m.dest.point != 0) ++with_points;
  }
  // The sizes spread over the whole range, and points occur.
  EXPECT_LT(shortest, 400u);
  EXPECT_GT(longest, 3500u);
  EXPECT_GT(with_points, 200);
}

class GeneratedAreaTest : public ::testing::TestWithParam<const char*> {
 protected:
  GeneratedAreaTest() { InstallStreamFactories(); }
  std::string AreaId(const std::string& name) const {
    const std::string kind = GetParam();
    return kind + dir_.Path(kind == "M" ? name : name + "/netmail");
  }
  TempDir dir_;
};

TEST_P(GeneratedAreaTest, EveryFormatStoresTheMessagesAndGivesThemBack) {
  const std::string id = AreaId("area");
  const std::vector<GeneratedMessage> messages = Generate(GeneratorOptions{}, 60);
  {
    std::unique_ptr<MessageBase> base;
    ASSERT_TRUE(OpenOrCreateBase(id, base));
    base->SetMailType(kMailTypeNetmail);
    for (const GeneratedMessage& m : messages)
      ASSERT_TRUE(WriteGeneratedMessage(*base, m));
    CloseBase(base);
  }
  std::unique_ptr<MessageBase> base;
  ASSERT_TRUE(OpenBase(id, base));
  base->SetMailFlag(kMailFlagNetmail, true);
  std::size_t i = 0;
  for (base->SeekFirst(1); base->SeekFound(); base->SeekNext(), ++i) {
    ASSERT_LT(i, messages.size());
    const GeneratedMessage& m = messages[i];
    ASSERT_TRUE(base->OpenMsg());
    EXPECT_EQ(base->GetFrom(), m.from);
    EXPECT_EQ(base->GetTo(), m.to);
    EXPECT_EQ(base->GetSubj(), m.subject);
    FidoAddress orig;
    FidoAddress dest;
    base->GetOrigDestAddr(orig, dest);
    EXPECT_EQ(orig, m.orig);
    EXPECT_EQ(dest, m.dest);
    MsgDateTime date;
    base->GetDateWritten(date);
    EXPECT_EQ(date, m.written);
    base->GetDateArrived(date);
    EXPECT_EQ(date, m.arrived);
    for (const std::uint32_t code :
         {AttrPrivate, AttrCrash, AttrSent, AttrKillSent, AttrLocal, AttrHold}) {
      EXPECT_EQ(base->GetAttr(code), (m.attributes & code) != 0) << "attribute " << code;
    }
    BaseStream* text = base->GetTextStream();
    std::string stored(static_cast<std::size_t>(text->GetSize()), '\0');
    text->Seek(0);
    text->Read(stored.data(), static_cast<std::uint16_t>(stored.size()));
    if (std::string(GetParam()) == "J") {
      // JAM keeps kludges in subfields and gives them back in its own order;
      // the body comes back whole.
      const std::size_t body_at = m.text.find("Hello ");
      EXPECT_NE(stored.find(m.text.substr(body_at, m.body_bytes)), std::string::npos);
      const std::size_t msgid_line = 1 + (m.orig.point != 0) + (m.dest.point != 0);
      EXPECT_NE(stored.find(Lines(m.text)[msgid_line] + "\r"), std::string::npos);
    } else if (std::string(GetParam()) == "M") {
      // *.MSG keeps a FLAGS line for the attributes it has no header bit for.
      const std::size_t flags = stored.find(
          "\x01"
          "FLAGS ");
      if (flags != std::string::npos) stored.erase(flags, stored.find('\r', flags) + 1 - flags);
      EXPECT_EQ(stored, m.text);
    } else {
      EXPECT_EQ(stored, m.text);
    }
    base->CloseMsg();
  }
  EXPECT_EQ(i, messages.size());
  CloseBase(base);
}

INSTANTIATE_TEST_SUITE_P(Formats, GeneratedAreaTest, ::testing::Values("M", "S", "J"));

// A *.MSG area holds nothing but the messages: two areas written from the
// same seed are the same bytes.
TEST(GeneratedMsgAreaTest, TheSameSeedWritesTheSameMessageFiles) {
  InstallStreamFactories();
  TempDir dir;
  for (const char* name : {"one", "two"}) {
    std::unique_ptr<MessageBase> base;
    ASSERT_TRUE(OpenOrCreateBase("M" + dir.Path(name), base));
    base->SetMailType(kMailTypeNetmail);
    NetmailGenerator generator(GeneratorOptions{});
    for (int i = 0; i < 25; ++i)
      ASSERT_TRUE(WriteGeneratedMessage(*base, generator.Next()));
    CloseBase(base);
  }
  const std::vector<std::string> files = dir.List("one");
  ASSERT_EQ(files.size(), 25u);
  EXPECT_EQ(dir.List("two"), files);
  for (const std::string& file : files)
    EXPECT_EQ(dir.ReadFile("one/" + file), dir.ReadFile("two/" + file)) << file;
}

}  // namespace
}  // namespace kestrel::bench
