#include "app/config_line_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel {
namespace {

std::vector<std::string> Split(std::string_view bytes, std::size_t piece_size = 0) {
  std::vector<std::string> lines;
  ConfigLineSplitter splitter([&](std::string_view line) { lines.emplace_back(line); });
  if (piece_size == 0) piece_size = bytes.size() + 1;
  for (std::size_t at = 0; at < bytes.size(); at += piece_size) {
    splitter.Feed(bytes.substr(at, piece_size));
  }
  splitter.Finish();
  return lines;
}

using Lines = std::vector<std::string>;

TEST(ConfigLineSplitterTest, LineEnds) {
  EXPECT_EQ(Split("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(Split("a\nb\n"), (Lines{"a", "b"}));
  EXPECT_EQ(Split("a\rb\r"), (Lines{"a", "b"}));
  EXPECT_EQ(Split("a\r\n\r\nb"), (Lines{"a", "", "b"}));  // empty line kept, last without end
  EXPECT_EQ(Split("a\n\rb"), (Lines{"a", "", "b"}));      // LF CR is two line ends
  EXPECT_EQ(Split("a\r\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(Split(""), Lines{});
  EXPECT_EQ(Split("\n"), (Lines{""}));
  EXPECT_EQ(Split("last"), (Lines{"last"}));
}

TEST(ConfigLineSplitterTest, SameLinesWhateverThePieceSize) {
  const std::string bytes = "NETMAIL a\r\nTO b,c\rFROM d\n\r\nx" + std::string(300, 'y') + "\r\nz";
  const Lines whole = Split(bytes);
  ASSERT_EQ(whole.size(), 6u);
  for (std::size_t piece : {1u, 2u, 3u, 7u, 256u})
    EXPECT_EQ(Split(bytes, piece), whole) << piece;
}

TEST(ConfigLineSplitterTest, LongLinesAreCutAndTheirRestSkipped) {
  const std::string long_line = "LOG " + std::string(400, 'p');
  const Lines lines = Split(long_line + "\nNETMAIL x\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], long_line.substr(0, 255));
  EXPECT_EQ(lines[1], "NETMAIL x");
  // Exactly 255 bytes stay whole; a CR right after the cut still ends the line.
  const std::string exact(255, 'e');
  EXPECT_EQ(Split(exact + "\r" + exact + "f\rg"), (Lines{exact, exact, "g"}));
}

TEST(ConfigLineSplitterTest, NulAndOtherBytesAreOrdinary) {
  const std::string bytes("a\0b\x1A\xFF\n", 6);
  EXPECT_EQ(Split(bytes), (Lines{std::string("a\0b\x1A\xFF", 5)}));
}

}  // namespace
}  // namespace kestrel
