// A search over a whole text reads it in large blocks and jumps from one
// kludge mark to the next instead of reading every line: every result must
// be the one that reading the text line by line with GetTextLineZ gives.
// Random texts full of terminators, line feeds, kludges and long lines,
// some placed across the boundaries of the blocks the search reads, are
// searched both ways.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "msgbase/text/text_characters.h"
#include "tests/msgbase/memory_format.h"

namespace kestrel {
namespace {

// FindKludgeZ done the plain way: every line in turn from the start.
bool FindLineByLine(MessageBase& base, const char* name, char* buf, std::uint16_t size) {
  const std::size_t length = std::strlen(name);
  base.SetTextPos(0);
  while (!base.EndOfText()) {
    base.GetTextLineZ(buf, size);
    const std::size_t kept = size > 0 ? std::strlen(buf) : 0;
    if (kept >= length && std::memcmp(buf, name, length) == 0) return true;
  }
  return false;
}

// GetKludgeInsertPos done the plain way.
std::int32_t InsertPosLineByLine(MessageBase& base) {
  std::string scratch(LineBufferSize, '\0');
  bool seen = false;
  base.SetTextPos(0);
  while (!base.EndOfText()) {
    const std::int32_t start = base.GetTextPos();
    base.GetTextLineZ(scratch.data(), LineBufferSize);
    if (scratch[0] == kKludgeMark) {
      seen = true;
    } else if (seen) {
      return start;
    }
  }
  return base.GetTextSize();
}

// GetOrigDestAddr done the plain way.
void AddressesLineByLine(MessageBase& base, FidoAddress& orig, FidoAddress& dest) {
  std::string line;
  base.SetTextPos(0);
  while (!base.EndOfText()) {
    base.GetTextLine(line);
    if (!line.empty() && line[0] == kKludgeMark) {
      base.ParseOrigKludge(line, orig);
      base.ParseDestKludge(line, dest);
    }
  }
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

// Now and then body lines in front, ending just before, on or after the
// boundary of a 16384-byte block, so that terminators, line feeds and marks
// fall on either side of it. The last body line may stay open, so that a
// mark right behind it is in the middle of a line.
std::string BodyInFront(std::mt19937& random, int round) {
  if (round % 10 != 0) return "";
  static const std::string kEnds[] = {"\r", std::string(1, '\0'), "\r\n", "\n", "b"};
  const std::string& end = kEnds[std::uniform_int_distribution<int>(0, 4)(random)];
  const int length = 16384 * (1 + round % 3) - std::uniform_int_distribution<int>(-3, 6)(random);
  std::string body;
  while (static_cast<int>(body.size()) + 71 < length)
    body += std::string(70, 'b') + "\r";
  body.append(static_cast<std::size_t>(length - static_cast<int>(body.size())), 'b');
  body.replace(body.size() - end.size(), end.size(), end);
  return body;
}

TEST(MessageTextScanTest, SearchesGiveWhatLineByLineReadingGives) {
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
    const std::string bytes = BodyInFront(random, round) + RandomText(random);
    testing::MemoryFormat base;
    base.SetText(bytes);
    SCOPED_TRACE(
        "round " + std::to_string(round) + ", " + std::to_string(bytes.size()) + " bytes ending " +
        ::testing::PrintToString(bytes.size() > 200 ? bytes.substr(bytes.size() - 200) : bytes));

    FidoAddress orig{1, 1, 1, 1};
    FidoAddress dest{9, 9, 9, 9};
    FidoAddress expected_orig = orig;
    FidoAddress expected_dest = dest;
    AddressesLineByLine(base, expected_orig, expected_dest);
    base.SetTextPos(1);
    base.GetOrigDestAddr(orig, dest);
    ASSERT_EQ(orig, expected_orig);
    ASSERT_EQ(dest, expected_dest);
    ASSERT_EQ(base.GetTextPos(), base.GetTextSize());

    for (const char* name : kNames) {
      for (const std::uint16_t size : kSizes) {
        std::string expected(size + 1u, '\0');
        std::string found(size + 1u, '\0');
        const bool expected_result = FindLineByLine(base, name, expected.data(), size);
        const std::int32_t expected_pos = base.GetTextPos();
        base.SetTextPos(1);
        ASSERT_EQ(base.FindKludgeZ(name, found.data(), size), expected_result)
            << ::testing::PrintToString(std::string(name)) << " " << size;
        ASSERT_STREQ(found.c_str(), expected.c_str())
            << ::testing::PrintToString(std::string(name)) << " " << size;
        ASSERT_EQ(base.GetTextPos(), expected_pos);
      }
    }
    const std::int32_t expected_insert = InsertPosLineByLine(base);
    const std::int32_t expected_pos = base.GetTextPos();
    base.SetTextPos(1);
    ASSERT_EQ(base.GetKludgeInsertPos(), expected_insert);
    ASSERT_EQ(base.GetTextPos(), expected_pos);
  }
}

}  // namespace
}  // namespace kestrel
