// A text held in memory is searched in one piece rather than line by line
// through the stream: every result must be the one the line-by-line reading
// gives. Random texts full of terminators, line feeds, kludges and long
// lines are read both ways, through the text as a memory stream and through
// the same bytes behind a stream of another kind.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "msgbase/io/mem_stream.h"
#include "msgbase/message_base.h"

namespace kestrel {
namespace {

// The bytes of a memory stream behind a stream that is not one, so that the
// operations take their line-by-line way.
class OtherStream : public BaseStream {
 public:
  OtherStream() : BaseStream("", 0) {}
  void Read(void* buffer, std::uint16_t count) override { inner_.Read(buffer, count); }
  void Write(const void* buffer, std::uint16_t count) override { inner_.Write(buffer, count); }
  void Seek(std::int32_t position) override { inner_.Seek(position); }
  std::int32_t GetPos() override { return inner_.GetPos(); }
  std::int32_t GetSize() override { return inner_.GetSize(); }
  void Flush() override {}
  void Truncate() override { inner_.Truncate(); }
  void Reset() override {}

 private:
  MemStream inner_;
};

std::unique_ptr<BaseStream> TextOf(const std::string& bytes, bool in_memory) {
  std::unique_ptr<BaseStream> text;
  if (in_memory) {
    text = std::make_unique<MemStream>();
  } else {
    text = std::make_unique<OtherStream>();
  }
  text->Write(bytes.data(), static_cast<std::uint16_t>(bytes.size()));  // under 64 KB
  text->Seek(0);
  return text;
}

std::string RandomText(std::mt19937& random) {
  static const char* const kPieces[] = {"\x01MSGID: 2:5020/1.3 1a2b3c4d",
                                        "\x01INTL 1:2/3 2:5020/1",
                                        "\x01"
                                        "FMPT 7",
                                        "\x01TOPT 9",
                                        "\x01MSGID:",
                                        "\x01INTL",
                                        "\x01PID: x",
                                        "body text",
                                        "",
                                        "\x01",
                                        "\x01INTL 3:4/5 6:7/8",
                                        "\x01"
                                        "FMPT",
                                        "SEEN-BY: 1/2"};
  std::string text;
  const int lines = std::uniform_int_distribution<int>(0, 12)(random);
  for (int i = 0; i < lines; ++i) {
    const int pick = std::uniform_int_distribution<int>(0, 15)(random);
    if (pick < 13) {
      text += kPieces[pick];
    } else {
      // A long line, past what the line buffers hold.
      text += (pick == 13 ? "\x01MSGID: " : "") + std::string(300 + pick * 10, 'x');
    }
    switch (std::uniform_int_distribution<int>(0, 5)(random)) {
      case 0:
        text += '\0';
        break;
      case 1:
        text += "\r\n";
        break;
      case 2:
        text += "\n";
        break;
      case 3:
        if (i + 1 == lines) break;  // the last line may stay open
        [[fallthrough]];
      default:
        text += '\r';
    }
  }
  return text;
}

TEST(MemoryTextLinesTest, SearchesGiveWhatLineByLineReadingGives) {
  std::mt19937 random(20261207);
  const char* const kNames[] = {"\x01MSGID:",
                                "\x01INTL",
                                "\x01"
                                "FMPT",
                                "",
                                "\x01TOPT",
                                "body",
                                "\x01MSGID: "
                                "xxxxxxxx"};
  const std::uint16_t kSizes[] = {0, 1, 5, 255, LineBufferSize};
  for (int round = 0; round < 3000; ++round) {
    // Every so often a text longer than a memory stream's first block.
    const std::string bytes =
        (round % 50 == 0 ? std::string(9000, 'b') + "\r" : std::string()) + RandomText(random);
    MessageBase in_memory;
    MessageBase other;
    in_memory.SetMailFlag(MailFlagNetmail, true);
    other.SetMailFlag(MailFlagNetmail, true);
    in_memory.SetTextStream(TextOf(bytes, true));
    other.SetTextStream(TextOf(bytes, false));
    SCOPED_TRACE(::testing::PrintToString(bytes));

    FidoAddress a_orig{1, 1, 1, 1};
    FidoAddress a_dest{9, 9, 9, 9};
    FidoAddress b_orig = a_orig;
    FidoAddress b_dest = a_dest;
    in_memory.GetOrigDestAddr(a_orig, a_dest);
    other.GetOrigDestAddr(b_orig, b_dest);
    ASSERT_EQ(a_orig, b_orig);
    ASSERT_EQ(a_dest, b_dest);
    ASSERT_EQ(in_memory.GetTextPos(), other.GetTextPos());

    for (const char* name : kNames) {
      for (const std::uint16_t size : kSizes) {
        std::string a_buf(size + 1u, '#');
        std::string b_buf(size + 1u, '#');
        ASSERT_EQ(in_memory.FindKludgeZ(name, a_buf.data(), size),
                  other.FindKludgeZ(name, b_buf.data(), size))
            << ::testing::PrintToString(std::string(name)) << " " << size;
        // What lies behind the zero byte is scratch of either way.
        if (size > 0) {
          ASSERT_STREQ(a_buf.c_str(), b_buf.c_str());
        }
        ASSERT_EQ(in_memory.GetTextPos(), other.GetTextPos());
      }
      std::string a_line;
      std::string b_line;
      ASSERT_EQ(in_memory.GetKludge(name, a_line), other.GetKludge(name, b_line));
      ASSERT_EQ(a_line, b_line);
    }
    ASSERT_EQ(in_memory.GetKludgeInsertPos(), other.GetKludgeInsertPos());
    ASSERT_EQ(in_memory.GetTextPos(), other.GetTextPos());
    // The operations built on the search change the text alike.
    in_memory.SetKludge("\x01INTL", "\x01INTL 5:6/7 8:9/10");
    other.SetKludge("\x01INTL", "\x01INTL 5:6/7 8:9/10");
    in_memory.DeleteKludge(
        "\x01"
        "FMPT");
    other.DeleteKludge(
        "\x01"
        "FMPT");
    in_memory.SetDestAddr({2, 5020, 100, 4});
    other.SetDestAddr({2, 5020, 100, 4});
    in_memory.AddKludge("\x01PID: added");
    other.AddKludge("\x01PID: added");
    const std::int32_t size = in_memory.GetTextSize();
    ASSERT_EQ(size, other.GetTextSize());
    std::string a_text(static_cast<std::size_t>(size), '\0');
    std::string b_text(static_cast<std::size_t>(size), '\0');
    in_memory.SetTextPos(0);
    other.SetTextPos(0);
    in_memory.ReadTextBlock(a_text.data(), static_cast<std::uint16_t>(size));
    other.ReadTextBlock(b_text.data(), static_cast<std::uint16_t>(size));
    ASSERT_EQ(a_text, b_text);
  }
}

}  // namespace
}  // namespace kestrel
