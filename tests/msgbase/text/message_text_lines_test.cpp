// Reading and writing text lines: terminators, line feeds after them, block
// boundaries of the reader, over-long lines and buffers of every size.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "msgbase/io/file_stream.h"
#include "msgbase/text/message_text.h"
#include "tests/msgbase/memory_format.h"
#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

using testing::MemoryFormat;

// Every line of the text as GetTextLineZ delivers it with a buffer of `size`.
std::vector<std::string> ReadLines(MessageBase& base, std::uint16_t size = LineBufferSize) {
  std::vector<std::string> lines;
  // Exactly `size` bytes on the heap, so a write past them is caught.
  auto buf = std::make_unique<char[]>(size);
  while (!base.EndOfText()) {
    const std::int32_t before = base.GetTextPos();
    base.GetTextLineZ(buf.get(), size);
    lines.emplace_back(buf.get());
    if (base.GetTextPos() <= before) {
      ADD_FAILURE() << "reader did not advance at " << before;
      break;
    }
  }
  return lines;
}

using Lines = std::vector<std::string>;

TEST(TextLines, TerminatorsAndLineFeeds) {
  struct Case {
    std::string text;
    Lines lines;
  };
  const Case cases[] = {
      {std::string("A\r\nB\r"), {"A", "B"}},
      {std::string("A\rB"), {"A", "B"}},           // no final terminator
      {std::string("AB\0CD\r", 6), {"AB", "CD"}},  // zero byte ends a line
      {std::string("A\0\nB", 4), {"A", "B"}},      // line feed after a zero
      {std::string("A\nB\r"), {"A\nB"}},           // a lone line feed is content
      {std::string("\r\r\n\r"), {"", "", ""}},     // empty lines
      {std::string("A\r\n\nB"), {"A", "\nB"}},     // only one line feed skipped
      {std::string("\x01MSGID: 1\r\x01PID\rbody"), {"\x01MSGID: 1", "\x01PID", "body"}},
  };
  for (const Case& c : cases) {
    MemoryFormat base;
    base.SetText(c.text);
    EXPECT_EQ(ReadLines(base), c.lines) << ::testing::PrintToString(c.text);
  }
}

TEST(TextLines, LineFeedAcrossBlockBoundaries) {
  // The reader works in 1024-byte blocks: put the terminator and its line
  // feed on either side of the first and second block ends.
  for (const std::size_t length : {1022u, 1023u, 1024u, 2046u, 2047u, 2048u}) {
    MemoryFormat base;
    base.SetText(std::string(length, 'a') + "\r\nnext\r");
    EXPECT_EQ(ReadLines(base), (Lines{std::string(length, 'a'), "next"})) << length;
  }
}

TEST(TextLines, OverlongLinesAreCutAndTheRestSkipped) {
  MemoryFormat base;
  base.SetText(std::string(300, 'x') + "\r\nsecond\r");
  std::string line;
  base.GetTextLine(line);
  EXPECT_EQ(line, std::string(255, 'x'));
  base.GetTextLine(line);
  EXPECT_EQ(line, "second");
  EXPECT_TRUE(base.EndOfText());

  // One line of a megabyte without any terminator.
  base.SetText(std::string(1 << 20, 'y'));
  EXPECT_EQ(ReadLines(base), Lines{std::string(LineBufferSize - 1, 'y')});
  base.SetTextPos(0);
  base.GetTextLine(line);
  EXPECT_EQ(line, std::string(255, 'y'));
  EXPECT_TRUE(base.EndOfText());
}

TEST(TextLines, TinyBuffersNeverOverflowAndStillConsumeTheLine) {
  MemoryFormat base;
  base.SetText("abc\rde\r");
  EXPECT_EQ(ReadLines(base, 1), (Lines{"", ""}));
  EXPECT_EQ(base.GetTextPos(), 7);

  base.SetTextPos(0);
  char untouched = '#';
  base.GetTextLineZ(&untouched, 0);  // no room even for the zero byte
  EXPECT_EQ(untouched, '#');
  EXPECT_EQ(base.GetTextPos(), 4);

  base.SetTextPos(0);
  EXPECT_EQ(ReadLines(base, 3), (Lines{"ab", "de"}));
}

TEST(TextLines, EmptyTextAndPositionsOutsideTheText) {
  MemoryFormat base;
  base.SetText("");
  std::string line = "stale";
  base.GetTextLine(line);
  EXPECT_EQ(line, "");
  EXPECT_TRUE(base.EndOfText());

  base.SetText("one\rtwo\r");
  base.SetTextPos(100);  // past the end: nothing to read
  base.GetTextLine(line);
  EXPECT_EQ(line, "");
}

TEST(TextLines, PutTextLineWritesCarriageReturnAndStopsAtZero) {
  MemoryFormat base;
  base.SetText("");
  base.PutTextLine("first");
  base.PutTextLine(std::string("cut\0off", 7));
  base.PutTextLineZ("");
  EXPECT_EQ(base.TextBytes(), "first\rcut\r\r");

  // Lines longer than one stream write are written whole.
  base.SetText("");
  base.PutTextLine(std::string(70000, 'z'));
  EXPECT_EQ(base.GetTextSize(), 70001);
}

TEST(TextLines, WriteOriginKeepsTheLineWithin79Characters) {
  MemoryFormat base;
  base.SetText("");
  base.WriteOrigin({2, 5020, 1, 0}, std::string(100, 'o'));
  std::string line;
  base.SetTextPos(0);
  base.GetTextLine(line);
  EXPECT_EQ(line.size(), 79u);
  EXPECT_EQ(line, " * Origin: " + std::string(57, 'o') + " (2:5020/1)");

  base.SetText("");
  base.WriteOrigin({2, 5020, 1, 7}, "Short");
  EXPECT_EQ(base.TextBytes(), " * Origin: Short (2:5020/1.7)\r");

  // The widest address there is still leaves room for text.
  base.SetText("");
  base.WriteOrigin({65535, 65535, 65535, 65535}, std::string(100, 'o'));
  base.SetTextPos(0);
  base.GetTextLine(line);
  EXPECT_EQ(line.size(), 79u);
}

TEST(TextLines, ReadsLinesOfAFileItDoesNotOwn) {
  testing::TempDir dir;
  dir.WriteFile("msg", "Hello\r\nWorld\r\n");
  FileStream file(dir.Path("msg"), kFileOpenRead);
  ASSERT_EQ(file.Status(), StOk);
  {
    MessageText text(file);
    EXPECT_EQ(text.stream(), &file);
    Lines lines;
    std::string line;
    while (!text.AtEnd()) {
      text.ReadLine(line);
      lines.push_back(line);
    }
    EXPECT_EQ(lines, (Lines{"Hello", "World"}));
    EXPECT_EQ(text.Release(), nullptr);  // a borrowed stream is not handed over
  }
  // The text has let go of the stream without disposing it.
  file.Seek(0);
  char first = 0;
  file.Read(&first, 1);
  EXPECT_EQ(first, 'H');
  EXPECT_EQ(file.Status(), StOk);
}

}  // namespace
}  // namespace kestrel
